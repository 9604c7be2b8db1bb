#include "corpus.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace bench {

namespace {

// xorshift64*: fast, and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15u + 1) {}
  std::uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Du;
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>((Next() >> 32) % n); }

 private:
  std::uint64_t state_;
};

std::uint64_t Seed(const std::string& text) {
  std::uint64_t hash = 1469598103934665603u;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211u;
  return hash;
}

// One character of the abstract text: a JIS X 0208 row and cell (rows 1-94),
// or a code point for the Unicode encodings, or ASCII.
struct Character {
  enum Kind : std::uint8_t { Ascii, Jis, HalfWidthKana, JisX0212, Cp932Extension } kind;
  std::uint32_t code;     // ASCII byte, seven-bit JIS value, kana byte or Shift_JIS pair
  std::uint32_t unicode;  // what the Unicode encodings write
};

// Valid characters, grouped the way Japanese prose uses them.
struct Repertoire {
  std::vector<std::uint32_t> hiragana;  // JIS row 4
  std::vector<std::uint32_t> katakana;  // row 5
  std::vector<std::uint32_t> kanji;     // rows 16-84
  std::vector<std::uint32_t> symbols;   // row 1
  std::vector<std::uint32_t> jisX0212;
  std::vector<std::uint32_t> cp932Extensions;  // Shift_JIS pairs only code page 932 has
  std::vector<std::uint32_t> all;              // every JIS X 0208 character

  Repertoire() {
    CodeSet shiftJis;
    CodeSet cp932;
    CodeSet supplementary;
    shiftJis.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
    cp932.LoadRanges(kCp932Ranges, kCp932RangesLength);
    supplementary.LoadRanges(kJisX0212Ranges, kJisX0212RangesLength);
    for (std::uint32_t row = 1; row <= 94; ++row) {
      for (std::uint32_t cell = 1; cell <= 94; ++cell) {
        std::uint32_t jis = (row + 0x20) << 8 | (cell + 0x20);
        std::int32_t code = JisToShiftJis(jis);
        if (supplementary.Contains(jis) && row >= 16) jisX0212.push_back(jis);
        if (code == kInvalidShiftJis || !shiftJis.Contains(static_cast<std::uint32_t>(code)))
          continue;
        all.push_back(jis);
        if (row == 4) hiragana.push_back(jis);
        if (row == 5) katakana.push_back(jis);
        if (row >= 16 && row <= 84) kanji.push_back(jis);
        if (row == 1 && cell <= 30) symbols.push_back(jis);
      }
    }
    for (std::uint32_t code = 0x8100; code <= 0xFCFF; ++code) {
      if (IsShiftJisLeadByte(static_cast<int>(code >> 8)) && cp932.Contains(code) &&
          !shiftJis.Contains(code)) {
        cp932Extensions.push_back(code);
      }
    }
  }
};

class TextWriter {
 public:
  TextWriter(const std::string& encoding, std::uint64_t seed, bool edgeCases = false)
      : encoding_(encoding), random_(seed), edgeCases_(edgeCases) {}

  // Appends one stretch of Japanese characters and one of ASCII to `out`.
  void AppendStretch(std::string& out) {
    AppendJapanese(out, 4 + random_.Below(28));
    AppendAscii(out, 8 + random_.Below(41));
  }

  // Appends one line of comma-separated fields, shaped like dictionary and
  // CSV data: runs of one to eight Japanese characters between numbers and
  // short ASCII words.
  void AppendRecord(std::string& out) {
    for (std::uint32_t fields = 4 + random_.Below(7); fields > 0; --fields) {
      std::uint32_t kind = random_.Below(5);
      if (kind < 3) {
        AppendJapanese(out, 1 + random_.Below(8));
      } else {
        for (std::uint32_t n = 1 + random_.Below(6); n > 0; --n) {
          PutAscii(out, kind == 3 ? '0' + random_.Below(10) : 'a' + random_.Below(26));
        }
      }
      PutAscii(out, fields > 1 ? ',' : '\n');
    }
  }

  // Appends `count` Japanese characters, shifted in and out in ISO-2022-JP.
  void AppendJapanese(std::string& out, std::uint32_t count) {
    if (edgeCases_ && random_.Below(3) == 0) return AppendEdgeCases(out, count);
    bool shifted = false;
    for (; count > 0; --count) {
      Character c = Japanese();
      if (encoding_ == "iso-2022-jp" && !shifted) {
        out += "\x1b$B";
        shifted = true;
      }
      Put(out, c);
    }
    if (shifted) out += "\x1b(B";
  }

