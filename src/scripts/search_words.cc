#include "scripts/search_words.h"

#include <algorithm>
#include <array>
#include <map>

#include "base/address_scheme.h"
#include "base/ascii.h"
#include "database/text_encoding.h"

namespace duvra {
namespace {

struct FoldEntry {
  char32_t cp;
  char cls;  // 'L' letter, 'M' mark, 'N' number
  const char* folded;
};

constexpr FoldEntry kFoldTable[] = {
#include "scripts/fold_table.inc"
};

// The blocks the table covers; a character beyond them (and beyond ASCII)
// is one this generator does not read.
constexpr std::array<std::pair<char32_t, char32_t>, 3> kKnownBlocks = {
    {{0x80, 0x52f}, {0x1e00, 0x1eff}, {0x2000, 0x2bff}}};

const FoldEntry* FindFold(char32_t cp) {
  auto it = std::lower_bound(std::begin(kFoldTable), std::end(kFoldTable), cp,
                             [](const FoldEntry& e, char32_t c) { return e.cp < c; });
  return it != std::end(kFoldTable) && it->cp == cp ? it : nullptr;
}

bool Known(char32_t cp) {
  if (cp < 0x80) return true;
  for (auto [from, to] : kKnownBlocks) {
    if (cp >= from && cp <= to) return true;
  }
  return false;
}

// Characters that leave a text on the search's quick ASCII path: spaces,
// Latin-1 signs and general punctuation.
bool QuietNonAscii(char32_t cp) {
  return (cp >= 0xa0 && cp <= 0xbf) || cp == 0xd7 || cp == 0xf7 || (cp >= 0x2000 && cp <= 0x206f);
}

char Class(char32_t cp) {
  if (cp < 0x80) {
    if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z')) return 'L';
    if (cp >= '0' && cp <= '9') return 'N';
    return 0;
  }
  const FoldEntry* e = FindFold(cp);
  return e ? e->cls : 0;
}

// ---------- character references ----------
constexpr std::string_view kLatin1Names =
    "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy "
    "reg macr deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 "
    "frac12 frac34 iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute "
    "Ecirc Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times "
    "Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml "
    "aring aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve "
    "oacute ocirc otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml";
constexpr std::string_view kOtherRefs =
    "quot 34 amp 38 apos 39 lt 60 gt 62 QUOT 34 AMP 38 LT 60 GT 62 COPY 169 "
    "REG 174 excl 33 num 35 dollar 36 percnt 37 lpar 40 rpar 41 ast 42 plus 43 comma 44 "
    "period 46 sol 47 colon 58 semi 59 equals 61 quest 63 commat 64 lsqb 91 bsol 92 rsqb 93 "
    "Hat 94 lowbar 95 grave 96 lcub 123 verbar 124 rcub 125 half 189 centerdot 183 "
    "OElig 338 oelig 339 Scaron 352 scaron 353 Yuml 376 fnof 402 circ 710 tilde 732 "
    "Alpha 913 Beta 914 Gamma 915 Delta 916 Epsilon 917 Zeta 918 Eta 919 Theta 920 Iota 921 "
    "Kappa 922 Lambda 923 Mu 924 Nu 925 Xi 926 Omicron 927 Pi 928 Rho 929 Sigma 931 Tau 932 "
    "Upsilon 933 Phi 934 Chi 935 Psi 936 Omega 937 alpha 945 beta 946 gamma 947 delta 948 "
    "epsilon 949 zeta 950 eta 951 theta 952 iota 953 kappa 954 lambda 955 mu 956 nu 957 "
    "xi 958 omicron 959 pi 960 rho 961 sigmaf 962 sigma 963 tau 964 upsilon 965 phi 966 "
    "chi 967 psi 968 omega 969 thetasym 977 upsih 978 piv 982 ensp 8194 emsp 8195 "
    "thinsp 8201 hairsp 8202 zwnj 8204 zwj 8205 lrm 8206 rlm 8207 hyphen 8208 dash 8208 "
    "ndash 8211 mdash 8212 horbar 8213 lsquo 8216 rsquo 8217 sbquo 8218 ldquo 8220 "
    "rdquo 8221 bdquo 8222 dagger 8224 Dagger 8225 bull 8226 hellip 8230 permil 8240 "
    "prime 8242 Prime 8243 lsaquo 8249 rsaquo 8250 oline 8254 frasl 8260 euro 8364 "
    "image 8465 weierp 8472 real 8476 trade 8482 TRADE 8482 alefsym 8501 larr 8592 "
    "uarr 8593 rarr 8594 darr 8595 harr 8596 crarr 8629 lArr 8656 uArr 8657 rArr 8658 "
    "dArr 8659 hArr 8660 forall 8704 part 8706 exist 8707 empty 8709 nabla 8711 isin 8712 "
    "notin 8713 ni 8715 prod 8719 sum 8721 minus 8722 lowast 8727 radic 8730 prop 8733 "
    "infin 8734 ang 8736 and 8743 or 8744 cap 8745 cup 8746 int 8747 there4 8756 sim 8764 "
    "cong 8773 asymp 8776 ne 8800 equiv 8801 le 8804 ge 8805 sub 8834 sup 8835 nsub 8836 "
    "sube 8838 supe 8839 oplus 8853 otimes 8855 perp 8869 sdot 8901 lceil 8968 rceil 8969 "
    "lfloor 8970 rfloor 8971 loz 9674 spades 9824 clubs 9827 hearts 9829 diams 9830 "
    "starf 9733 star 9734 phone 9742 female 9792 male 9794 check 10003 lang 10216 "
    "rang 10217";
// What HTML reads for &#128; to &#159;: the windows-1252 characters.
constexpr char32_t kC1[32] = {8364, 129,  8218, 402,  8222, 8230, 8224, 8225, 710,  8240, 352,
                              8249, 338,  141,  381,  143,  144,  8216, 8217, 8220, 8221, 8226,
                              8211, 8212, 732,  8482, 353,  8250, 339,  157,  382,  376};
constexpr size_t kMaxLegacy = 6;

struct RefTables {
  std::map<std::string, char32_t, std::less<>> named, legacy;
  RefTables() {
    size_t i = 0, pos = 0;
    auto next = [](std::string_view list, size_t& at) {
      size_t end = list.find(' ', at);
      std::string word(list.substr(at, end - at));
      at = end == std::string_view::npos ? list.size() : end + 1;
      return word;
    };
    while (pos < kLatin1Names.size()) {
      std::string name = next(kLatin1Names, pos);
      named[name] = legacy[name] = static_cast<char32_t>(160 + i++);
    }
    pos = 0;
    while (pos < kOtherRefs.size()) {
      std::string name = next(kOtherRefs, pos);
      named[name] = static_cast<char32_t>(std::stoul(next(kOtherRefs, pos)));
    }
    for (const char* n : {"quot", "amp", "lt", "gt", "QUOT", "AMP", "LT", "GT", "COPY", "REG"}) {
      legacy[n] = named[n];
    }
  }
};

char32_t FromNumber(unsigned long long code) {
  if (code >= 128 && code <= 159) return kC1[code - 128];
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0xFFFD;
  return static_cast<char32_t>(code);
}

// Code points of UTF-8 text.
std::u32string CodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) out.push_back(NextCodePoint(text, pos));
  return out;
}

