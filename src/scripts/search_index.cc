#include "scripts/search_index.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/file_writer.h"
#include "database/text_encoding.h"
#include "scripts/script_text.h"
#include "scripts/search_words.h"

namespace duvra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
// The fields as the search ranks them.
enum Field { kTitle = 0, kName, kPath, kText, kKeywords, kFields };

Status CreateError(const std::string& path, int error) {
  return Status::Error(FormatMessage(kCannotCreateFile, {path, SystemReason(error)}));
}

std::string Quoted(std::string_view text) { return "\"" + EscapeScriptString(text) + "\""; }

// A pack's words come as a third argument, which searches written before
// packs held their words leave unread.
std::string PartText(std::string_view name, std::string_view data, std::string_view words = "") {
  std::string out = "duv_index_part(\"";
  out.append(name).append("\",").append(data);
  if (!words.empty()) out.append(",").append(words);
  out.append(");\r\n");
  return out;
}

// Other spellings up to this size also stand in the manifest.
constexpr size_t kInlineAltBytes = 2048;

// A version folder's name: "v" and hexadecimal digits.
bool IsVersionName(const std::string& name) {
  return name.size() > 1 && name[0] == 'v' && std::all_of(name.begin() + 1, name.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

struct Hit {
  uint32_t word, field, position;
  bool operator<(const Hit& o) const {
    return std::tie(word, field, position) < std::tie(o.word, o.field, o.position);
  }
};

// Word ids by key in one flat table: the generator looks a word up once
// per place it stands, tens of millions of times for a large site, and a
// table of linked nodes spent most of that time on cache misses.
class WordIds {
 public:
  // The key's id, given next_id when the key is new; and whether it was.
  std::pair<uint32_t, bool> Find(std::string_view key, uint32_t next_id) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const size_t hash = std::hash<std::string_view>{}(key);
    for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      Slot& slot = slots_[at];
      if (slot.id == kEmpty) {
        slot = {hash, keys_.size(), key.size(), next_id};
        keys_.append(key);
        ++count_;
        return {next_id, true};
      }
      if (slot.hash == hash && slot.key_size == key.size() &&
          std::string_view(keys_).substr(slot.key_at, slot.key_size) == key) {
        return {slot.id, false};
      }
    }
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    size_t hash = 0, key_at = 0, key_size = 0;
    uint32_t id = kEmpty;
  };

  void Grow() {
    std::vector<Slot> old(std::max<size_t>(1024, slots_.size() * 2));
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.id == kEmpty) continue;
      size_t at = slot.hash & (slots_.size() - 1);
      while (slots_[at].id != kEmpty) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::string keys_;
  size_t count_ = 0;
};

struct WordPostings {
  std::string bare, alt;
  std::string posting;
  size_t last_record = 0;
};

// A record's words per field, or nothing when the search must read it.
std::optional<std::array<std::vector<SearchWord>, kFields>> RecordWords(
    const std::vector<std::string_view>& f, size_t* title_length) {
  std::array<std::vector<SearchWord>, kFields> out;
  auto words = [](std::string_view raw) { return SearchFieldWords(DecodeSearchRefs(ToUtf8(raw))); };
  auto title = words(f[0]), text = words(f[2]), keywords = words(f[3]);
  auto [name, folders] = SearchAddressParts(DecodeSearchRefs(ToUtf8(f[1])));
  auto name_words = SearchFieldWords(name), folder_words = SearchFieldWords(folders);
  if (!title || !text || !keywords || !name_words || !folder_words) return std::nullopt;
  out[kTitle] = std::move(*title);
  out[kName] = std::move(*name_words);
  out[kPath] = std::move(*folder_words);
  out[kText] = std::move(*text);
  out[kKeywords] = std::move(*keywords);
  // Section numbers ("9.7.") do not make a title longer.
  *title_length = std::count_if(out[kTitle].begin(), out[kTitle].end(), [](const SearchWord& w) {
    return w.bare.empty() ||
           !std::all_of(w.bare.begin(), w.bare.end(), [](char c) { return c >= '0' && c <= '9'; });
  });
  return out;
}

