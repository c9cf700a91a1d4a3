#include "scripts/search_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/text_encoding.h"
#include "scripts/create_scripts.h"
#include "scripts/search_words.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

FileSystem& Disk() { return DefaultFileSystem(); }

std::vector<std::string> Records(int n, const std::string& word) {
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) {
    lines.push_back(std::to_string(i) + "^Page " + std::to_string(i) + " " + word + "^/p" +
                    std::to_string(i) + ".html^Text of a page about " + word +
                    "^alpha beta gamma delta " + word + (i % 5 ? "" : " \xE6\x9D\xB1\xE4\xBA\xAC") +
                    "^0");
  }
  return lines;
}

// One number of the postings' text at `at`, read as the search reads it,
// moving past it; nothing for a character outside the alphabet.
std::optional<unsigned long long> ReadIndexNumber(const std::string& text, size_t& at) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  for (unsigned long long v = 0;;) {
    auto d = digits.find(text.at(at++));
    if (d == std::string::npos) return std::nullopt;
    if (d < 32) return v * 32 + d;
    v = v * 32 + d - 32;
  }
}

class SearchIndexTest : public ::testing::Test {
 protected:
  std::string Dir() { return site_.path() + std::string(kIndexFolder); }
  std::string Manifest() { return ReadFile(Dir() + "/" + std::string(kIndexManifest)); }
  // The version folders, and every file of the folder with its contents.
  std::vector<std::string> Versions() {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(Dir())) {
      if (e.is_directory()) v.push_back(e.path().filename().string());
    }
    return v;
  }
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(Dir())) {
      if (e.is_regular_file()) files[e.path().string()] = ReadFile(e.path().string());
    }
    return files;
  }
  std::string Folder() {
    std::string f = site_.path();
    f.pop_back();
    return f;
  }

  TempDir site_;
  IndexLimits small_{
      .records_per_chunk = 4, .pack_bytes = 64, .dictionary_bytes = 64, .rest_bytes = 64};
};

TEST_F(SearchIndexTest, ANewVersionReplacesTheOldWhole) {
  ASSERT_TRUE(WriteSearchIndex(Folder(), Records(30, "first"), Disk(), small_).ok());
  auto first = Versions();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NE(Manifest().find("\"version\":\"" + first[0] + "\""), std::string::npos);
  // Several parts of every kind, each a call of the search's callback.
  auto files = Snapshot();
  for (const char* kind : {"/d0.js", "/p1.js", "/r7.js", "/x1.js"}) {
    auto it = files.find(Dir() + "/" + first[0] + kind);
    ASSERT_NE(it, files.end()) << kind;
    EXPECT_EQ(it->second.rfind("duv_index_part(\"", 0), 0u);
  }
  WriteFile(Dir() + "/README.txt", "the owner's own file");
  ASSERT_TRUE(WriteSearchIndex(Folder(), Records(30, "second"), Disk(), small_).ok());
  auto second = Versions();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0], first[0]);
  EXPECT_NE(Manifest().find(second[0]), std::string::npos);
  EXPECT_EQ(ReadFile(Dir() + "/README.txt"), "the owner's own file");
}

// Whichever write fails, the manifest and the version it names stay exactly
// as they were, and nothing of the new version is left.
TEST_F(SearchIndexTest, AFailedWriteLeavesTheOldIndexInUse) {
  ASSERT_TRUE(WriteSearchIndex(Folder(), Records(30, "old"), Disk(), small_).ok());
  const auto before = Snapshot();
  testing::FaultyFileSystem faulty;
  {
    TempDir other;
    std::string f = other.path();
    f.pop_back();
    faulty.FailAt(0);
    ASSERT_TRUE(WriteSearchIndex(f, Records(30, "new"), faulty, small_).ok());
  }
  const int steps = faulty.steps();
  // The parts are flushed together, not one by one.
  const auto syncs =
      std::count_if(faulty.log().begin(), faulty.log().end(),
                    [](const std::string& step) { return step.rfind("sync", 0) == 0; });
  EXPECT_LE(syncs, 4) << steps << " steps";
  ASSERT_GT(steps, 40);
  for (int fail_at : {1, 2, 3, steps / 2, steps - 3, steps - 2, steps - 1, steps}) {
    faulty.FailAt(fail_at, ENOSPC);
    Status s = WriteSearchIndex(Folder(), Records(30, "new"), faulty, small_);
    ASSERT_TRUE(faulty.fired()) << fail_at;
    ASSERT_FALSE(s.ok()) << fail_at;
    EXPECT_NE(s.message().find(SystemReason(ENOSPC)), std::string::npos) << s.message();
    // Up to the manifest's rename the old index stays; after it (its
    // folder's flush failing) the new one is whole.
    if (fail_at < steps) {
      EXPECT_EQ(Snapshot(), before)
          << "failing step " << fail_at << ": " << faulty.log()[fail_at - 1];
    } else {
      auto versions = Versions();
      ASSERT_EQ(versions.size(), 1u);
      EXPECT_NE(Manifest().find(versions[0]), std::string::npos);
      EXPECT_NE(Snapshot(), before);
    }
  }
}

