// The fast path's turn-taking between a block kernel and the scalar pass.
#ifndef SRC_VALIDATORS_PASS_BY_TURNS_H_
#define SRC_VALIDATORS_PASS_BY_TURNS_H_

#include <cstddef>
#include <cstdint>

#include "validators/encoding_basics.h"

namespace codvet {

// How many bytes the scalar fast path takes on after a block kernel stops,
// before the kernel tries again, where the kernel has been passing little.
constexpr std::ptrdiff_t kScalarAfterBlock = 32;

// Where the scalar fast path stops, taking over at `p` from a block kernel
// that passed `passed` bytes: after the one character at `p` where the kernel
// had been passing whole blocks (a rare character in text it vouches for),
// after a while where it passed little (text it cannot judge).
inline const std::uint8_t* ScalarStop(const std::uint8_t* p, const std::uint8_t* end,
                                      std::ptrdiff_t passed) {
  std::ptrdiff_t run = passed >= kBlockSize ? 1 : kScalarAfterBlock;
  return end - p > run ? p + run : end;
}

// Decides when a fast path is worth trying. Where problems are dense it
// passes next to nothing and only adds its cost, so after a short pass the
// plain step runs alone for a while.
class SkipThrottle {
 public:
  // Whether to try the fast path before this plain step.
  bool Ready() { return --stepsLeft_ < 0; }
  // Counts a step that took `steps` characters at once as that many.
  void Stepped(int steps) { stepsLeft_ -= steps - 1; }
  // Takes note of how many bytes the try passed, and whether it stopped
  // only because the buffered bytes ran out (as at the start of every
  // input, before the first refill), which says nothing about the input.
  void Passed(std::ptrdiff_t bytes, bool atBufferEnd) {
    if (bytes < kShortSkip && !atBufferEnd) stepsLeft_ = kStepsAfterShortSkip;
  }

 private:
  static constexpr std::ptrdiff_t kShortSkip = 16;
  static constexpr int kStepsAfterShortSkip = 64;
  int stepsLeft_ = 0;
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_PASS_BY_TURNS_H_