// The record as the data script holds it, escaped field by field; without
// its keywords when only shown.
std::string EscapedRecord(std::string_view line, bool keywords) {
  const std::string_view rest = RecordAfterNum(line);
  std::string out;
  size_t piece = 0;
  for (size_t from = 0;; ++piece) {
    size_t to = rest.find('^', from);
    if (keywords || piece != 3) out.append(EscapeScriptString(rest.substr(from, to - from)));
    if (to == std::string_view::npos) break;
    out.push_back('^');
    from = to + 1;
  }
  return out;
}

class IndexWriter {
 public:
  IndexWriter(std::string dir, FileSystem& files, const IndexLimits& limits)
      : dir_(std::move(dir)), files_(files), limits_(limits) {}

  Status Add(size_t index, std::string_view line) {
    std::string shown = EscapedRecord(line, false);
    chunk_.append(chunk_.size() > 1 ? "," : "").append("\"").append(shown).append("\"");
    const std::string_view rest = RecordAfterNum(line);
    size_t title_length = 0;
    auto words = RecordWords(SearchRecordFields(rest), &title_length);
    Status s;
    if (!words) {
      rest_.append(rest_.size() > 1 ? "," : "")
          .append("[" + std::to_string(index) + ",\"")
          .append(EscapedRecord(line, true))
          .append("\"]");
      if (rest_.size() >= limits_.rest_bytes) s = FlushRest();
    } else {
      AddPostings(index, *words, title_length);
    }
    if (s.ok() && (index + 1) % limits_.records_per_chunk == 0) s = FlushChunk(index);
    return s;
  }