// The search's pattern of a word, on code points classed by `cls`: an
// optional leading dot (not after a word character or dot), letters and
// marks or digits and marks, then "++" or "#" when nothing word-like
// follows.
template <typename ClassOf, typename Visit>
void EachWord(const std::u32string& t, ClassOf cls, bool marks, Visit visit) {
  const size_t n = t.size();
  auto wordy = [&](size_t k) { return k < n && (cls(t[k]) == 'L' || cls(t[k]) == 'N'); };
  for (size_t i = 0; i < n;) {
    size_t j = i;
    if (t[i] == U'.' && wordy(i + 1) && (i == 0 || (t[i - 1] != U'.' && !cls(t[i - 1])))) {
      j = i + 1;
    } else if (!wordy(i)) {
      ++i;
      continue;
    }
    const char kind = cls(t[j]);
    size_t e = j + 1;
    while (e < n && (cls(t[e]) == kind || (marks && cls(t[e]) == 'M'))) ++e;
    if (e + 1 < n && t[e] == U'+' && t[e + 1] == U'+' &&
        !(wordy(e + 2) || (e + 2 < n && t[e + 2] == U'+'))) {
      e += 2;
    } else if (e < n && t[e] == U'#' && !wordy(e + 1)) {
      e += 1;
    }
    visit(i, e);
    i = e;
  }
}

