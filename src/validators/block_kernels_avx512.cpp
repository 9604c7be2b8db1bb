// The AVX-512 block kernels (BW and VBMI): a 64-byte block in one register,
// comparisons straight into bit masks, and each 128-entry table looked up by
// one permutation of two registers.
#include "validators/block_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_KERNEL_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,bmi,bmi2")))

namespace codvet {
namespace {

struct Avx512Block {
  __m512i v;

  struct Flags {
    std::uint64_t bits;
  };
  struct Table {
    __m512i half[2];
  };

  CODVET_KERNEL_TARGET static Avx512Block Load(const std::uint8_t* p) {
    return {_mm512_loadu_si512(p)};
  }
  CODVET_KERNEL_TARGET static Avx512Block Splat(int byte) {
    return {_mm512_set1_epi8(static_cast<char>(byte))};
  }
  CODVET_KERNEL_TARGET static Avx512Block Sub(Avx512Block a, Avx512Block b) {
    return {_mm512_sub_epi8(a.v, b.v)};
  }
  CODVET_KERNEL_TARGET static Avx512Block Xor(Avx512Block a, Avx512Block b) {
    return {_mm512_xor_si512(a.v, b.v)};
  }
  CODVET_KERNEL_TARGET static Avx512Block And(Avx512Block a, Avx512Block b) {
    return {_mm512_and_si512(a.v, b.v)};
  }
  CODVET_KERNEL_TARGET static Flags Eq(Avx512Block a, Avx512Block b) {
    return {_mm512_cmpeq_epi8_mask(a.v, b.v)};
  }
  CODVET_KERNEL_TARGET static Flags AtLeast(Avx512Block x, Avx512Block low) {
    return {_mm512_cmpge_epu8_mask(x.v, low.v)};
  }
  CODVET_KERNEL_TARGET static Flags High(Avx512Block x) { return {_mm512_movepi8_mask(x.v)}; }
  static Flags Or(Flags a, Flags b) { return {a.bits | b.bits}; }
  static Flags And(Flags a, Flags b) { return {a.bits & b.bits}; }
  static Flags AndNot(Flags a, Flags b) { return {a.bits & ~b.bits}; }
  static std::uint64_t Mask(Flags f) { return f.bits; }
  CODVET_KERNEL_TARGET static bool AllAscii(Avx512Block x) { return _mm512_movepi8_mask(x.v) == 0; }
  CODVET_KERNEL_TARGET static void LoadTable(const std::uint8_t* values, Table& table) {
    table.half[0] = _mm512_loadu_si512(values);
    table.half[1] = _mm512_loadu_si512(values + 64);
  }
  CODVET_KERNEL_TARGET static Avx512Block Lookup(const Table& t, Avx512Block x) {
    return {_mm512_permutex2var_epi8(t.half[0], x.v, t.half[1])};
  }
  // Both halves of the permutation the first: six index bits. (GCC 12 takes
  // the one-register form for reading an unset register.)
  CODVET_KERNEL_TARGET static Avx512Block Lookup64(const Table& t, Avx512Block x) {
    return {_mm512_permutex2var_epi8(t.half[0], x.v, t.half[0])};
  }
};

}  // namespace
}  // namespace codvet

#include "validators/block_kernel_logic.h"

namespace codvet {

const BlockKernels kAvx512Kernels = MakeKernels<Avx512Block>();

}  // namespace codvet

#endif