TEST_F(SearchIndexTest, RemovingTakesTheManifestAndVersionsOnly) {
  ASSERT_TRUE(WriteSearchIndex(Folder(), Records(3, "x"), Disk(), small_).ok());
  fs::create_directory(Dir() + "/images");
  ASSERT_TRUE(RemoveSearchIndex(Folder()).ok());
  EXPECT_FALSE(fs::exists(Dir() + "/" + std::string(kIndexManifest)));
  EXPECT_EQ(Versions(), std::vector<std::string>{"images"});
  fs::remove(Dir() + "/images");
  ASSERT_TRUE(RemoveSearchIndex(Folder()).ok());
  EXPECT_FALSE(fs::exists(Dir()));
  EXPECT_TRUE(RemoveSearchIndex(Folder()).ok());  // nothing to remove
}

// The postings' numbers read back as the search reads them.
// Records with long texts come in smaller record parts, so that what a
// query shows stays small to load (long keywords, never shown, don't
// count); every record stands in the part and slot that the search works
// out from the manifest's chunk.
TEST_F(SearchIndexTest, LongTextsComeInSmallerRecordParts) {
  std::string keywords;
  while (keywords.size() < 5000) keywords += "alpha beta gamma ";
  for (auto [text_bytes, chunk] : {std::pair{0, 64}, {2000, 8}, {40000, 1}}) {
    SCOPED_TRACE(text_bytes);
    std::vector<std::string> lines;
    for (int i = 0; i < 70; ++i) {
      const std::string n = std::to_string(i);
      lines.push_back(n + "^Page " + n + "^/p" + n + ".html^" + std::string(text_bytes, 'x') + "^" +
                      keywords + "^0");
    }
    ASSERT_TRUE(WriteSearchIndex(Folder(), lines, Disk(), {}).ok());
    EXPECT_NE(Manifest().find("\"chunk\":" + std::to_string(chunk) + ","), std::string::npos);
    const std::string dir = Dir() + "/" + Versions().at(0) + "/";
    for (int part = 0; part * chunk < 70; ++part) {
      const std::string text = ReadFile(dir + "r" + std::to_string(part) + ".js");
      // ["record","record",...]: the records hold no quotes here.
      const size_t to = text.rfind("\"]");
      std::vector<std::string> slots;
      for (size_t at = text.find("[\"") + 2;;) {
        const size_t end = std::min(text.find("\",\"", at), to);
        slots.push_back(text.substr(at, end - at));
        if (end == to) break;
        at = end + 3;
      }
      ASSERT_EQ(int(slots.size()), std::min(chunk, 70 - part * chunk)) << part;
      for (int slot = 0; slot < int(slots.size()); ++slot) {
        EXPECT_EQ(slots[slot].rfind("Page " + std::to_string(part * chunk + slot) + "^", 0), 0u)
            << slots[slot];
        EXPECT_EQ(slots[slot].find("alpha"), std::string::npos);
      }
    }
    EXPECT_FALSE(fs::exists(dir + "r" + std::to_string((69 / chunk) + 1) + ".js"));
  }
}

TEST(IndexNumberTest, ReadsBackForAnyValue) {
  std::mt19937_64 rng(5);
  std::vector<unsigned long long> values = {0, 1, 31, 32, 1023, 1024, (1ULL << 40) + 7};
  for (int i = 0; i < 2000; ++i) values.push_back(rng() >> (rng() % 64));
  std::string text;
  for (auto v : values) AppendIndexNumber(text, v);
  size_t at = 0;
  for (auto expected : values) {
    auto v = ReadIndexNumber(text, at);
    ASSERT_TRUE(v.has_value());
    ASSERT_EQ(*v, expected);
  }
  EXPECT_EQ(at, text.size());
}

