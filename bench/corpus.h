// Deterministic benchmark inputs, built from the program's own code sets:
// Japanese-like text in each encoding, plain ASCII and random bytes.
#ifndef BENCH_CORPUS_H_
#define BENCH_CORPUS_H_

#include <cstddef>
#include <string>

namespace codvet {
namespace bench {

// The kinds of input: "ja" text in one encoding, "ascii" text, "random" bytes.
enum class CorpusKind { Japanese, Ascii, Random };

// Writes about `size` bytes of `kind` (for Japanese, in the encoding the
// program calls `encoding`) to `path`; returns false if the file cannot be
// written. The same arguments always give the same bytes.
bool WriteCorpus(const std::string& path, CorpusKind kind, const std::string& encoding,
                 std::size_t size);

}  // namespace bench
}  // namespace codvet

#endif  // BENCH_CORPUS_H_