  // Appends ASCII words and line breaks until `size` more bytes of text.
  void AppendAscii(std::string& out, std::size_t size) {
    static constexpr const char* kSeparators[] = {" ", " ", " ",  ", ",   ". ", "\n", "(",
                                                  ")", "-", ": ", "\r\n", "\t", "~"};
    std::size_t written = 0;
    while (written < size) {
      std::uint32_t letters = 1 + random_.Below(9);
      for (std::uint32_t i = 0; i < letters; ++i) {
        char c = random_.Below(10) == 0 ? static_cast<char>('0' + random_.Below(10))
                                        : static_cast<char>('a' + random_.Below(26));
        PutAscii(out, c);
      }
      written += letters;
      for (const char* s = kSeparators[random_.Below(edgeCases_ ? 13 : 10)]; *s != 0;
           ++s, ++written) {
        PutAscii(out, *s);
      }
    }
  }

 private:
  // Forms the program accepts that real text seldom has, for the tests:
  // characters from every row, kana and JIS X 0212 in their own forms, the
  // leniencies of the UTF-8 and ISO-2022-JP checks, units at the edges of
  // UTF-16.
  void AppendEdgeCases(std::string& out, std::uint32_t count) {
    if (encoding_ == "utf8") {
      static constexpr const char* kForms[] = {
          "\xC0\x80",         "\xE0\x80\x80", "\xF8\x88\x80\x80\x80", "\xE3\xC1\xFF",
          "\xF7\xBF\xBF\xBF", "\xEF\xBB\xBF", "\xEF\xBF\xBF",         "\xF0\x9F\x98\x80"};
      for (; count > 0; --count) out += kForms[random_.Below(8)];
    } else if (encoding_.compare(0, 5, "utf16") == 0) {
      for (; count > 0; --count) {
        std::uint32_t roll = random_.Below(3);
        Put(out, {Character::Ascii, 0,
                  roll == 0   ? 0xFEFFu
                  : roll == 1 ? 0xFFFFu
                              : 0x10000u + random_.Below(0x100000)});
      }
    } else if (encoding_ == "iso-2022-jp") {
      // JIS X 0201 Roman (no line breaks inside), or pairs with the high
      // bits set, which the mapping ignores.
      bool roman = random_.Below(2) == 0;
      out += roman ? "\x1b(J" : "\x1b$B";
      for (; count > 0; --count) {
        if (roman) {
          out += static_cast<char>(0x21 + random_.Below(0x5E));
        } else {
          std::uint32_t jis = Pick(repertoire_.all) | (random_.Below(2) == 0 ? 0x8080 : 0);
          out += static_cast<char>(jis >> 8);
          out += static_cast<char>(jis);
        }
      }
      out += "\x1b(B";
    } else {
      for (; count > 0; --count) {
        std::uint32_t roll = random_.Below(3);
        if (roll == 0) {
          Put(out, {Character::HalfWidthKana, 0xA1 + random_.Below(0xDF - 0xA1 + 1), 0});
        } else if (roll == 1 && encoding_ == "euc-jp") {
          Put(out, {Character::JisX0212, Pick(repertoire_.jisX0212), 0});
        } else if (roll == 1 && encoding_ == "windows-31j") {
          Put(out, {Character::Cp932Extension, Pick(repertoire_.cp932Extensions), 0});
        } else {
          Put(out, {Character::Jis, Pick(repertoire_.all), 0});
        }
      }
    }
  }