void AppendFolded(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(AsciiLower(static_cast<char>(cp)));
  } else if (const FoldEntry* e = FindFold(cp)) {
    out.append(e->folded);
  } else {
    AppendUtf8(out, cp);
  }
}

bool IsUmlaut(char32_t cp) {
  return cp == 0xe4 || cp == 0xf6 || cp == 0xfc || cp == 0xc4 || cp == 0xd6 || cp == 0xdc;
}

}  // namespace

std::string DecodeSearchRefs(std::string_view text) {
  if (text.find('&') == std::string_view::npos) return std::string(text);
  static const RefTables tables;
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t amp = text.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(text.substr(i, amp - i));
    size_t p = amp + 1, n = text.size();
    char32_t single = 0;
    std::string replaced;
    size_t end = 0;
    if (p < n && text[p] == '#' && p + 1 < n && IsAsciiDigit(text[p + 1])) {
      size_t e = p + 1;
      while (e < n && IsAsciiDigit(text[e])) ++e;
      std::string_view digits = text.substr(p + 1, e - p - 1);
      single = FromNumber(digits.size() > 8 ? ~0ULL : std::stoull(std::string(digits)));
      end = e + (e < n && text[e] == ';' ? 1 : 0);
    } else if (p + 2 < n && text[p] == '#' && (text[p + 1] == 'x' || text[p + 1] == 'X') &&
               AsciiHexValue(text[p + 2]) >= 0) {
      size_t e = p + 2;
      while (e < n && AsciiHexValue(text[e]) >= 0) ++e;
      std::string_view digits = text.substr(p + 2, e - p - 2);
      single =
          FromNumber(digits.size() > 7 ? ~0ULL : std::stoull(std::string(digits), nullptr, 16));
      end = e + (e < n && text[e] == ';' ? 1 : 0);
    } else if (p < n && IsAsciiLetter(text[p])) {
      size_t e = p + 1;
      while (e < n && IsAsciiAlnum(text[e])) ++e;
      std::string_view name = text.substr(p, e - p);
      bool semi = e < n && text[e] == ';';
      end = e + (semi ? 1 : 0);
      auto it = tables.named.find(name);
      if (semi && it != tables.named.end()) {
        single = it->second;
      } else {
        bool done = false;
        for (size_t k = std::min(name.size(), kMaxLegacy); k >= 2 && !done; --k) {
          auto l = tables.legacy.find(name.substr(0, k));
          if (l == tables.legacy.end()) continue;
          AppendUtf8(replaced, l->second);
          replaced.append(name.substr(k)).append(semi ? ";" : "");
          done = true;
        }
        if (!done) replaced.assign(text.substr(amp, end - amp));
      }
    } else {
      out.push_back('&');
      i = p;
      continue;
    }
    if (single) {
      AppendUtf8(out, single);
    } else {
      out.append(replaced);
    }
    i = end;
  }
  out.append(text.substr(std::min(i, text.size())));
  return out;
}

