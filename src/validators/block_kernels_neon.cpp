// The NEON block kernels for aarch64, where NEON is always there: a 64-byte
// block as four 128-bit registers, each 128-entry table looked up by two
// four-register table instructions.
#include "validators/block_kernels.h"

#if defined(__aarch64__)

#include <arm_neon.h>

#define CODVET_KERNEL_TARGET

namespace codvet {
namespace {

struct NeonBlock {
  uint8x16_t v[4];

  // Each byte 0xFF for yes, 0 for no.
  struct Flags {
    uint8x16_t v[4];
  };
  struct Table {
    uint8x16x4_t half[2];
  };

  static NeonBlock Load(const std::uint8_t* p) {
    return {{vld1q_u8(p), vld1q_u8(p + 16), vld1q_u8(p + 32), vld1q_u8(p + 48)}};
  }
  static NeonBlock Splat(int byte) {
    uint8x16_t x = vdupq_n_u8(static_cast<std::uint8_t>(byte));
    return {{x, x, x, x}};
  }
  static NeonBlock Sub(NeonBlock a, NeonBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = vsubq_u8(a.v[i], b.v[i]);
    return a;
  }
  static NeonBlock Xor(NeonBlock a, NeonBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = veorq_u8(a.v[i], b.v[i]);
    return a;
  }
  static NeonBlock And(NeonBlock a, NeonBlock b) {
    for (int i = 0; i < 4; ++i) a.v[i] = vandq_u8(a.v[i], b.v[i]);
    return a;
  }
  static Flags Eq(NeonBlock a, NeonBlock b) {
    Flags f;
    for (int i = 0; i < 4; ++i) f.v[i] = vceqq_u8(a.v[i], b.v[i]);
    return f;
  }
  static Flags AtLeast(NeonBlock x, NeonBlock low) {
    Flags f;
    for (int i = 0; i < 4; ++i) f.v[i] = vcgeq_u8(x.v[i], low.v[i]);
    return f;
  }
  static Flags High(NeonBlock x) {
    Flags f;
    for (int i = 0; i < 4; ++i) f.v[i] = vcltzq_s8(vreinterpretq_s8_u8(x.v[i]));
    return f;
  }
  static Flags Or(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = vorrq_u8(a.v[i], b.v[i]);
    return a;
  }
  static Flags And(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = vandq_u8(a.v[i], b.v[i]);
    return a;
  }
  static Flags AndNot(Flags a, Flags b) {
    for (int i = 0; i < 4; ++i) a.v[i] = vbicq_u8(a.v[i], b.v[i]);
    return a;
  }
  // Each byte keeps its own bit of eight, and three rounds of pairwise adds
  // gather the 64 bits in order.
  static std::uint64_t Mask(Flags f) {
    static const std::uint8_t kBits[16] = {1, 2, 4, 8, 16, 32, 64, 128,
                                           1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t bits = vld1q_u8(kBits);
    uint8x16_t sum01 = vpaddq_u8(vandq_u8(f.v[0], bits), vandq_u8(f.v[1], bits));
    uint8x16_t sum23 = vpaddq_u8(vandq_u8(f.v[2], bits), vandq_u8(f.v[3], bits));
    uint8x16_t sum = vpaddq_u8(sum01, sum23);
    sum = vpaddq_u8(sum, sum);
    return vgetq_lane_u64(vreinterpretq_u64_u8(sum), 0);
  }
  static bool AllAscii(NeonBlock x) {
    return vmaxvq_u8(vorrq_u8(vorrq_u8(x.v[0], x.v[1]), vorrq_u8(x.v[2], x.v[3]))) < 0x80;
  }
  static void LoadTable(const std::uint8_t* values, Table& table) {
    table.half[0] = vld1q_u8_x4(values);
    table.half[1] = vld1q_u8_x4(values + 64);
  }
  // An index past a table's 64 bytes gives 0 (tbl) or keeps what is there
  // (tbx): the second half takes the indexes from 64, shifted down.
  static NeonBlock Lookup(const Table& t, NeonBlock x) {
    const uint8x16_t sevenBits = vdupq_n_u8(0x7F);
    const uint8x16_t half = vdupq_n_u8(64);
    for (int i = 0; i < 4; ++i) {
      uint8x16_t index = vandq_u8(x.v[i], sevenBits);
      x.v[i] = vqtbx4q_u8(vqtbl4q_u8(t.half[0], index), t.half[1], vsubq_u8(index, half));
    }
    return x;
  }
  static NeonBlock Lookup64(const Table& t, NeonBlock x) {
    const uint8x16_t sixBits = vdupq_n_u8(0x3F);
    for (int i = 0; i < 4; ++i) x.v[i] = vqtbl4q_u8(t.half[0], vandq_u8(x.v[i], sixBits));
    return x;
  }
};

}  // namespace
}  // namespace codvet

#include "validators/block_kernel_logic.h"

namespace codvet {

const BlockKernels kNeonKernels = MakeKernels<NeonBlock>();

}  // namespace codvet

#endif
