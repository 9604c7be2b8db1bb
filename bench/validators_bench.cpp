// In-process figures for the validators alone, with the fast path and with
// the plain path, on 16 MB of each generated input held in memory and handed
// over in 64 KiB blocks as the program reads files. Report lines go to
// /dev/null. Run codvet_microbench (Google Benchmark flags apply).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchmark/benchmark.h"
#include "corpus.h"
#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace bench {
namespace {

constexpr std::size_t kSize = 16 * 1000 * 1000;

const std::string& Corpus(CorpusKind kind, const std::string& encoding) {
  static std::vector<std::pair<std::string, std::string>> loaded;
  std::string name = kind == CorpusKind::Japanese ? "ja-" + encoding
                     : kind == CorpusKind::Ascii  ? std::string("ascii")
                                                  : std::string("random");
  for (const auto& entry : loaded) {
    if (entry.first == name) return entry.second;
  }
  std::string path = std::string(CODVET_BENCH_DIR) + "-micro-" + name;
  std::string bytes;
  if (WriteCorpus(path, kind, encoding, kSize)) {
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
      bytes.resize(kSize);
      bytes.resize(std::fread(&bytes[0], 1, kSize, file));
      std::fclose(file);
    }
    std::remove(path.c_str());
  }
  loaded.emplace_back(name, std::move(bytes));
  return loaded.back().second;
}

void Validate(benchmark::State& state, CorpusKind kind, const char* encodingName) {
  const std::string& bytes = Corpus(kind, encodingName);
  const Encoding* encoding = FindEncoding(encodingName);
  int devNull = open("/dev/null", O_WRONLY);
  ReportSink sink(devNull, "\n");
  CodeTables tables;
  LoadTables(tables, *encoding);
  EncodingValidator validator(&sink);
  ByteInput input;
  validator.tables = &tables;
  validator.input = &input;
  validator.displayName = "bench.txt";
  validator.useFastPath = state.range(0) != 0;
  for (auto _ : state) {
    input.OpenMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                     ByteInput::kDefaultCapacity);
    benchmark::DoNotOptimize(RunOperation(validator, *encoding));
  }
  sink.Flush();
  close(devNull);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}

void Register() {
  for (const char* name : {"shift_jis", "windows-31j", "euc-jp", "iso-2022-jp", "utf8", "utf16",
                           "utf16be", "utf16le"}) {
    benchmark::RegisterBenchmark((std::string("ja/") + name).c_str(), Validate,
                                 CorpusKind::Japanese, name)
        ->ArgName("fast")
        ->Arg(1)
        ->Arg(0);
  }
  for (const char* name : {"shift_jis", "utf8"}) {
    benchmark::RegisterBenchmark((std::string("ascii/") + name).c_str(), Validate,
                                 CorpusKind::Ascii, name)
        ->ArgName("fast")
        ->Arg(1)
        ->Arg(0);
    benchmark::RegisterBenchmark((std::string("random/") + name).c_str(), Validate,
                                 CorpusKind::Random, name)
        ->ArgName("fast")
        ->Arg(1)
        ->Arg(0);
  }
}

}  // namespace
}  // namespace bench
}  // namespace codvet

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  codvet::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