  Status Finish(size_t records, std::string* manifest) {
    Status s = chunk_.size() > 1 ? FlushChunk(records - 1) : Status::Ok();
    if (s.ok() && rest_.size() > 1) s = FlushRest();
    if (!s.ok()) return s;
    // Words in the order the search compares them (its keys, then as
    // typed), so that words sharing a beginning share parts and the search
    // can find a word's pack from the packs' first keys.
    std::vector<uint32_t> order(words_.size());
    for (uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::vector<std::string> heads(words_.size());
    for (uint32_t k = 0; k < order.size(); ++k) heads[k] = SearchWordHead(words_[k].bare);
    auto key = [&](uint32_t k) { return SearchWordKey(words_[k].bare); };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      if (key(a) != key(b)) return SearchKeyLess(key(a), key(b));
      if (words_[a].bare != words_[b].bare) return SearchKeyLess(words_[a].bare, words_[b].bare);
      return SearchKeyLess(words_[a].alt, words_[b].alt);
    });
    std::string pack = "[", pack_words = "[", dictionary = "{", alt = "[", head_map = "{",
                keys = "[";
    size_t packs = 0, in_pack = 0, dictionaries = 0;
    std::string head_entries;
    for (size_t k = 0; k < order.size() && s.ok(); ++k) {
      WordPostings& w = words_[order[k]];
      const std::string& head = heads[order[k]];
      if (!in_pack) keys.append(packs ? "," : "").append(Quoted(key(order[k])));
      pack.append(in_pack ? ",\"" : "\"").append(w.posting).append("\"");
      pack_words.append(in_pack ? "," : "").append(Quoted(w.bare) + "," + Quoted(w.alt));
      std::string entry = "[" + Quoted(w.bare) + "," + Quoted(w.alt) + "," + std::to_string(packs) +
                          "," + std::to_string(in_pack) + "]";
      if (!w.alt.empty()) alt.append(alt.size() > 1 ? "," : "").append(entry);
      head_entries.append(head_entries.empty() ? "" : ",").append(entry);
      ++in_pack;
      std::string().swap(w.posting);
      // Words of one key stay in one pack: a key names the packs to read.
      if (pack.size() >= limits_.pack_bytes &&
          (k + 1 == order.size() || key(order[k + 1]) != key(order[k]))) {
        s = WritePart("p" + std::to_string(packs++), pack + "]", pack_words + "]");
        pack = pack_words = "[";
        in_pack = 0;
      }
      if (k + 1 == order.size() || heads[order[k + 1]] != head) {
        dictionary.append(dictionary.size() > 1 ? "," : "")
            .append(Quoted(head) + ":[" + head_entries + "]");
        head_entries.clear();
        head_map.append(head_map.size() > 1 ? "," : "")
            .append(Quoted(head) + ":" + std::to_string(dictionaries));
        if (s.ok() && (dictionary.size() >= limits_.dictionary_bytes || k + 1 == order.size())) {
          s = WritePart("d" + std::to_string(dictionaries++), dictionary + "}");
          dictionary = "{";
        }
      }
    }
    if (s.ok() && in_pack) s = WritePart("p" + std::to_string(packs), pack + "]", pack_words + "]");
    bool has_alt = alt.size() > 1;
    if (s.ok() && has_alt) s = WritePart("a", alt + "]");
    if (!s.ok()) return s;
    alt += "]";
    // The part of other spellings stays for searches that read it; a short
    // one also rides in the manifest, saving a part to load.
    *manifest = "{\"records\":" + std::to_string(records) +
                ",\"chunk\":" + std::to_string(limits_.records_per_chunk) +
                ",\"rest\":" + std::to_string(rests_) + ",\"alt\":" + (has_alt ? "1" : "0") +
                ",\"heads\":" + head_map + "}" + ",\"keys\":" + keys + "]" +
                (alt.size() <= kInlineAltBytes ? ",\"alts\":" + alt : "") + "}";
    return Status::Ok();
  }

 private:
  void AddPostings(size_t index, const std::array<std::vector<SearchWord>, kFields>& fields,
                   size_t title_length) {
    hits_.clear();
    for (uint32_t f = 0; f < kFields; ++f) {
      for (uint32_t p = 0; p < fields[f].size(); ++p) {
        const SearchWord& w = fields[f][p];
        key_.assign(w.bare).push_back('\0');
        key_.append(w.alt);
        auto [id, added] = ids_.Find(key_, static_cast<uint32_t>(words_.size()));
        if (added) words_.push_back({w.bare, w.alt, {}, 0});
        hits_.push_back({id, f, p});
      }
    }
    std::sort(hits_.begin(), hits_.end());
    for (size_t k = 0; k < hits_.size();) {
      WordPostings& w = words_[hits_[k].word];
      std::string& out = w.posting;
      AppendIndexNumber(out, index - w.last_record);
      w.last_record = index;
      size_t end = k;
      unsigned mask = 0;
      while (end < hits_.size() && hits_[end].word == hits_[k].word)
        mask |= 1u << hits_[end++].field;
      AppendIndexNumber(out, mask);
      for (size_t j = k; j < end;) {
        size_t field_end = j;
        while (field_end < end && hits_[field_end].field == hits_[j].field) ++field_end;
        AppendIndexNumber(out, field_end - j);
        uint32_t previous = 0;
        for (size_t q = j; q < field_end; ++q) {
          AppendIndexNumber(out, hits_[q].position - previous);
          previous = hits_[q].position;
        }
        if (hits_[j].field == kTitle) AppendIndexNumber(out, title_length);
        j = field_end;
      }
      k = end;
    }
  }

  Status FlushChunk(size_t last_index) {
    Status s =
        WritePart("r" + std::to_string(last_index / limits_.records_per_chunk), chunk_ + "]");
    chunk_ = "[";
    return s;
  }

  Status FlushRest() {
    Status s = WritePart("x" + std::to_string(rests_++), rest_ + "]");
    rest_ = "[";
    return s;
  }

  Status WritePart(const std::string& name, const std::string& data,
                   const std::string& words = "") {
    const std::string path = dir_ + std::string(1, kPathSeparator) + name + ".js";
    int err = WriteNewFile(files_, path, PartText(name, data, words));
    return err == 0 ? Status::Ok() : CreateError(path, err);
  }

  std::string dir_;
  FileSystem& files_;
  IndexLimits limits_;
  std::string chunk_ = "[", rest_ = "[";
  size_t rests_ = 0;
  WordIds ids_;
  std::vector<WordPostings> words_;
  std::vector<Hit> hits_;
  std::string key_;
};

// A fresh version folder's name, unlike every one in the index folder.
std::string NewVersionName(const std::string& index_dir) {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  unsigned long long stamp = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  for (;; ++stamp) {
    char name[32];
    std::snprintf(name, sizeof name, "v%llx", stamp);
    std::error_code ec;
    if (!fs::exists(index_dir + "/" + name, ec)) return name;
  }
}

