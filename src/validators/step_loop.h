// The one loop every encoding runs: the fast path passes what needs no
// report, then one step judges the character after it, and so on. Each
// encoding supplies a codec:
//   kLongest        the most bytes a character takes;
//   State, state    what carries from character to character (a mode, a byte
//                   order), or an empty struct;
//   Decode(p, end, state)  the step, the definition of behaviour: the size of
//                   the character at p and its problem, if any. [p, end)
//                   holds kLongest bytes or reaches the true end of the input;
//   SkipRun(p, stop, end, state)  where a run of characters the step would
//                   pass silently ends, found with less thought (several bytes
//                   at a time, a table of pairs): it may pass `stop` within a
//                   run of single bytes, so that a block kernel gets its turn
//                   back soon but not in the middle of ASCII;
//   Block(kernels, p, end, state)  what a block kernel passes from p.
#ifndef SRC_VALIDATORS_STEP_LOOP_H_
#define SRC_VALIDATORS_STEP_LOOP_H_

#include <cstddef>
#include <cstdint>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "report/messages.h"
#include "validators/encoding_basics.h"
#include "validators/encoding_validator.h"
#include "validators/line_cursor.h"

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
// step runs alone for a while.
class SkipThrottle {
 public:
  // Whether to try the fast path before this step.
  bool Ready() { return --stepsLeft_ < 0; }
  // Whether the fast path is resting, problems being dense: then the steps
  // go in batches, else one step at a time between passes.
  bool Resting() const { return stepsLeft_ >= 0; }
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

// What one step found about the character at its start.
struct Step {
  enum Verdict : std::uint8_t {
    kValid,
    kProblem,  // message with value
    kNoValue,  // message alone
    kCut,      // cut by the end: message with value, unless a read failed
  };
  int size;
  Verdict verdict;
  Msg message;
  std::uint32_t value;
};

constexpr Step ValidStep(int size) {
  return {size, Step::kValid, Msg::InvalidCharacter, 0};
}
constexpr Step ProblemStep(int size, Msg message, std::uint32_t value) {
  return {size, Step::kProblem, message, value};
}
// A character cut by the end of the input takes the bytes left.
inline Step CutStep(const std::uint8_t* p, const std::uint8_t* end, Msg message,
                    std::uint32_t value) {
  return {static_cast<int>(end - p), Step::kCut, message, value};
}

// Whether a two-byte JIS X 0208 value (high bits ignored) is a character of
// the Shift_JIS set `primary`; a pair outside the 94 x 94 grid never is.
inline bool IsJisX0208Character(const CodeSet& primary, std::uint32_t pair) {
  std::int32_t code = JisToShiftJis(pair);
  return code != kInvalidShiftJis && primary.Contains(static_cast<std::uint32_t>(code));
}

// The scalar fast path, made of the step: whole characters from `p` that
// start before `stop` and need no report, never past `end`. State changes
// only with the characters passed.
template <typename Codec>
const std::uint8_t* PassSteps(const Codec& codec, const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, typename Codec::State& state) {
  while (p < stop) {
    p = codec.SkipRun(p, stop, end, state);
    if (p >= stop) break;
    typename Codec::State next = state;
    Step step = codec.Decode(p, end, next);
    if (step.verdict != Step::kValid) break;
    state = next;
    p += step.size;
  }
  return p;
}

// Passes from `p` towards `end` by turns: the block kernel passes whole
// blocks, then the scalar pass takes over up to ScalarStop. Returns where the
// scalar pass stopped short (a character it cannot pass) or `end`; adds the
// kernel's bytes to `blockBytes`. With the scalar kernels the scalar pass alone.
template <typename Codec>
const std::uint8_t* PassByTurns(const Codec& codec, const BlockKernels* kernels,
                                const std::uint8_t* p, const std::uint8_t* end,
                                typename Codec::State& state, std::int64_t& blockBytes) {
  if (kernels == &kScalarKernels || end - p <= kBlockSize)
    return PassSteps(codec, p, end, end, state);
  for (;;) {
    const std::uint8_t* passed = codec.Block(*kernels, p, end, state);
    blockBytes += passed - p;
    const std::uint8_t* stop = ScalarStop(passed, end, passed - p);
    p = PassSteps(codec, passed, stop, end, state);
    if (p < stop || stop == end) return p;
  }
}

// The most characters judged in one batch of the reporting loop.
constexpr int kStepBatch = 64;

template <typename Codec>
bool EncodingValidator::RunSteps(const Codec& codec, typename Codec::State state, bool useFast) {
  return countLines ? RunSteps<Codec, true>(codec, state, useFast)
                    : RunSteps<Codec, false>(codec, state, useFast);
}

// With `Lines`, a cursor follows and gives each problem its line and column;
// without, the loop is what it would be with no such thing.
template <typename Codec, bool Lines>
bool EncodingValidator::RunSteps(const Codec& codec, typename Codec::State state, bool useFast) {
  output->BeginInput(displayName);
  LineCursor<Codec> cursor(codec, state, kernel);
  // Bytes in memory stay where they are: the cursor reads them there, only
  // when a problem comes, and valid text costs nothing. Other inputs reuse
  // their buffer, so the cursor catches up before each refill.
  const std::uint8_t* whole = input->memoryStart();
  const std::uint8_t* wholeEnd = input->memoryEnd();
  cursor.Rebase(whole != nullptr ? whole : input->next());
  std::int64_t offset = 0;
  bool result = true;
  const BlockKernels* kernels = KernelsFor(kernel);
  SkipThrottle throttle;
  for (;;) {
    if (useFast && throttle.Ready()) {
      std::ptrdiff_t passed = input->Skip(
          PassByTurns(codec, kernels, input->next(), input->limit(), state, blockKernelBytes));
      offset += passed;
      fastPathBytes += passed;
      throttle.Passed(passed, input->next() == input->limit());
    }
    const std::uint8_t* p = input->next();
    const std::uint8_t* limit = input->limit();
    if (limit - p >= static_cast<std::ptrdiff_t>(Codec::kLongest)) {
      // Whole characters in the buffer, a batch of them, with no branch on
      // whether each is valid (which mispredicts at nearly every character
      // of input full of problems): the problems are noted as they come and
      // reported together, in order.
      struct Problem {
        std::int64_t offset;
        Step step;
      } problems[kStepBatch + 1];
      // Each step is given exactly kLongest bytes, so that it can tell at
      // compile time that no character is cut.
      int found = 0;
      const std::uint8_t* start = p;
      const std::int64_t startOffset = offset;
      const std::uint8_t* last = limit - Codec::kLongest;
      std::ptrdiff_t batch = throttle.Resting() ? kStepBatch : 0;
      if (last - p > batch) last = p + batch;
      while (p <= last) {
        Step step = codec.Decode(p, p + Codec::kLongest, state);
        problems[found] = {offset, step};
        found += step.verdict != Step::kValid;
        offset += step.size;
        p += step.size;
      }
      input->Skip(p);
      throttle.Stepped(static_cast<int>(p - start));
      for (int i = 0; i < found; ++i) {
        const Problem& problem = problems[i];
        if (Lines) {
          const std::uint8_t* at =
              whole != nullptr ? whole + problem.offset : start + (problem.offset - startOffset);
          cursor.Pass(at, whole != nullptr ? wholeEnd : limit);
          SetPosition(cursor);
          cursor.Over(at + Codec::kLongest);
        }
        if (problem.step.verdict == Step::kNoValue) {
          ReportNoValue(problem.offset, problem.step.message);
        } else {
          Report(problem.offset, problem.step.message, problem.step.value);
        }
      }
      result &= found == 0;
      continue;
    }
    // The last characters of the buffer, one at a time, a character cut by
    // the refill carried over whole.
    if (Lines && whole == nullptr) cursor.Pass(p, limit);
    input->Ensure(Codec::kLongest);
    p = input->next();
    if (Lines && whole == nullptr) cursor.Rebase(p);
    if (p == input->limit()) return result;
    Step step = codec.Decode(p, input->limit(), state);
    input->Skip(p + step.size);
    if (step.verdict != Step::kValid) {
      result = false;
      if (Lines && whole != nullptr) {
        const std::uint8_t* at = whole + offset;
        cursor.Pass(at, wholeEnd);
        SetPosition(cursor);
        cursor.Over(wholeEnd - at > static_cast<std::ptrdiff_t>(Codec::kLongest)
                        ? at + Codec::kLongest
                        : wholeEnd);
      } else if (Lines) {
        SetPosition(cursor);
        cursor.Over(input->limit());
      }
      if (step.verdict == Step::kNoValue) {
        ReportNoValue(offset, step.message);
      } else if (step.verdict == Step::kProblem || !input->failed()) {
        Report(offset, step.message, step.value);
      }
    }
    offset += step.size;
  }
}

}  // namespace codvet

#endif  // SRC_VALIDATORS_STEP_LOOP_H_
