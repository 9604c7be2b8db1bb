// Deterministic benchmark inputs, built from the program's own code sets:
// Japanese-like text in each encoding, plain ASCII and random bytes.
#ifndef BENCH_CORPUS_H_
#define BENCH_CORPUS_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace codvet {
namespace bench {

// The kinds of input: "ja" text in one encoding (long runs of Japanese
// between stretches of ASCII), "mixed" records in one encoding (short runs
// of Japanese between commas, numbers and words), "ascii" text, "random"
// bytes.
enum class CorpusKind { Japanese, Mixed, Ascii, Random };

// Writes about `size` bytes of `kind` (for Japanese and Mixed, in the encoding the
// program calls `encoding`) to `path`; returns false if the file cannot be
// written. The same arguments always give the same bytes.
// Returns text of `kind` (not Random) in `encoding`, whole stretches or
// records up to at least `size` bytes, from `seed`; with `edgeCases`, rich in
// the forms the program accepts that real text seldom has (for the tests).
std::string MakeText(CorpusKind kind, const std::string& encoding, std::size_t size,
                     std::uint64_t seed, bool edgeCases);

bool WriteCorpus(const std::string& path, CorpusKind kind, const std::string& encoding,
                 std::size_t size);

}  // namespace bench
}  // namespace codvet

#endif  // BENCH_CORPUS_H_
