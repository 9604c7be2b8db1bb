#include "codeset/jis_to_shift_jis.h"

#include <set>

#include "gtest/gtest.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

namespace codvet {
namespace {

TEST(JisToShiftJis, AnchorValuesWithAndWithoutHighBits) {
  struct Anchor {
    std::uint32_t jis;
    std::int32_t sjis;
  } anchors[] = {
      {0x2121, 0x8140}, {0x215F, 0x817E}, {0x2160, 0x8180}, {0x217E, 0x819E}, {0x2221, 0x819F},
      {0x227E, 0x81FC}, {0x2330, 0x824F}, {0x2422, 0x82A0}, {0x3021, 0x889F}, {0x5E7E, 0x9FFC},
      {0x5F21, 0xE040}, {0x7426, 0xEAA4}, {0x7521, 0xEB40}, {0x7E7E, 0xEFFC}, {0x2220, -1},
      {0x227F, -1},     {0x2021, -1},     {0x7F21, -1},     {0x2120, -1},     {0x217F, -1},
      {0x220A, -1},     {0x0A21, -1},
  };
  for (const Anchor& a : anchors) {
    EXPECT_EQ(JisToShiftJis(a.jis), a.sjis) << std::hex << a.jis;
    EXPECT_EQ(JisToShiftJis(a.jis | 0x8080), a.sjis) << std::hex << a.jis;
    EXPECT_EQ(JisToShiftJis(a.jis | 0x8000), a.sjis) << std::hex << a.jis;
  }
}

// The usual textbook formulation, written from the bytes rather than from
// row and cell.
std::int32_t Textbook(int j1, int j2) {
  int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  int s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  return s1 << 8 | s2;
}

TEST(JisToShiftJis, WholeDomainAgreesWithTheTextbookAndIsOneToOne) {
  std::set<std::int32_t> seen;
  for (int j1 = 0; j1 < 256; ++j1) {
    for (int j2 = 0; j2 < 256; ++j2) {
      std::int32_t got = JisToShiftJis(static_cast<std::uint32_t>(j1 << 8 | j2));
      int r = (j1 & 0x7F), c = (j2 & 0x7F);
      if (r < 0x21 || r > 0x7E || c < 0x21 || c > 0x7E) {
        ASSERT_EQ(got, kInvalidShiftJis) << std::hex << j1 << " " << j2;
        continue;
      }
      ASSERT_EQ(got, Textbook(r, c)) << std::hex << j1 << " " << j2;
      ASSERT_NE(got & 0xFF, 0x7F);
      if (j1 < 0x80 && j2 < 0x80) seen.insert(got);
    }
  }
  EXPECT_EQ(seen.size(), 94u * 94u);
}

#if __has_include(<iconv.h>)
// Wherever the system's converter knows a JIS X 0208 character, the mapping
// gives the code it gives.
TEST(JisToShiftJis, AgreesWithTheSystemConverter) {
  iconv_t cd = iconv_open("SHIFT_JIS", "EUC-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no EUC-JP converter";
  int compared = 0;
  for (int r = 0xA1; r <= 0xFE; ++r) {
    for (int c = 0xA1; c <= 0xFE; ++c) {
      char in[2] = {static_cast<char>(r), static_cast<char>(c)};
      unsigned char out[4];
      char* inPtr = in;
      char* outPtr = reinterpret_cast<char*>(out);
      size_t inLeft = 2, outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) continue;
      if (sizeof out - outLeft != 2) continue;
      ASSERT_EQ(JisToShiftJis(r << 8 | c), out[0] << 8 | out[1]) << std::hex << r << " " << c;
      ++compared;
    }
  }
  iconv_close(cd);
  EXPECT_GT(compared, 6800);
}
#endif

}  // namespace
}  // namespace codvet
