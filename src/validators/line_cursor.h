// Lines and columns of problems, for callers who ask for them. A line feed is
// the byte 0x0A, or in UTF-16 the unit 0x000A in the byte order in effect;
// every one counts, even one taken into a broken character, so that the next
// line starts after it as an editor shows it. The column of a character is 1
// plus the characters that start on its line before it, as the step splits
// the input; ISO-2022-JP escape sequences take none.
//
// The cursor follows the validation at a distance: it moves only when a
// problem is reported or the buffer is about to be refilled, counts line feeds
// several bytes at a time, and walks the step only from the last line feed.
// That walk may start right after a line feed because the bytes it moves over
// are valid text, in which a line feed is always a character of its own and,
// in ISO-2022-JP, only one of ASCII mode.
#ifndef SRC_VALIDATORS_LINE_CURSOR_H_
#define SRC_VALIDATORS_LINE_CURSOR_H_

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "validators/block_kernels.h"
#include "validators/encoding_basics.h"

namespace codvet {

#if defined(__x86_64__) && defined(__GNUC__)
#define CODVET_LINE_FEEDS_AVX2 1
// CountLineFeeds over whole rounds of 128 bytes from `p`, with AVX2, which
// the caller has found the processor to have; moves `p` past them.
template <bool Wide>
__attribute__((target("avx2"))) std::int64_t CountLineFeedsAvx2(const std::uint8_t*& p,
                                                                const std::uint8_t* end,
                                                                std::uint16_t feed) {
  const __m256i wanted = Wide ? _mm256_set1_epi16(static_cast<short>(feed))
                              : _mm256_set1_epi8(static_cast<char>(feed));
  const __m256i zero = _mm256_setzero_si256();
  std::int64_t count = 0;
  while (end - p >= 128) {
    __m256i sums[4] = {zero, zero, zero, zero};
    std::ptrdiff_t rounds = (end - p) / 128;
    if (rounds > 255) rounds = 255;
    for (; rounds > 0; --rounds, p += 128) {
      for (int k = 0; k < 4; ++k) {
        __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        sums[k] = _mm256_sub_epi8(
            sums[k], Wide ? _mm256_cmpeq_epi16(bytes, wanted) : _mm256_cmpeq_epi8(bytes, wanted));
      }
    }
    __m256i total = zero;
    for (const __m256i& sum : sums) total = _mm256_add_epi64(total, _mm256_sad_epu8(sum, zero));
    alignas(32) std::int64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), total);
    std::int64_t n = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    count += Wide ? n / 2 : n;
  }
  return count;
}

// The same with AVX-512 (BW), over rounds of 64 bytes.
template <bool Wide>
__attribute__((target("avx512f,avx512bw,popcnt"))) std::int64_t CountLineFeedsAvx512(
    const std::uint8_t*& p, const std::uint8_t* end, std::uint16_t feed) {
  const __m512i wanted = Wide ? _mm512_set1_epi16(static_cast<short>(feed))
                              : _mm512_set1_epi8(static_cast<char>(feed));
  std::int64_t count = 0;
  for (; end - p >= 64; p += 64) {
    __m512i bytes = _mm512_loadu_si512(p);
    count += Wide ? __builtin_popcount(_mm512_cmpeq_epi16_mask(bytes, wanted))
                  : __builtin_popcountll(_mm512_cmpeq_epi8_mask(bytes, wanted));
  }
  return count;
}
#endif

// The line feeds in [p, end): the bytes `feed`, or for `Wide` the two-byte
// units at even distances from p whose bytes, read little-endian, make it;
// with the widest vectors `vectors` says the processor has (Kernel::Avx2 or
// Kernel::Avx512; any other means SSE2 where there is SSE2).
template <bool Wide>
std::int64_t CountLineFeeds(const std::uint8_t* p, const std::uint8_t* end, std::uint16_t feed,
                            Kernel vectors) {
  std::int64_t count = 0;
#if defined(CODVET_LINE_FEEDS_AVX2)
  if (vectors == Kernel::Avx512) count += CountLineFeedsAvx512<Wide>(p, end, feed);
  if (vectors == Kernel::Avx2) count += CountLineFeedsAvx2<Wide>(p, end, feed);
#else
  (void)vectors;
#endif
#if defined(__SSE2__)
  const __m128i wanted =
      Wide ? _mm_set1_epi16(static_cast<short>(feed)) : _mm_set1_epi8(static_cast<char>(feed));
  const __m128i zero = _mm_setzero_si128();
  auto found = [&](const std::uint8_t* at) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return Wide ? _mm_cmpeq_epi16(bytes, wanted) : _mm_cmpeq_epi8(bytes, wanted);
  };
  while (end - p >= 64) {
    // Byte counters, four apart so that the additions overlap, summed
    // before they can overflow at 256 rounds. A unit found counts once in
    // each of its two bytes.
    __m128i sums[4] = {zero, zero, zero, zero};
    std::ptrdiff_t rounds = (end - p) / 64;
    if (rounds > 255) rounds = 255;
    for (; rounds > 0; --rounds, p += 64) {
      for (int k = 0; k < 4; ++k) sums[k] = _mm_sub_epi8(sums[k], found(p + 16 * k));
    }
    __m128i total = zero;
    for (const __m128i& sum : sums) total = _mm_add_epi64(total, _mm_sad_epu8(sum, zero));
    std::int64_t n = _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
    count += Wide ? n / 2 : n;
  }
