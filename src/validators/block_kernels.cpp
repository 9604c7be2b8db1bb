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

// The scalar kernels pass nothing: the validators' scalar fast path is the
// scalar kernel. Kernels in plain C++ (64-byte blocks of ASCII, or of UTF-16
// units outside the surrogates, by 64-bit words) measured slower on real text
// than that path alone, which already takes ASCII and UTF-16 several bytes at
// a time and would have to take turns with them; so the validators take no
// turns with these.
namespace {

const std::uint8_t* PassShiftJisScalar(const std::uint8_t* p, const std::uint8_t*,
                                       const ShiftJisSummary&) {
  return p;
}
const std::uint8_t* PassEucJpScalar(const std::uint8_t* p, const std::uint8_t*, const PairRanges&) {
  return p;
}
const std::uint8_t* PassIso2022JpScalar(const std::uint8_t* p, const std::uint8_t*,
                                        const PairRanges&, Iso2022Mode&) {
  return p;
}
const std::uint8_t* PassUtf8Scalar(const std::uint8_t* p, const std::uint8_t*) {
  return p;
}
const std::uint8_t* PassUtf16Scalar(const std::uint8_t* p, const std::uint8_t*, bool) {
  return p;
}

}  // namespace

const BlockKernels kScalarKernels = {PassShiftJisScalar, PassEucJpScalar, PassIso2022JpScalar,
                                     PassUtf8Scalar,     PassUtf16Scalar, PassUtf8Scalar};

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