std::optional<std::vector<SearchWord>> SearchFieldWords(std::string_view text) {
  std::vector<SearchWord> words;
  if (text.empty()) return words;
  const std::u32string t = CodePoints(text);
  bool quick = true;
  for (char32_t cp : t) {
    if (!Known(cp)) return std::nullopt;
    if (cp >= 0x80 && !QuietNonAscii(cp)) quick = false;
  }
  if (quick) {
    // ASCII words only, every other character parts them.
    auto ascii = [](char32_t cp) { return cp < 0x80 ? Class(cp) : 0; };
    EachWord(t, ascii, false, [&](size_t from, size_t to) {
      SearchWord w;
      for (size_t k = from; k < to; ++k) AppendFolded(w.bare, t[k]);
      words.push_back(std::move(w));
    });
    return words;
  }
  EachWord(t, Class, true, [&](size_t from, size_t to) {
    SearchWord w;
    bool umlaut = false;
    for (size_t k = from; k < to; ++k) {
      AppendFolded(w.bare, t[k]);
      umlaut = umlaut || IsUmlaut(t[k]) ||
               (t[k] == 0x308 && k > from &&
                std::u32string_view(U"aouAOU").find(t[k - 1]) != std::u32string_view::npos);
    }
    if (umlaut) {
      // The umlaut written as its vowel and "e", then folded.
      for (size_t k = from; k < to; ++k) {
        char32_t c = t[k];
        if (IsUmlaut(c)) {
          const char32_t base = c == 0xe4   ? 'a'
                                : c == 0xf6 ? 'o'
                                : c == 0xfc ? 'u'
                                : c == 0xc4 ? 'A'
                                : c == 0xd6 ? 'O'
                                            : 'U';
          AppendFolded(w.alt, base);
          w.alt.push_back('e');
        } else if (k + 1 < to && t[k + 1] == 0x308 &&
                   std::u32string_view(U"aouAOU").find(c) != std::u32string_view::npos) {
          AppendFolded(w.alt, c);
          w.alt.push_back('e');
          ++k;
        } else {
          AppendFolded(w.alt, c);
        }
      }
    }
    words.push_back(std::move(w));
  });
  return words;
}

std::pair<std::string, std::string> SearchAddressParts(std::string_view url) {
  std::string path(url.substr(0, std::min(url.find_first_of("?#"), url.size())));
  // A scheme and server name say nothing about the page.
  if (StartsWithScheme(path)) {
    const size_t slash = path.find('/', SchemeOf(path).size() + 3);
    path.erase(0, slash == std::string::npos ? path.size() : slash);
  }
  auto trim_slashes = [](std::string& s) {
    while (!s.empty() && s.back() == '/') s.pop_back();
  };
  auto drop_type = [](std::string name) {
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot - 1 >= 1 && name.size() - dot - 1 <= 5 &&
        std::all_of(name.begin() + dot + 1, name.end(), IsAsciiAlnum)) {
      name.erase(dot);
    }
    return name;
  };
  trim_slashes(path);
  size_t cut = path.rfind('/');
  size_t from = cut == std::string::npos ? 0 : cut + 1;
  std::string name = drop_type(path.substr(from));
  std::string folders = path.substr(0, from);
  const std::string lower = LowerAscii(name);
  if (lower == "index" || lower == "default") {
    trim_slashes(folders);
    cut = folders.rfind('/');
    from = cut == std::string::npos ? 0 : cut + 1;
    name = folders.substr(from);
    folders.erase(from);
  }
  return {name, folders};
}

std::string_view SearchWordKey(std::string_view bare) {
  return !bare.empty() && bare[0] == '.' ? bare.substr(1) : bare;
}

bool SearchKeyLess(std::string_view a, std::string_view b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  if (at == a.size() || at == b.size()) return a.size() < b.size();
  // Both differ within one character; only a four-byte one against one of
  // U+E000..U+FFFF (lead bytes EE, EF) compares otherwise than its bytes.
  while (at > 0 && (static_cast<unsigned char>(a[at]) & 0xC0) == 0x80) --at;
  const unsigned char la = a[at], lb = b[at];
  if (la >= 0xF0 && (lb == 0xEE || lb == 0xEF)) return true;
  if (lb >= 0xF0 && (la == 0xEE || la == 0xEF)) return false;
  return a.substr(at) < b.substr(at);
}

std::string SearchWordHead(std::string_view bare) {
  bare = SearchWordKey(bare);
  size_t pos = 0;
  for (int k = 0; k < 2 && pos < bare.size(); ++k) NextCodePoint(bare, pos);
  return std::string(bare.substr(0, pos));
}

std::vector<std::string_view> SearchRecordFields(std::string_view record) {
  std::vector<std::string_view> f;
  for (size_t from = 0; f.size() < 4;) {
    size_t to = record.find('^', from);
    f.push_back(record.substr(from, to - from));
    if (to == std::string_view::npos) {
      from = record.size() + 1;
      break;
    }
    from = to + 1;
    if (f.size() == 4) f.push_back(record.substr(from));
  }
  while (f.size() < 5) f.push_back({});
  return f;
}

}  // namespace duvra
