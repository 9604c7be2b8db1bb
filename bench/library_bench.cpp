// codvet_library_bench: the library validating a buffer in memory against
// the program on a file of the same bytes, and the Python module's call on
// the same bytes against the C++ call it wraps; then the cost of one call on
// a short string, from C++ and from Python.
//
// usage: codvet_library_bench [--rounds N] [--python MODULE_DIR] [--large | --short]
//                             [--calls N] [--lines REAL_DIR]
//
// --lines alone times validation of a buffer with lines and columns counted
// against without, on the real-text corpora in REAL_DIR
// (scripts/real-corpora.sh), each encoding.
//
// Inputs are the benchmark's generated files (about 100 MB each; made here
// if missing). Figures are medians of user plus system time: the program's
// from wait4, the library's from getrusage around the call, Python's from
// time.process_time around validate() (bench/python_bench.py). Short
// strings are pieces of the generated Japanese text, whole characters, of
// 10 to 100 bytes and of 30 bytes, validated a million times over by one
// validator per encoding (as the Python module keeps one per thread).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codvet/codvet.h"
#include "corpus.h"

namespace codvet {
namespace bench {
namespace {

double CpuSeconds(const struct rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpu() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// CPU seconds of the program on `path`, output to /dev/null.
double RunProgram(const std::string& encoding, const std::string& path) {
  pid_t pid = fork();
  if (pid == 0) {
    int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    execl(CODVET_BINARY, "codvet", encoding.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  return CpuSeconds(usage);
}

bool CountProblem(void* context, const Problem&) {
  ++*static_cast<long*>(context);
  return true;
}

struct Options {
  int rounds = 5;
  std::string python;
  bool large = true;
  bool small = true;
  long calls = 1000 * 1000;
  std::string lines;
};

int LargeInputs(const Options& options);
int ShortStrings(const Options& options);
int LinesOnRealText(const Options& options);

int Main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--rounds") == 0 && hasValue) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--python") == 0 && hasValue) {
      options.python = argv[++i];
    } else if (std::strcmp(argv[i], "--calls") == 0 && hasValue) {
      options.calls = std::max(1L, std::atol(argv[++i]));
    } else if (std::strcmp(argv[i], "--lines") == 0 && hasValue) {
      options.lines = argv[++i];
    } else if (std::strcmp(argv[i], "--large") == 0) {
      options.small = false;
    } else if (std::strcmp(argv[i], "--short") == 0) {
      options.large = false;
    } else {
      std::fprintf(stderr,
                   "usage: codvet_library_bench [--rounds N] [--python MODULE_DIR] "
                   "[--large | --short] [--calls N] [--lines REAL_DIR]\n");
      return 2;
    }
  }
  if (!options.lines.empty()) return LinesOnRealText(options);
  int status = options.large ? LargeInputs(options) : 0;
  if (status == 0 && options.small) status = ShortStrings(options);
  return status;
}

int LargeInputs(const Options& options) {
  const int rounds = options.rounds;
  const std::string& python = options.python;
  struct Row {
    const char* file;
    CorpusKind kind;
    const char* encoding;
  };
  const Row rows[] = {
      {"ja-shift_jis.txt", CorpusKind::Japanese, "shift_jis"},
      {"ja-euc-jp.txt", CorpusKind::Japanese, "euc-jp"},
      {"ja-iso-2022-jp.txt", CorpusKind::Japanese, "iso-2022-jp"},
      {"ja-utf8.txt", CorpusKind::Japanese, "utf8"},
      {"ja-utf16.txt", CorpusKind::Japanese, "utf16"},
      {"ascii.txt", CorpusKind::Ascii, "utf8"},
      {"random.bin", CorpusKind::Random, "shift_jis"},
  };
  std::string dir = CODVET_BENCH_DIR "-2";
  mkdir(dir.c_str(), 0777);
  std::printf(
      "| input | encoding | program MB/s | library, callback MB/s | library, list MB/s |%s\n",
      python.empty() ? "" : " Python MB/s | Python / C++ list |");
  std::printf("|---|---|---:|---:|---:|%s\n", python.empty() ? "" : "---:|---:|");
  for (const Row& row : rows) {
    std::string path = dir + "/" + row.file;
    if (access(path.c_str(), R_OK) != 0 &&
        !WriteCorpus(path, row.kind, row.encoding, 100 * 1000 * 1000)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
      bytes.append(block, got);
    std::fclose(file);
    Validator validator(row.encoding);
    std::vector<double> program, callback, list;
    for (int round = 0; round < rounds; ++round) {
      program.push_back(RunProgram(row.encoding, path));
      long count = 0;
      double start = SelfCpu();
      validator.Validate(bytes.data(), bytes.size(), CountProblem, &count);
      callback.push_back(SelfCpu() - start);
      std::vector<Problem> problems;
      start = SelfCpu();
      validator.Validate(bytes.data(), bytes.size(), &problems);
      list.push_back(SelfCpu() - start);
    }
    double mb = static_cast<double>(bytes.size()) / 1e6;
    std::printf("| %s | %s | %.0f | %.0f | %.0f |", row.file, row.encoding, mb / Median(program),
                mb / Median(callback), mb / Median(list));
    if (!python.empty()) {
      std::string command = CODVET_PYTHON_EXECUTABLE " " CODVET_SOURCE_DIR
                                                     "/bench/python_bench.py " +
                            python + " " + path + " " + row.encoding + " " + std::to_string(rounds);
      double seconds = 0;
      std::FILE* pipe = popen(command.c_str(), "r");
      if (pipe == nullptr || std::fscanf(pipe, "%lf", &seconds) != 1) seconds = 0;
      if (pipe != nullptr) pclose(pipe);
      std::printf(" %.0f | %.2f |", seconds > 0 ? mb / seconds : 0, seconds / Median(list));
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}

// Validation of each real-text file in memory with and without lines and
// columns, by turns in each round so that both meet the same load.
int LinesOnRealText(const Options& options) {
  std::printf(
      "| input | encoding | memory, off MB/s | memory, on MB/s | on / off | file, off MB/s | "
      "file, on MB/s | on / off |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|\n");
  for (const char* kind : {"dict", "prose"}) {
    for (int e = 0; e < kEncodingCount; ++e) {
      std::string path = options.lines + "/" + kind + "-" + EncodingName(e) + ".txt";
      std::string bytes;
      std::FILE* file = std::fopen(path.c_str(), "rb");
      if (file == nullptr) {
        std::fprintf(stderr, "cannot read %s (scripts/real-corpora.sh makes it)\n", path.c_str());
        return 1;
      }
      char block[1 << 16];
      for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.append(block, got);
      std::fclose(file);
      Validator off(EncodingName(e)), on(EncodingName(e));
      on.SetOptions({true, false});
      // Memory off and on, then the file off and on.
      std::vector<double> times[4];
      long count = 0;
      for (int round = 0; round < options.rounds; ++round) {
        for (int k : {0, 1, 2, 3}) {
          Validator& validator = k % 2 != 0 ? on : off;
          double start = SelfCpu();
          if (k < 2) {
            validator.Validate(bytes.data(), bytes.size(), CountProblem, &count);
          } else {
            validator.ValidateFile(path.c_str(), CountProblem, &count);
          }
          times[k].push_back(SelfCpu() - start);
        }
      }
      double mb = static_cast<double>(bytes.size()) / 1e6;
      std::printf("| %s | %s |", kind, EncodingName(e));
      for (int k : {0, 2})
        std::printf(" %.0f | %.0f | %.3f |", mb / Median(times[k]), mb / Median(times[k + 1]),
                    Median(times[k + 1]) / Median(times[k]));
      std::printf("%s\n", count != 0 ? " invalid!" : "");
      std::fflush(stdout);
    }
  }
  return 0;
}

// Pieces of generated Japanese text in `encoding`, `count` of them, each of
// `lowest` to `highest` bytes at random, cut back to whole characters: a
// piece is shortened until the validator finds no problem in it (a
// character cut short always is one). "utf16" pieces start with a
// byte-order mark, counted in their size.
std::vector<std::string> ShortPieces(const std::string& encoding, std::size_t count,
                                     std::size_t lowest, std::size_t highest) {
  std::string text = MakeText(CorpusKind::Japanese, encoding, count * highest + 4096, 7, false);
  std::string mark = encoding == "utf16" ? "\xFE\xFF" : "";
  Validator validator(encoding.c_str());
  std::vector<std::string> pieces;
  std::uint64_t random = 0x9E3779B97F4A7C15u;
  std::size_t at = mark.size();
  while (pieces.size() < count && at < text.size()) {
    random ^= random << 13, random ^= random >> 7, random ^= random << 17;
    std::size_t size = lowest + random % (highest - lowest + 1) - mark.size();
    std::string piece = text.substr(at, size);
    while (!piece.empty() && validator.Validate((mark + piece).data(), mark.size() + piece.size(),
                                                nullptr, nullptr) != Status::Valid) {
      piece.pop_back();
    }
    if (piece.empty()) {  // no whole character fits: pass one byte on
      at += 1;
      continue;
    }
    at += piece.size();
    pieces.push_back(mark + piece);
  }
  return pieces;
}

// Nanoseconds per call of `calls` calls on `pieces` in turn, elapsed and CPU,
// and whether every piece was valid.
struct CallCost {
  double elapsed = 0;
  double cpu = 0;
  bool valid = true;
};

CallCost TimeCalls(Validator& validator, const std::vector<std::string>& pieces, long calls) {
  CallCost cost;
  std::vector<Problem> problems;
  double cpu = SelfCpu();
  auto start = std::chrono::steady_clock::now();
  std::size_t next = 0;
  for (long i = 0; i < calls; ++i) {
    const std::string& piece = pieces[next];
    next = next + 1 == pieces.size() ? 0 : next + 1;
    cost.valid &= validator.Validate(piece.data(), piece.size(), &problems) == Status::Valid;
  }
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  cost.elapsed = elapsed.count() * 1e9 / static_cast<double>(calls);
  cost.cpu = (SelfCpu() - cpu) * 1e9 / static_cast<double>(calls);
  return cost;
}

// Writes the pieces, each as a 4-byte little-endian length and its bytes,
// for the Python side.
bool WritePieces(const std::string& path, const std::vector<std::string>& pieces) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  for (const std::string& piece : pieces) {
    unsigned char length[4] = {static_cast<unsigned char>(piece.size()),
                               static_cast<unsigned char>(piece.size() >> 8), 0, 0};
    std::fwrite(length, 1, 4, file);
    std::fwrite(piece.data(), 1, piece.size(), file);
  }
  return std::fclose(file) == 0;
}

// Nanoseconds per call of the Python module's validate() on the pieces,
// median of the rounds, elapsed and CPU (bench/python_bench.py).
bool PythonCalls(const Options& options, const std::string& encoding,
                 const std::vector<std::string>& pieces, double& elapsed, double& cpu) {
  std::string path = std::string(CODVET_BENCH_DIR) + "-2/short-" + encoding + ".bin";
  if (!WritePieces(path, pieces)) return false;
  std::string command = CODVET_PYTHON_EXECUTABLE " " CODVET_SOURCE_DIR "/bench/python_bench.py " +
                        options.python + " " + path + " " + encoding + " " +
                        std::to_string(options.rounds) + " --short " +
                        std::to_string(options.calls);
  std::FILE* pipe = popen(command.c_str(), "r");
  bool ok = pipe != nullptr && std::fscanf(pipe, "%lf %lf", &elapsed, &cpu) == 2;
  if (pipe != nullptr) pclose(pipe);
  std::remove(path.c_str());
  return ok;
}

int ShortStrings(const Options& options) {
  mkdir((std::string(CODVET_BENCH_DIR) + "-2").c_str(), 0777);
  std::printf(
      "\nShort strings: %ld calls per figure on pieces of Japanese text, one validator per "
      "encoding; ns per call, median of %d rounds, elapsed (CPU)\n\n",
      options.calls, options.rounds);
  std::printf("| encoding | C++, 10-100 bytes | C++, 30 bytes |%s\n",
              options.python.empty() ? "" : " Python, 10-100 bytes | Python, 30 bytes |");
  std::printf("|---|---:|---:|%s\n", options.python.empty() ? "" : "---:|---:|");
  for (int e = 0; e < kEncodingCount; ++e) {
    std::string encoding = EncodingName(e);
    std::vector<std::string> mixed = ShortPieces(encoding, 10000, 10, 100);
    std::vector<std::string> thirty = ShortPieces(encoding, 10000, 30, 30);
    Validator validator(encoding.c_str());
    std::printf("| %s |", encoding.c_str());
    for (const std::vector<std::string>* pieces : {&mixed, &thirty}) {
      std::vector<double> elapsed, cpu;
      bool valid = true;
      for (int round = 0; round < options.rounds; ++round) {
        CallCost cost = TimeCalls(validator, *pieces, options.calls);
        elapsed.push_back(cost.elapsed);
        cpu.push_back(cost.cpu);
        valid &= cost.valid;
      }
      std::printf(" %.0f (%.0f)%s |", Median(elapsed), Median(cpu), valid ? "" : " invalid!");
    }
    if (!options.python.empty()) {
      for (const std::vector<std::string>* pieces : {&mixed, &thirty}) {
        double elapsed = 0, cpu = 0;
        if (PythonCalls(options, encoding, *pieces, elapsed, cpu)) {
          std::printf(" %.0f (%.0f) |", elapsed, cpu);
        } else {
          std::printf(" - |");
        }
      }
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace
}  // namespace bench
}  // namespace codvet

int main(int argc, char** argv) {
  return codvet::bench::Main(argc, argv);
}
