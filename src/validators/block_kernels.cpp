#include "validators/block_kernels.h"

#include <cstring>
#include <initializer_list>

#include "codeset/jis_to_shift_jis.h"
#include "validators/encoding_basics.h"

namespace codvet {

#if defined(__x86_64__) || defined(__i386__)
#define CODVET_X86_KERNELS 1
#endif

bool KernelSupported(Kernel kernel) {
  switch (kernel) {
    case Kernel::Scalar:
      return true;
#if defined(CODVET_X86_KERNELS)
    case Kernel::Sse:
      return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
    case Kernel::Avx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
    case Kernel::Avx512:
      return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
             __builtin_cpu_supports("bmi2");
#elif defined(__aarch64__)
    case Kernel::Neon:
      return true;
#endif
    default:
      return false;
  }
}

Kernel BestKernel() {
  static const Kernel best = [] {
    for (Kernel kernel : {Kernel::Avx512, Kernel::Avx2, Kernel::Sse, Kernel::Neon}) {
      if (KernelSupported(kernel)) return kernel;
    }
    return Kernel::Scalar;
  }();
  return best;
}

const BlockKernels* KernelsFor(Kernel kernel) {
  switch (kernel) {
#if defined(CODVET_X86_KERNELS)
    case Kernel::Sse:
      return &kSseKernels;
    case Kernel::Avx2:
      return &kAvx2Kernels;
    case Kernel::Avx512:
      return &kAvx512Kernels;
#elif defined(__aarch64__)
    case Kernel::Neon:
      return &kNeonKernels;
#endif
    default:
      return &kScalarKernels;
  }
}

// The scalar kernels: 64-bit words, for the blocks that need no table, the
// commonest in most text (ASCII, and UTF-16 units outside the surrogates).
// The rest they leave to the scalar fast path.
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;

inline std::uint64_t Word(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

inline bool AsciiBlock(const std::uint8_t* p) {
  std::uint64_t any = 0;
  for (int i = 0; i < kBlockSize; i += 8) any |= Word(p + i);
  return (any & kHighs) == 0;
}

// Whether any byte of the block is `byte` (the borrow trick: exact as a yes
// or no, though not for which byte).
inline bool BlockHas(const std::uint8_t* p, std::uint8_t byte) {
  std::uint64_t found = 0;
  for (int i = 0; i < kBlockSize; i += 8) {
    std::uint64_t x = Word(p + i) ^ kOnes * byte;
    found |= (x - kOnes) & ~x;
  }
  return (found & kHighs) != 0;
}

const std::uint8_t* PassShiftJisScalar(const std::uint8_t* p, const std::uint8_t* end,
                                       const ShiftJisSummary& summary) {
  // Only where every byte below 0x80 is a character.
  if (summary.singles.low[0] != 0 || summary.singles.count[0] < 0x80) return p;
  while (end - p >= kBlockSize && AsciiBlock(p)) p += kBlockSize;
  return p;
}

const std::uint8_t* PassEucJpScalar(const std::uint8_t* p, const std::uint8_t* end,
                                    const PairRanges&) {
  while (end - p >= kBlockSize && AsciiBlock(p)) p += kBlockSize;
  return p;
}

// In ASCII mode everything but an escape passes.
const std::uint8_t* PassIso2022JpScalar(const std::uint8_t* p, const std::uint8_t* end,
                                        const PairRanges&, Iso2022Mode& mode) {
  if (mode != Iso2022Mode::Ascii) return p;
  while (end - p >= kBlockSize && !BlockHas(p, 0x1B)) p += kBlockSize;
  return p;
}

const std::uint8_t* PassUtf8Scalar(const std::uint8_t* p, const std::uint8_t* end) {
  while (end - p >= kBlockSize && AsciiBlock(p)) p += kBlockSize;
  return p;
}

// Four units to a word, read in the input's byte order; a block passes with
// no surrogate and no 0xFFFE (the borrow trick again, on 16-bit lanes).
const std::uint8_t* PassUtf16Scalar(const std::uint8_t* p, const std::uint8_t* end,
                                    bool bigEndian) {
  constexpr std::uint64_t kUnitOnes = 0x0001000100010001u;
  constexpr std::uint64_t kUnitHighs = 0x8000800080008000u;
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFu;
  const bool swap = bigEndian != (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__);
  while (end - p >= kBlockSize) {
    std::uint64_t found = 0;
    for (int i = 0; i < kBlockSize; i += 8) {
      std::uint64_t units = Word(p + i);
      if (swap) units = (units >> 8 & kLowBytes) | (units & kLowBytes) << 8;
      std::uint64_t surrogate = (units & 0xF800F800F800F800u) ^ 0xD800D800D800D800u;
      std::uint64_t fffe = units ^ 0xFFFEFFFEFFFEFFFEu;
      found |= ((surrogate - kUnitOnes) & ~surrogate) | ((fffe - kUnitOnes) & ~fffe);
    }
    if ((found & kUnitHighs) != 0) return p;
    p += kBlockSize;
  }
  return p;
}

}  // namespace

const BlockKernels kScalarKernels = {PassShiftJisScalar, PassEucJpScalar, PassIso2022JpScalar,
                                     PassUtf8Scalar, PassUtf16Scalar};

namespace {

// Sets entry `index` of `ranges` to the longest run of values v in
// [from, to] for which `holds(v)` is true; `bridge` counts as holding inside
// a run but never starts or ends one.
template <typename Holds>
void LongestRun(PairRanges& ranges, int index, int from, int to, int bridge, Holds holds) {
  int bestLow = 0;
  int bestCount = 0;
  int runStart = -1;
  int runEnd = -1;  // the last value that truly holds
  for (int v = from; v <= to + 1; ++v) {
    bool in = v <= to && (holds(v) || (v == bridge && runStart >= 0));
    if (in && runStart < 0) runStart = v;
    if (in && v != bridge) runEnd = v;
    if (!in && runStart >= 0) {
      if (runEnd - runStart + 1 > bestCount) {
        bestLow = runStart;
        bestCount = runEnd - runStart + 1;
      }
      runStart = -1;
    }
  }
  ranges.low[index] = static_cast<std::uint8_t>(bestLow);
  ranges.count[index] = static_cast<std::uint8_t>(bestCount > 255 ? 255 : bestCount);
}

void Clear(PairRanges& ranges) {
  std::memset(ranges.low, 0, sizeof ranges.low);
  std::memset(ranges.count, 0, sizeof ranges.count);
}

}  // namespace

void SummarizeShiftJis(const CodeSet& primary, ShiftJisSummary& summary) {
  Clear(summary.pairs);
  for (int lead = 0x80; lead < 0x100; ++lead) {
    if (!IsShiftJisLeadByte(lead)) continue;
    LongestRun(summary.pairs, lead & 0x3F, 0x00, 0xFF, 0x7F, [&](int trail) {
      return primary.Contains(static_cast<std::uint32_t>(lead << 8 | trail));
    });
  }
  Clear(summary.singles);
  for (int half = 0; half < 2; ++half) {
    LongestRun(summary.singles, half, half * 0x80, half * 0x80 + 0x7F, -1, [&](int b) {
      return !IsShiftJisLeadByte(b) && primary.Contains(static_cast<std::uint32_t>(b));
    });
  }
}

void SummarizeJisRows(const CodeSet& primary, PairRanges& rows) {
  Clear(rows);
  for (int row = 0x21; row <= 0x7E; ++row) {
    LongestRun(rows, row, 0x21, 0x7E, -1, [&](int cell) {
      std::int32_t code = JisToShiftJis(static_cast<std::uint32_t>(row << 8 | cell));
      return code != kInvalidShiftJis && primary.Contains(static_cast<std::uint32_t>(code));
    });
  }
}

}  // namespace codvet