void RemoveVersions(const std::string& index_dir, const std::string& keep) {
  std::error_code ec;
  for (fs::directory_iterator it(index_dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code ignored;
    if (name != keep && IsVersionName(name) && it->is_directory(ignored)) {
      fs::remove_all(it->path(), ignored);
    }
  }
}

}  // namespace

void AppendIndexNumber(std::string& out, unsigned long long n) {
  unsigned groups[16];
  int count = 0;
  do {
    groups[count++] = static_cast<unsigned>(n & 31);
    n >>= 5;
  } while (n);
  for (int k = count - 1; k > 0; --k) out.push_back(kDigits[32 + groups[k]]);
  out.push_back(kDigits[groups[0]]);
}

// Records per r part: as many as hold about the chunk bytes of shown text
// (all but the keywords), from the records' average, so that a site whose
// records carry long texts keeps a query's loads small.
size_t ChunkRecords(const std::vector<std::string>& record_lines, const IndexLimits& limits) {
  if (record_lines.empty()) return limits.records_per_chunk;
  uint64_t shown = 0;
  for (const std::string& line : record_lines) {
    shown += line.size() - SearchRecordFields(RecordAfterNum(line))[3].size();
  }
  const uint64_t average = std::max<uint64_t>(1, shown / record_lines.size());
  return size_t(std::clamp<uint64_t>(limits.chunk_bytes / average, 1, limits.records_per_chunk));
}

Status WriteSearchIndex(const std::string& folder, const std::vector<std::string>& record_lines,
                        FileSystem& files, const IndexLimits& asked) {
  IndexLimits limits = asked;
  limits.records_per_chunk = ChunkRecords(record_lines, asked);
  const std::string index_dir = folder + kPathSeparator + std::string(kIndexFolder);
  if (int err = files.MakeFolder(index_dir); err != 0 && err != EEXIST) {
    return CreateError(index_dir, err);
  }
  const std::string version = NewVersionName(index_dir);
  const std::string dir = index_dir + kPathSeparator + version;
  if (int err = files.MakeFolder(dir); err != 0) return CreateError(dir, err);
  // Nothing of a version that failed stays behind; the manifest still names
  // the old one.
  auto fail = [&](Status s) {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return s;
  };
  IndexWriter writer(dir, files, limits);
  for (size_t i = 0; i < record_lines.size(); ++i) {
    Status s = writer.Add(i, record_lines[i]);
    if (!s.ok()) return fail(s);
  }
  std::string manifest;
  Status s = writer.Finish(record_lines.size(), &manifest);
  if (!s.ok()) return fail(s);
  manifest.insert(1, "\"version\":\"" + version + "\",");
  // The parts are written unflushed, then flushed all at once: the manifest
  // names them only once they are on the device.
  if (int err = files.SyncFiles(dir); err != 0) return fail(CreateError(dir, err));
  if (int err = files.SyncFolder(dir); err != 0) return fail(CreateError(dir, err));
  const std::string manifest_path = index_dir + kPathSeparator + std::string(kIndexManifest);
  const std::string manifest_text = PartText("manifest", manifest);
  if (int err = ReplaceFileWith(files, manifest_path, manifest_text); err != 0) {
    // Only the last flush failed when the manifest already names the new
    // version: that one must then stay.
    std::string now;
    int read_error = 0;
    if (!ReadWholeFile(manifest_path, &now, &read_error) || now != manifest_text) {
      return fail(CreateError(manifest_path, err));
    }
    RemoveVersions(index_dir, version);
    return CreateError(manifest_path, err);
  }
  RemoveVersions(index_dir, version);
  return Status::Ok();
}

Status RemoveSearchIndex(const std::string& folder) {
  const std::string index_dir = folder + kPathSeparator + std::string(kIndexFolder);
  const std::string manifest = index_dir + kPathSeparator + std::string(kIndexManifest);
  std::error_code ec;
  if (!fs::exists(index_dir, ec)) return Status::Ok();
  if (fs::exists(manifest, ec) && !fs::remove(manifest, ec)) {
    return Status::Error(FormatMessage(kCannotCreateFile, {manifest, SystemReason(ec.value())}));
  }
  RemoveVersions(index_dir, "");
  fs::remove(index_dir, ec);  // only when nothing else is in it
  return Status::Ok();
}

}  // namespace duvra