#endif
  if (Wide) {
    for (; end - p >= 2; p += 2) count += (p[0] | p[1] << 8) == feed;
  } else {
    for (; p != end; ++p) count += *p == feed;
  }
  return count;
}

// How lines are found in each encoding, told apart by the codec's state: a
// byte order for UTF-16, a mode for ISO-2022-JP, nothing for the rest.
template <typename State, typename = void>
struct ByteOrderRules {
  static constexpr bool kWide = false;
  static bool Resolved(const State&) { return true; }
  static std::uint16_t Feed(const State&) { return 0x0A; }
};
template <typename State>
struct ByteOrderRules<State, std::void_t<decltype(State::order)>> {
  static constexpr bool kWide = true;
  // Until the first unit is read, the byte order may not be known.
  static bool Resolved(const State& state) { return state.order != Utf16ByteOrder::Detect; }
  static std::uint16_t Feed(const State& state) {
    return state.order == Utf16ByteOrder::BigEndian ? 0x0A00 : 0x000A;
  }
};
template <typename State, typename = void>
struct ModeRules {
  static State AtLineStart(State state) { return state; }
  static bool TakesColumn(const std::uint8_t*) { return true; }
};
template <typename State>
struct ModeRules<State, std::void_t<decltype(State::mode)>> {
  static State AtLineStart(State state) {
    state.mode = Iso2022Mode::Ascii;
    return state;
  }
  static bool TakesColumn(const std::uint8_t* p) { return *p != 0x1B; }
};

// Where the validation has been, in lines and columns: the position of a
// character start in the buffered bytes, the codec's state there, and the
// line and column of the character that starts there.
template <typename Codec>
class LineCursor {
  using State = typename Codec::State;
  using Order = ByteOrderRules<State>;
  using Mode = ModeRules<State>;

 public:
  // `vectors`: the block kernels in use, whose instructions count line feeds.
  LineCursor(const Codec& codec, State state, Kernel vectors)
      : codec_(codec), state_(state), vectors_(vectors) {}

  std::int64_t line() const { return line_; }
  std::int64_t column() const { return column_; }

  // The bytes from the cursor on are now at `at`, the input having moved
  // them (a refill, or a character carried across one).
  void Rebase(const std::uint8_t* at) { at_ = at; }

  // Moves over valid characters to `to`, which lies in the same bytes as the
  // cursor, before `limit`.
  void Pass(const std::uint8_t* to, const std::uint8_t* limit) {
    if (at_ >= to) return;
    if (!Order::Resolved(state_)) Over(limit);
    const std::uint8_t* feed = LastFeed(to);
    if (feed != nullptr) {
      line_ += CountLineFeeds<Order::kWide>(at_, feed, Order::Feed(state_), vectors_) + 1;
      column_ = 1;
      at_ = feed + (Order::kWide ? 2 : 1);
      state_ = Mode::AtLineStart(state_);
    }
    while (at_ < to) {
      column_ += Mode::TakesColumn(at_);
      at_ += codec_.Decode(at_, limit, state_).size;
    }
  }

  // Moves over the one character at the cursor, valid or not, decoded from
  // [cursor, end) as the validation decoded it.
  void Over(const std::uint8_t* end) {
    const std::uint8_t* start = at_;
    at_ += codec_.Decode(start, end, state_).size;
    std::int64_t feeds =
        CountLineFeeds<Order::kWide>(start, at_, Order::Feed(state_), Kernel::Scalar);
    if (feeds != 0) {
      line_ += feeds;
      column_ = 1;
    } else {
      column_ += Mode::TakesColumn(start);
    }
  }

 private:
  // The last line feed in [cursor, to), or null.
  const std::uint8_t* LastFeed(const std::uint8_t* to) const {
    if (Order::kWide) {
      std::uint16_t feed = Order::Feed(state_);
      for (const std::uint8_t* p = at_ + ((to - at_) & ~std::ptrdiff_t{1}); p > at_;) {
        p -= 2;
        if ((p[0] | p[1] << 8) == feed) return p;
      }
    } else {
      for (const std::uint8_t* p = to; p > at_;) {
        if (*--p == Order::Feed(state_)) return p;
      }
    }
    return nullptr;
  }

  const Codec& codec_;
  State state_;
  Kernel vectors_;
  const std::uint8_t* at_ = nullptr;
  std::int64_t line_ = 1;
  std::int64_t column_ = 1;
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_LINE_CURSOR_H_