  void PutAscii(std::string& out, std::uint32_t c) {
    Put(out, {Character::Ascii, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c)});
  }

  std::uint32_t Pick(const std::vector<std::uint32_t>& pool) {
    return pool[random_.Below(static_cast<std::uint32_t>(pool.size()))];
  }

  Character Japanese() {
    std::uint32_t roll = random_.Below(100);
    if (roll < 45) {
      std::uint32_t jis = Pick(repertoire_.hiragana);
      return {Character::Jis, jis, 0x3040 + (jis & 0xFF) - 0x20};
    }
    if (roll < 55) {
      std::uint32_t jis = Pick(repertoire_.katakana);
      return {Character::Jis, jis, 0x30A0 + (jis & 0xFF) - 0x20};
    }
    if (roll < 60) {
      std::uint32_t jis = Pick(repertoire_.symbols);
      return {Character::Jis, jis, 0xFF01 + random_.Below(0x5E)};
    }
    if (roll == 60 &&
        (encoding_ == "shift_jis" || encoding_ == "windows-31j" || encoding_ == "euc-jp")) {
      return {Character::HalfWidthKana, 0xA1 + random_.Below(0xDF - 0xA1 + 1), 0};
    }
    if (roll == 61 && encoding_ == "euc-jp")
      return {Character::JisX0212, Pick(repertoire_.jisX0212), 0};
    if (roll == 61 && encoding_ == "windows-31j") {
      return {Character::Cp932Extension, Pick(repertoire_.cp932Extensions), 0};
    }
    if (roll == 62)
      return {Character::Jis, Pick(repertoire_.kanji), 0x20000 + random_.Below(0xA6D6)};
    return {Character::Jis, Pick(repertoire_.kanji), 0x4E00 + random_.Below(0x9FA6 - 0x4E00)};
  }

  void Put(std::string& out, const Character& c) {
    if (encoding_ == "utf8") {
      PutUtf8(out, c.unicode);
    } else if (encoding_.compare(0, 5, "utf16") == 0) {
      if (c.unicode >= 0x10000) {
        PutUnit(out, 0xD800 + ((c.unicode - 0x10000) >> 10));
        PutUnit(out, 0xDC00 + ((c.unicode - 0x10000) & 0x3FF));
      } else {
        PutUnit(out, c.unicode);
      }
    } else if (c.kind == Character::Ascii || c.kind == Character::HalfWidthKana) {
      if (c.kind == Character::HalfWidthKana && encoding_ == "euc-jp") out += '\x8E';
      out += static_cast<char>(c.code);
    } else if (c.kind == Character::Cp932Extension) {
      out += static_cast<char>(c.code >> 8);
      out += static_cast<char>(c.code);
    } else if (encoding_ == "euc-jp") {
      if (c.kind == Character::JisX0212) out += '\x8F';
      out += static_cast<char>(c.code >> 8 | 0x80);
      out += static_cast<char>(c.code | 0x80);
    } else if (encoding_ == "iso-2022-jp") {
      out += static_cast<char>(c.code >> 8);
      out += static_cast<char>(c.code);
    } else {
      std::uint32_t code = static_cast<std::uint32_t>(JisToShiftJis(c.code));
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code);
    }
  }

  void PutUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  // "utf16" text carries a big-endian byte-order mark; see WriteCorpus.
  void PutUnit(std::string& out, std::uint32_t unit) {
    if (encoding_ == "utf16le") {
      out += static_cast<char>(unit);
      out += static_cast<char>(unit >> 8);
    } else {
      out += static_cast<char>(unit >> 8);
      out += static_cast<char>(unit);
    }
  }

  static const Repertoire repertoire_;
  std::string encoding_;
  Random random_;
  bool edgeCases_;
};

const Repertoire TextWriter::repertoire_;

}  // namespace

std::string MakeText(CorpusKind kind, const std::string& encoding, std::size_t size,
                     std::uint64_t seed, bool edgeCases) {
  TextWriter text(encoding, seed, edgeCases);
  std::string out;
  if (kind != CorpusKind::Ascii && encoding == "utf16") out = "\xFE\xFF";
  while (out.size() < size) {
    if (kind == CorpusKind::Mixed) {
      text.AppendRecord(out);
    } else if (kind == CorpusKind::Ascii) {
      text.AppendAscii(out, 64);
    } else {
      text.AppendStretch(out);
    }
  }
  return out;
}

bool WriteCorpus(const std::string& path, CorpusKind kind, const std::string& encoding,
                 std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  Random random(Seed(path.substr(path.find_last_of('/') + 1)));
  TextWriter text(kind == CorpusKind::Ascii ? "ascii" : encoding, random.Next());
  std::string block;
  std::size_t written = 0;
  bool ok = true;
  if (kind != CorpusKind::Ascii && kind != CorpusKind::Random && encoding == "utf16") {
    block = "\xFE\xFF";
  }
  while (ok && written < size) {
    while (block.size() < (std::size_t{1} << 20)) {
      if (kind == CorpusKind::Random) {
        std::uint64_t bits = random.Next();
        block.append(reinterpret_cast<const char*>(&bits), sizeof bits);
      } else if (kind == CorpusKind::Ascii) {
        text.AppendAscii(block, 64);
      } else if (kind == CorpusKind::Mixed) {
        text.AppendRecord(block);
      } else {
        text.AppendStretch(block);
      }
    }
    ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    written += block.size();
    block.clear();
  }
  return std::fclose(file) == 0 && ok;
}

}  // namespace bench
}  // namespace codvet