// Many distinct words, each held by records of its own choosing: every word
// has exactly one dictionary entry, which names the pack slot that holds its
// word and its posting, and the posting lists exactly the records that hold
// it (the word table grows many times over on the way). Packs stand in the
// order of their words' keys, which the manifest lists pack by pack, so the
// search finds a word's pack from its key alone; a key never spans two.
TEST_F(SearchIndexTest, EveryWordListsTheRecordsThatHoldIt) {
  constexpr int kWords = 6000, kRecords = 400;
  // Letters only: letters and digits part words. Some are the word before
  // with a leading dot, which files them under the same key.
  auto name = [](int w) {
    const bool dot = w % 7 == 3;
    w -= dot;
    return std::string(dot ? "." : "") + "zq" + char('a' + w / 676) + char('a' + w / 26 % 26) +
           char('a' + w % 26);
  };
  auto key = [](const std::string& w) { return w[0] == '.' ? w.substr(1) : w; };
  std::mt19937 rng(3);
  std::vector<std::set<int>> holders(kWords);
  std::vector<std::string> lines;
  for (int r = 0; r < kRecords; ++r) {
    std::string keywords;
    for (int k = 0; k < 40; ++k) {
      int w = static_cast<int>(rng() % kWords);
      if (!holders[w].insert(r).second) continue;
      keywords += " " + name(w);
    }
    lines.push_back(std::to_string(r) + "^Page^/p.html^Text^" + keywords + "^0");
  }
  IndexLimits limits;
  limits.pack_bytes = 300;
  ASSERT_TRUE(WriteSearchIndex(Folder(), lines, Disk(), limits).ok());
  std::string version = Versions().at(0), dir = Dir() + "/" + version + "/";
  // Each pack's postings and words, in slot order.
  const std::regex entry("\\[\"(\\.?zq[a-z]+)\",\"\",([0-9]+),([0-9]+)\\]"), quoted("\"([^\"]*)\"");
  auto strings = [&](const std::string& text) {
    std::vector<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), quoted), end; it != end; ++it) {
      out.push_back((*it)[1]);
    }
    return out;
  };
  std::map<int, std::vector<std::string>> postings, words;
  std::map<std::string, std::pair<int, int>> entries;
  for (auto& e : fs::directory_iterator(dir)) {
    std::string file = e.path().filename().string(), text = ReadFile(e.path().string());
    if (file[0] == 'd') {
      for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it) {
        ASSERT_TRUE(
            entries.emplace((*it)[1], std::pair(std::stoi((*it)[2]), std::stoi((*it)[3]))).second)
            << (*it)[1] << " has two entries";
      }
    } else if (file[0] == 'p') {
      // duv_index_part("pN",[postings],[bare,alt,...]);
      size_t split = text.find("],[");
      ASSERT_NE(split, std::string::npos) << file << " lists no words";
      int pack = std::stoi(file.substr(1));
      postings[pack] = strings(text.substr(text.find(',') + 1, split - text.find(',')));
      words[pack] = strings(text.substr(split + 2));
      ASSERT_EQ(words[pack].size(), 2 * postings[pack].size()) << file;
    }
  }
  ASSERT_GT(postings.size(), 20u);
  // The manifest's keys: the first word's key of every pack, rising.
  std::string manifest = Manifest();
  size_t keys_at = manifest.find("\"keys\":[");
  ASSERT_NE(keys_at, std::string::npos);
  std::vector<std::string> keys =
      strings(manifest.substr(keys_at + 8, manifest.find(']', keys_at) - keys_at - 8));
  ASSERT_EQ(keys.size(), postings.size());
  std::string previous;
  for (auto& [pack, list] : words) {
    ASSERT_LT(pack, static_cast<int>(keys.size()));
    EXPECT_EQ(keys[pack], key(list[0])) << "pack " << pack;
    if (pack > 0) {
      EXPECT_LT(previous, keys[pack]) << "a key spans packs " << pack - 1 << ", " << pack;
    }
    for (size_t k = 0; k < list.size(); k += 2) {
      EXPECT_LE(previous, key(list[k])) << list[k];
      previous = key(list[k]);
    }
  }
  for (int w = 0; w < kWords; ++w) {
    auto found = entries.find(name(w));
    if (holders[w].empty()) {
      EXPECT_EQ(found, entries.end());
      continue;
    }
    ASSERT_NE(found, entries.end()) << name(w);
    auto [pack, slot] = found->second;
    EXPECT_EQ(words.at(pack).at(2 * slot), name(w));
    const std::string& posting = postings.at(pack).at(slot);
    size_t at = 0;
    auto number = [&] { return ReadIndexNumber(posting, at).value(); };
    std::set<int> listed;
    for (unsigned long long record = 0; at < posting.size();) {
      listed.insert(static_cast<int>(record += number()));
      unsigned long long mask = number();
      for (int f = 0; f < 5; ++f) {
        if (!(mask & (1u << f))) continue;
        for (unsigned long long n = number() + (f == 0 ? 1 : 0); n > 0; --n) number();
      }
    }
    EXPECT_EQ(listed, holders[w]) << name(w);
  }
}

