// The SSE block kernels, for x86 processors without AVX2: a 64-byte block as
// four 128-bit registers. SSSE3 brings the byte shuffle the table lookups
// are made of and SSE4.1 the byte blend that chooses among them; both are in
// every x86-64 processor since about 2008 (x86-64-v2), where plain SSE2 has
// neither.
#include "validators/block_kernels.h"
#include "validators/byte_scan.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_KERNEL_TARGET __attribute__((target("ssse3,sse4.1")))

namespace codvet {
namespace {

struct SseBlock {
  __m128i v[4];

  // Only each byte's high bit counts, which movemask reads.
  struct Flags {
    __m128i v[4];
  };
  struct Table {
    __m128i part[8];
  };

  CODVET_KERNEL_TARGET static SseBlock Load(const std::uint8_t* p) {
    SseBlock b;
    for (int i = 0; i < 4; ++i)
      b.v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    return b;
  }
  CODVET_KERNEL_TARGET static SseBlock Splat(int byte) {
    __m128i x = _mm_set1_epi8(static_cast<char>(byte));
    return {{x, x, x, x}};
  }
  CODVET_KERNEL_TARGET static SseBlock Sub(SseBlock a, SseBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_sub_epi8(a.v[i], b.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static SseBlock Xor(SseBlock a, SseBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_xor_si128(a.v[i], b.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static SseBlock And(SseBlock a, SseBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_and_si128(a.v[i], b.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static Flags Eq(SseBlock a, SseBlock b) {
    Flags f;
    for (int i = 0; i < 4; ++i) f.v[i] = _mm_cmpeq_epi8(a.v[i], b.v[i]);
    return f;
  }
  CODVET_KERNEL_TARGET static Flags AtLeast(SseBlock x, SseBlock low) {
    Flags f;
    for (int i = 0; i < 4; ++i) f.v[i] = _mm_cmpeq_epi8(_mm_max_epu8(x.v[i], low.v[i]), x.v[i]);
    return f;
  }
  CODVET_KERNEL_TARGET static Flags High(SseBlock x) { return {{x.v[0], x.v[1], x.v[2], x.v[3]}}; }
  CODVET_KERNEL_TARGET static Flags Or(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_or_si128(a.v[i], b.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static Flags And(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_and_si128(a.v[i], b.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static Flags AndNot(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = _mm_andnot_si128(b.v[i], a.v[i]);
    return a;
  }
  CODVET_KERNEL_TARGET static std::uint64_t Mask(Flags f) {
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
      mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(f.v[i]))} << (16 * i);
    }
    return mask;
  }
  CODVET_KERNEL_TARGET static bool AllAscii(SseBlock x) {
    return _mm_movemask_epi8(
               _mm_or_si128(_mm_or_si128(x.v[0], x.v[1]), _mm_or_si128(x.v[2], x.v[3]))) == 0;
  }
  CODVET_KERNEL_TARGET static void LoadTable(const std::uint8_t* values, Table& table) {
    for (int i = 0; i < 8; ++i) {
      table.part[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 16 * i));
    }
  }
  // The parts by the four low bits, chosen among by bits 4 to 6 (each moved
  // to bit 7 for the blend).
  CODVET_KERNEL_TARGET static __m128i Lookup(const Table& t, __m128i x, int parts) {
    __m128i index = _mm_and_si128(x, _mm_set1_epi8(0x0F));
    __m128i bit4 = _mm_slli_epi16(x, 3);
    __m128i bit5 = _mm_slli_epi16(x, 2);
    __m128i r[4];
    for (int i = 0; i < parts / 2; ++i) {
      r[i] = _mm_blendv_epi8(_mm_shuffle_epi8(t.part[2 * i], index),
                             _mm_shuffle_epi8(t.part[2 * i + 1], index), bit4);
    }
    __m128i low = _mm_blendv_epi8(r[0], r[1], bit5);
    if (parts == 4) return low;
    return _mm_blendv_epi8(low, _mm_blendv_epi8(r[2], r[3], bit5), _mm_slli_epi16(x, 1));
  }
  CODVET_KERNEL_TARGET static SseBlock Lookup(const Table& t, SseBlock x) {
    for (int i = 0; i < 4; ++i) x.v[i] = Lookup(t, x.v[i], 8);
    return x;
  }
  CODVET_KERNEL_TARGET static SseBlock Lookup64(const Table& t, SseBlock x) {
    for (int i = 0; i < 4; ++i) x.v[i] = Lookup(t, x.v[i], 4);
    return x;
  }
};

}  // namespace
}  // namespace codvet

#include "validators/block_kernel_logic.h"

namespace codvet {

namespace {

// The 128-bit UTF-16 kernel took turns with the scalar pass at every
// surrogate pair and lost to the scalar pass's own SSE2 scan (half its speed
// on text with a pair every few hundred bytes, 0.8 of it on text with none),
// so the SSE set runs that scan instead.
constexpr BlockKernels SseKernels() {
  BlockKernels kernels = MakeKernels<SseBlock>();
  kernels.utf16 = SkipPlainUtf16Sse2;
  return kernels;
}

}  // namespace

const BlockKernels kSseKernels = SseKernels();

}  // namespace codvet

#endif
