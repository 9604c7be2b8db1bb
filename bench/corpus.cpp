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
  TextWriter(const std::string& encoding, std::uint64_t seed)
      : encoding_(encoding), random_(seed) {}

  // Appends one stretch of Japanese characters and one of ASCII to `out`.
  void AppendStretch(std::string& out) {
    bool shifted = false;
    for (std::uint32_t n = 4 + random_.Below(28); n > 0; --n) {
      Character c = Japanese();
      if (encoding_ == "iso-2022-jp" && !shifted) {
        out += "\x1b$B";
        shifted = true;
      }
      Put(out, c);
    }
    if (shifted) out += "\x1b(B";
    AppendAscii(out, 8 + random_.Below(41));
  }

  // Appends ASCII words and line breaks until `size` more bytes of text.
  void AppendAscii(std::string& out, std::size_t size) {
    static constexpr const char* kSeparators[] = {" ",  " ", " ", ", ", ". ",
                                                  "\n", "(", ")", "-",  ": "};
    std::size_t written = 0;
    while (written < size) {
      std::uint32_t letters = 1 + random_.Below(9);
      for (std::uint32_t i = 0; i < letters; ++i) {
        char c = random_.Below(10) == 0 ? static_cast<char>('0' + random_.Below(10))
                                        : static_cast<char>('a' + random_.Below(26));
        Put(out, {Character::Ascii, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c)});
      }
      written += letters;
      for (const char* s = kSeparators[random_.Below(10)]; *s != 0; ++s, ++written) {
        Put(out, {Character::Ascii, static_cast<std::uint8_t>(*s), static_cast<std::uint8_t>(*s)});
      }
    }
  }

 private:
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
};

const Repertoire TextWriter::repertoire_;

}  // namespace

bool WriteCorpus(const std::string& path, CorpusKind kind, const std::string& encoding,
                 std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  Random random(Seed(path.substr(path.find_last_of('/') + 1)));
  TextWriter text(kind == CorpusKind::Ascii ? "ascii" : encoding, random.Next());
  std::string block;
  std::size_t written = 0;
  bool ok = true;
  if (kind == CorpusKind::Japanese && encoding == "utf16") block = "\xFE\xFF";
  while (ok && written < size) {
    while (block.size() < (std::size_t{1} << 20)) {
      if (kind == CorpusKind::Random) {
        std::uint64_t bits = random.Next();
        block.append(reinterpret_cast<const char*>(&bits), sizeof bits);
      } else if (kind == CorpusKind::Ascii) {
        text.AppendAscii(block, 64);
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
