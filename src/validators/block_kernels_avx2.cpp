// The AVX2 block kernels: a 64-byte block as two 256-bit registers, compiled
// for AVX2 function by function so that the rest of the program runs on any
// x86 processor; BestKernel picks them only where the processor has AVX2.
#include "validators/block_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_KERNEL_TARGET __attribute__((target("avx2,bmi,bmi2")))

namespace codvet {
namespace {

struct Avx2Block {
  __m256i v[2];

  // Only each byte's high bit counts, which movemask reads.
  struct Flags {
    __m256i v[2];
  };
  // 128 entries as eight 16-entry parts, each in both lanes for the shuffle.
  struct Table {
    __m256i part[8];
  };

  CODVET_KERNEL_TARGET static Avx2Block Load(const std::uint8_t* p) {
    return {{_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32))}};
  }
  CODVET_KERNEL_TARGET static Avx2Block Splat(int byte) {
    __m256i x = _mm256_set1_epi8(static_cast<char>(byte));
    return {{x, x}};
  }
  CODVET_KERNEL_TARGET static Avx2Block Sub(Avx2Block a, Avx2Block b) {
    return {{_mm256_sub_epi8(a.v[0], b.v[0]), _mm256_sub_epi8(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Avx2Block Xor(Avx2Block a, Avx2Block b) {
    return {{_mm256_xor_si256(a.v[0], b.v[0]), _mm256_xor_si256(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Avx2Block And(Avx2Block a, Avx2Block b) {
    return {{_mm256_and_si256(a.v[0], b.v[0]), _mm256_and_si256(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Flags Eq(Avx2Block a, Avx2Block b) {
    return {{_mm256_cmpeq_epi8(a.v[0], b.v[0]), _mm256_cmpeq_epi8(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Flags AtLeast(Avx2Block x, Avx2Block low) {
    return {{_mm256_cmpeq_epi8(_mm256_max_epu8(x.v[0], low.v[0]), x.v[0]),
             _mm256_cmpeq_epi8(_mm256_max_epu8(x.v[1], low.v[1]), x.v[1])}};
  }
  CODVET_KERNEL_TARGET static Flags High(Avx2Block x) { return {{x.v[0], x.v[1]}}; }
  CODVET_KERNEL_TARGET static Flags Or(Flags a, Flags b) {
    return {{_mm256_or_si256(a.v[0], b.v[0]), _mm256_or_si256(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Flags And(Flags a, Flags b) {
    return {{_mm256_and_si256(a.v[0], b.v[0]), _mm256_and_si256(a.v[1], b.v[1])}};
  }
  CODVET_KERNEL_TARGET static Flags AndNot(Flags a, Flags b) {
    return {{_mm256_andnot_si256(b.v[0], a.v[0]), _mm256_andnot_si256(b.v[1], a.v[1])}};
  }
  CODVET_KERNEL_TARGET static std::uint64_t Mask(Flags f) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(f.v[0])) |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(f.v[1]))} << 32;
  }
  CODVET_KERNEL_TARGET static bool AllAscii(Avx2Block x) {
    return _mm256_movemask_epi8(_mm256_or_si256(x.v[0], x.v[1])) == 0;
  }
  CODVET_KERNEL_TARGET static void LoadTable(const std::uint8_t* values, Table& table) {
    for (int i = 0; i < 8; ++i) {
      table.part[i] = _mm256_broadcastsi128_si256(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 16 * i)));
    }
  }
  // The parts by the four low bits, chosen among by bits 4 to 6 (each moved
  // to bit 7 for the blend).
  CODVET_KERNEL_TARGET static __m256i Lookup(const Table& t, __m256i x, int parts) {
    __m256i index = _mm256_and_si256(x, _mm256_set1_epi8(0x0F));
    __m256i bit4 = _mm256_slli_epi16(x, 3);
    __m256i bit5 = _mm256_slli_epi16(x, 2);
    __m256i r[4];
    for (int i = 0; i < parts / 2; ++i) {
      r[i] = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.part[2 * i], index),
                                _mm256_shuffle_epi8(t.part[2 * i + 1], index), bit4);
    }
    __m256i low = _mm256_blendv_epi8(r[0], r[1], bit5);
    if (parts == 4) return low;
    return _mm256_blendv_epi8(low, _mm256_blendv_epi8(r[2], r[3], bit5), _mm256_slli_epi16(x, 1));
  }
  CODVET_KERNEL_TARGET static Avx2Block Lookup(const Table& t, Avx2Block x) {
    return {{Lookup(t, x.v[0], 8), Lookup(t, x.v[1], 8)}};
  }
  CODVET_KERNEL_TARGET static Avx2Block Lookup64(const Table& t, Avx2Block x) {
    return {{Lookup(t, x.v[0], 4), Lookup(t, x.v[1], 4)}};
  }
};

}  // namespace
}  // namespace codvet

#include "validators/block_kernel_logic.h"

namespace codvet {

const BlockKernels kAvx2Kernels = MakeKernels<Avx2Block>();

}  // namespace codvet

#endif