// The search compares keys as UTF-16 strings; the generator's order must be
// that one for any characters, not UTF-8's.
TEST(SearchKeyOrderTest, AgreesWithUtf16ForAnyCharacters) {
  // Characters from each range whose order differs between the encodings.
  const char32_t pool[] = {U'a',   U'z',   0xE9,   0x7FF,   0x800,   0xD7FF,  0xE000,
                           0xFB01, 0xFFFD, 0xFFFF, 0x10000, 0x1D400, 0x20000, 0x10FFFF};
  std::mt19937 rng(11);
  auto utf8 = [](const std::u32string& s) {
    std::string out;
    for (char32_t c : s) AppendUtf8(out, c);
    return out;
  };
  auto utf16 = [](const std::u32string& s) {
    std::u16string out;
    for (char32_t c : s) {
      if (c < 0x10000) {
        out += static_cast<char16_t>(c);
      } else {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
    }
    return out;
  };
  for (int n = 0; n < 20000; ++n) {
    std::u32string a, b;
    for (int k = static_cast<int>(rng() % 4); k >= 0; --k) a += pool[rng() % std::size(pool)];
    // Often sharing a beginning, as neighbouring keys do.
    b = a.substr(0, rng() % (a.size() + 1));
    for (int k = static_cast<int>(rng() % 3); k >= 0; --k) b += pool[rng() % std::size(pool)];
    EXPECT_EQ(SearchKeyLess(utf8(a), utf8(b)), utf16(a) < utf16(b));
    EXPECT_EQ(SearchKeyLess(utf8(b), utf8(a)), utf16(b) < utf16(a));
  }
}

// The generator reads words as the search does; the browser test compares
// whole searches, these pin the shapes that have their own rules.
TEST(SearchWordsTest, WordsAsTheSearchCutsAndFoldsThem) {
  auto bare = [](std::string_view text) {
    std::vector<std::string> out;
    auto words = SearchFieldWords(DecodeSearchRefs(text));
    for (auto& w : *words) out.push_back(w.bare + "|" + w.alt);
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(bare("C++ and c#, .NET 9.7. node.js x.5"),
            (V{"c++|", "and|", "c#|", ".net|", "9|", "7|", "node|", "js|", "x|", "5|"}));
  EXPECT_EQ(bare("Locks1334 utf8"), (V{"locks|", "1334|", "utf|", "8|"}));
  EXPECT_EQ(bare("Gr\xC3\xB6\xC3\x9F"
                 "e Caf&eacute; d&#233;j&#xE0; &ampx"),
            (V{"grosse|groesse", "cafe|", "deja|", "x|"}));
  EXPECT_EQ(bare("\xC2\xB5s \xC2\xBD what\xE2\x80\x99s"), (V{"s|", "what|", "s|"}));
  EXPECT_EQ(bare("\xC2\xB5s \xC3\xA9"), (V{"\xCE\xBCs|", "e|"}));
  EXPECT_FALSE(SearchFieldWords("\xE0\xB8\xA0\xE0\xB8\xB2\xE0\xB8\xA9\xE0\xB8\xB2").has_value());
  EXPECT_EQ(SearchAddressParts("http://a.example/docs/admin/index.html?x=1#y"),
            (std::pair<std::string, std::string>{"admin", "/docs/"}));
  EXPECT_EQ(SearchAddressParts("/sql-copy.html"),
            (std::pair<std::string, std::string>{"sql-copy", "/"}));
}

}  // namespace
}  // namespace duvra
