// codvet_library_bench: the library validating a buffer in memory against
// the program on a file of the same bytes, and the Python module's call on
// the same bytes against the C++ call it wraps.
//
// usage: codvet_library_bench [--rounds N] [--python MODULE_DIR]
//
// Inputs are the benchmark's generated files (about 100 MB each; made here
// if missing). Figures are medians of user plus system time: the program's
// from wait4, the library's from getrusage around the call, Python's from
// time.process_time around validate() (bench/python_bench.py).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

int Main(int argc, char** argv) {
  int rounds = 5;
  std::string python;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--python") == 0) python = argv[i + 1];
  }
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

}  // namespace
}  // namespace bench
}  // namespace codvet

int main(int argc, char** argv) {
  return codvet::bench::Main(argc, argv);
}
