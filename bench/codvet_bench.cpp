// codvet_bench: throughput and peak memory of the built codvet program on
// generated inputs of about 100 MB and on real text (scripts/real-corpora.sh
// builds it from Debian packages), side by side with iconv (where installed)
// and with the bound: the fastest plain loop that reads the file and looks at
// every byte, which no validator that reads its input can beat; and the
// validators run in this process on each block kernel the processor has. Then many small files:
// 4,000 pieces of 0.1 to 8 KB of the generated Japanese text per encoding, checked by one run of
// the program, beside a pass of this program's own that only opens, reads and closes each file, and
// beside one run of iconv over them all.
//
// usage: codvet_bench [--rounds N] [--size MB] [--dir DIR] [--codvet PATH] [--only NAME] [--cpu]
//                     [--baseline PATH] [--large | --small] [--files N] [--real DIR]
//
// Rounds alternate the contenders on each input; figures are medians of
// elapsed time, or with --cpu of user plus system time (steadier when other
// work shares the machine). Inputs are generated once into DIR and reused
// while their size matches.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corpus.h"
#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validators/block_kernels.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace bench {
namespace {

struct Input {
  std::string name;  // of the file, in DIR (or the real-text DIR)
  CorpusKind kind;
  std::string encoding;   // codvet's name for the encoding the file is checked in
  const char* iconvName;  // null: iconv is not run on it
  bool real = false;      // built by scripts/real-corpora.sh, never generated here
};

struct Options {
  int rounds = 5;
  std::size_t size = 100 * 1000 * 1000;
  // The generator's version is part of the directory, so that a changed
  // generator never meets old files.
  std::string dir = CODVET_BENCH_DIR "-2";
  std::string codvet = CODVET_BINARY;
  std::string only;
  // Where scripts/real-corpora.sh left the real-text inputs; they are left
  // out when absent.
  std::string realDir = CODVET_BENCH_REAL_DIR;
  bool cpu = false;
  // Another build of codvet run on each file beside this one, for a
  // before-and-after ratio measured in the same rounds.
  std::string baseline;
  // Which cases run: the large files, the many small files, or both.
  bool large = true;
  bool small = true;
  int smallFiles = 4000;
};

// What one run of a program measured.
struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
  int status = -1;
};

double Seconds(const struct timeval& t) {
  return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double CpuSeconds(const struct rusage& usage) {
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs `argv` in the directory `dir` with standard output to /dev/null and
// standard input from `inputFd` (or fed from `feedPath` through a pipe when
// it is not empty).
Run RunProgram(const std::vector<std::string>& argv, const std::string& dir, int inputFd,
               const std::string& feedPath) {
  Run run;
  int pipeFds[2] = {-1, -1};
  if (!feedPath.empty() && pipe(pipeFds) != 0) return run;
  double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
    int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    if (!feedPath.empty()) {
      dup2(pipeFds[0], 0);
      close(pipeFds[0]);
      close(pipeFds[1]);
    } else if (inputFd >= 0) {
      dup2(inputFd, 0);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  if (!feedPath.empty()) {
    close(pipeFds[0]);
    int fd = open(feedPath.c_str(), O_RDONLY);
    std::unique_ptr<char[]> block(new char[1 << 20]);
    ssize_t got;
    while (fd >= 0 && (got = read(fd, block.get(), 1 << 20)) > 0) {
      ssize_t done = 0;
      while (done < got) {
        ssize_t put = write(pipeFds[1], block.get() + done, static_cast<std::size_t>(got - done));
        if (put <= 0) break;
        done += put;
      }
      if (done < got) break;
    }
    if (fd >= 0) close(fd);
    close(pipeFds[1]);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) == pid) {
    run.seconds = Now() - start;
    run.cpuSeconds = CpuSeconds(usage);
    run.maxRssKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return run;
}

// Validates the file in this process with the validator forced onto
// `kernel`, report lines to /dev/null: the figure of each kernel, which the
// program itself always picks for the processor.
Run InProcess(const std::string& path, const std::string& encoding, Kernel kernel) {
  Run run;
  struct rusage before;
  getrusage(RUSAGE_SELF, &before);
  double start = Now();
  int fd = open(path.c_str(), O_RDONLY);
  int devNull = open("/dev/null", O_WRONLY);
  if (fd < 0 || devNull < 0) return run;
  {
    ReportSink sink(devNull, "\n");
    ByteInput input;
    input.Open(fd);
    const Encoding& row = *FindEncoding(encoding.c_str());
    CodeTables tables;
    LoadTables(tables, row);
    EncodingValidator validator(&sink);
    validator.tables = &tables;
    validator.input = &input;
    validator.displayName = path;
    validator.kernel = kernel;
    run.status = RunOperation(validator, row) ? 0 : 1;
  }
  close(fd);
  close(devNull);
  run.seconds = Now() - start;
  struct rusage after;
  getrusage(RUSAGE_SELF, &after);
  run.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
  return run;
}

constexpr Kernel kKernels[] = {Kernel::Scalar, Kernel::Sse, Kernel::Avx2, Kernel::Avx512,
                               Kernel::Neon};
constexpr const char* kKernelNames[] = {"scalar", "SSE", "AVX2", "AVX-512", "NEON"};
constexpr int kKernelCount = 5;

// Reads the file in blocks of `blockSize` bytes and ORs every 64-bit word:
// the least any program pays that looks at every byte (the compiler
// vectorizes the loop), so the bound no validator can beat.
Run ReadBound(const std::string& path, std::size_t blockSize) {
  Run run;
  static std::unique_ptr<std::uint64_t[]> block(new std::uint64_t[(1 << 20) / 8]);
  struct rusage before;
  getrusage(RUSAGE_SELF, &before);
  double start = Now();
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return run;
  std::uint64_t any = 0;
  ssize_t got;
  while ((got = read(fd, block.get(), blockSize)) > 0) {
    std::size_t words = static_cast<std::size_t>(got + 7) / 8;
    if (got % 8 != 0) std::memset(reinterpret_cast<char*>(block.get()) + got, 0, 8 - got % 8);
    for (std::size_t i = 0; i < words; ++i) any |= block[i];
  }
  close(fd);
  run.seconds = Now() - start;
  struct rusage after;
  getrusage(RUSAGE_SELF, &after);
  run.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
  run.status = any == 1 ? 1 : 0;  // keeps the result alive
  return run;
}

// The block sizes the bound tries; the faster median counts.
constexpr std::size_t kBoundBlocks[] = {std::size_t{1} << 20, std::size_t{1} << 17};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long MaxOf(const std::vector<long>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

bool HaveIconv() {
  return RunProgram({"iconv", "--version"}, "", -1, "").status == 0;
}

std::size_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

// Share of bytes from 0x80 up: how much of a text is not ASCII.
double NonAsciiShare(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  std::vector<unsigned char> block(1 << 20);
  std::size_t got = std::fread(block.data(), 1, block.size(), file);
  std::fclose(file);
  std::size_t high = 0;
  for (std::size_t i = 0; i < got; ++i) high += block[i] >= 0x80;
  return got == 0 ? 0 : static_cast<double>(high) / static_cast<double>(got);
}

std::vector<Input> Inputs() {
  using K = CorpusKind;
  return {
      {"ja-shift_jis.txt", K::Japanese, "shift_jis", "SHIFT_JIS"},
      {"ja-windows-31j.txt", K::Japanese, "windows-31j", "CP932"},
      {"ja-euc-jp.txt", K::Japanese, "euc-jp", "EUC-JP"},
      {"ja-iso-2022-jp.txt", K::Japanese, "iso-2022-jp", "ISO-2022-JP"},
      {"ja-utf8.txt", K::Japanese, "utf8", "UTF-8"},
      {"ja-utf16.txt", K::Japanese, "utf16", "UTF-16"},
      {"ja-utf16be.txt", K::Japanese, "utf16be", "UTF-16BE"},
      {"ja-utf16le.txt", K::Japanese, "utf16le", "UTF-16LE"},
      {"mixed-shift_jis.txt", K::Mixed, "shift_jis", "SHIFT_JIS"},
      {"mixed-windows-31j.txt", K::Mixed, "windows-31j", "CP932"},
      {"mixed-euc-jp.txt", K::Mixed, "euc-jp", "EUC-JP"},
      {"mixed-iso-2022-jp.txt", K::Mixed, "iso-2022-jp", "ISO-2022-JP"},
      {"mixed-utf8.txt", K::Mixed, "utf8", "UTF-8"},
      {"mixed-utf16.txt", K::Mixed, "utf16", "UTF-16"},
      {"mixed-utf16be.txt", K::Mixed, "utf16be", "UTF-16BE"},
      {"mixed-utf16le.txt", K::Mixed, "utf16le", "UTF-16LE"},
      {"ascii.txt", K::Ascii, "shift_jis", "SHIFT_JIS"},
      {"ascii.txt", K::Ascii, "windows-31j", "CP932"},
      {"ascii.txt", K::Ascii, "euc-jp", "EUC-JP"},
      {"ascii.txt", K::Ascii, "iso-2022-jp", "ISO-2022-JP"},
      {"ascii.txt", K::Ascii, "utf8", "UTF-8"},
      // iconv stops at the first bad byte, so it has nothing to say here.
      {"random.bin", K::Random, "shift_jis", nullptr},
      {"random.bin", K::Random, "utf8", nullptr},
  };
}

// The real-text inputs: the same text as dictionaries and as prose in each
// encoding.
std::vector<Input> RealInputs() {
  static const char* const kNames[][2] = {
      {"shift_jis", "SHIFT_JIS"},     {"windows-31j", "CP932"}, {"euc-jp", "EUC-JP"},
      {"iso-2022-jp", "ISO-2022-JP"}, {"utf8", "UTF-8"},        {"utf16", "UTF-16"},
      {"utf16be", "UTF-16BE"},        {"utf16le", "UTF-16LE"}};
  std::vector<Input> inputs;
  for (const char* kind : {"dict", "prose"}) {
    for (const auto& name : kNames) {
      inputs.push_back({std::string(kind) + "-" + name[0] + ".txt", CorpusKind::Japanese, name[0],
                        name[1], true});
    }
  }
  return inputs;
}

int LargeFiles(const Options& options);
int SmallFiles(const Options& options);

int Main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--rounds" && hasValue) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--size" && hasValue) {
      options.size = static_cast<std::size_t>(std::max(1, std::atoi(argv[++i]))) * 1000 * 1000;
    } else if (arg == "--dir" && hasValue) {
      options.dir = argv[++i];
    } else if (arg == "--codvet" && hasValue) {
      options.codvet = argv[++i];
    } else if (arg == "--only" && hasValue) {
      options.only = argv[++i];
    } else if (arg == "--cpu") {
      options.cpu = true;
    } else if (arg == "--baseline" && hasValue) {
      options.baseline = argv[++i];
    } else if (arg == "--large") {
      options.small = false;
    } else if (arg == "--small") {
      options.large = false;
    } else if (arg == "--real" && hasValue) {
      options.realDir = argv[++i];
    } else if (arg == "--files" && hasValue) {
      options.smallFiles = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr,
                   "usage: codvet_bench [--rounds N] [--size MB] [--dir DIR] [--codvet PATH] "
                   "[--only NAME] [--cpu] [--baseline PATH] [--large | --small] [--files N] "
                   "[--real DIR]\n");
      return 2;
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  // The programs run in the inputs' directory.
  for (std::string* program : {&options.codvet, &options.baseline}) {
    if (program->empty()) continue;
    if (char* absolute = realpath(program->c_str(), nullptr)) {
      *program = absolute;
      std::free(absolute);
    }
  }
  mkdir(options.dir.c_str(), 0777);
  int status = options.large ? LargeFiles(options) : 0;
  if (status == 0 && options.small) status = SmallFiles(options);
  return status;
}

int LargeFiles(const Options& options) {
  std::vector<Input> inputs;
  std::vector<Input> candidates = Inputs();
  for (const Input& input : RealInputs()) {
    if (FileSize(options.realDir + "/" + input.name) != 0) candidates.push_back(input);
  }
  for (const Input& input : candidates) {
    if (options.only.empty() || input.name.find(options.only) != std::string::npos ||
        input.encoding == options.only) {
      inputs.push_back(input);
    }
  }
  // Generated sizes overshoot the request by less than one 1 MiB block.
  for (const Input& input : inputs) {
    if (input.real) continue;
    std::string path = options.dir + "/" + input.name;
    std::size_t have = FileSize(path);
    if (have >= options.size && have < options.size + (std::size_t{1} << 20)) continue;
    std::fprintf(stderr, "generating %s\n", path.c_str());
    if (!WriteCorpus(path, input.kind, input.encoding, options.size)) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  bool iconv = HaveIconv();

  struct Figures {
    std::vector<double> codvet, pipe, iconv, bound[2], kernels[kKernelCount], baseline;
    std::vector<long> codvetRss, pipeRss, iconvRss;
    int codvetStatus = -1, iconvStatus = -1;
  };
  std::vector<Figures> figures(inputs.size());
  for (int round = 0; round < options.rounds; ++round) {
    std::fprintf(stderr, "round %d of %d\n", round + 1, options.rounds);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const Input& input = inputs[i];
      const std::string& dir = input.real ? options.realDir : options.dir;
      std::string path = dir + "/" + input.name;
      Figures& f = figures[i];
      // The order changes from round to round so that no contender always
      // runs right after another.
      for (int step = 0; step < 5 + kKernelCount; ++step) {
        int which = (step + round) % (5 + kKernelCount);
        if (which == 4 + kKernelCount) {
          if (!options.baseline.empty()) {
            Run run = RunProgram({options.baseline, input.encoding, input.name}, dir, -1, "");
            f.baseline.push_back(options.cpu ? run.cpuSeconds : run.seconds);
          }
          continue;
        }
        if (which >= 4) {
          Kernel kernel = kKernels[which - 4];
          if (KernelSupported(kernel)) {
            Run run = InProcess(path, input.encoding, kernel);
            f.kernels[which - 4].push_back(options.cpu ? run.cpuSeconds : run.seconds);
          }
          continue;
        }
        switch (which) {
          case 0: {
            // The bare file name, as a user would type it: the name is in every
            // report line.
            Run run = RunProgram({options.codvet, input.encoding, input.name}, dir, -1, "");
            f.codvet.push_back(options.cpu ? run.cpuSeconds : run.seconds);
            f.codvetRss.push_back(run.maxRssKb);
            f.codvetStatus = run.status;
            break;
          }
          case 1: {
            Run run = RunProgram({options.codvet, input.encoding}, "", -1, path);
            f.pipe.push_back(options.cpu ? run.cpuSeconds : run.seconds);
            f.pipeRss.push_back(run.maxRssKb);
            break;
          }
          case 2:
            if (iconv && input.iconvName != nullptr) {
              Run run = RunProgram({"iconv", "-f", input.iconvName, "-t", "UTF-8", input.name}, dir,
                                   -1, "");
              f.iconv.push_back(options.cpu ? run.cpuSeconds : run.seconds);
              f.iconvRss.push_back(run.maxRssKb);
              f.iconvStatus = run.status;
            }
            break;
          case 3:
            for (int b = 0; b < 2; ++b) {
              Run run = ReadBound(path, kBoundBlocks[b]);
              f.bound[b].push_back(options.cpu ? run.cpuSeconds : run.seconds);
            }
            break;
        }
      }
    }
  }

  std::printf(
      "%d rounds, medians of %s; MB = 10^6 bytes; RSS = peak resident set of the process\n\n",
      options.rounds, options.cpu ? "user + system time" : "elapsed time");
  std::printf(
      "| input | encoding | codvet MB/s | iconv MB/s | x iconv | bound MB/s | of bound | "
      "pipe MB/s | RSS file KB | RSS pipe KB | iconv RSS KB | exit |");
  for (const char* name : kKernelNames) std::printf(" %s |", name);
  std::printf(
      " baseline MB/s | x baseline |\n|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|");
  for (int k = 0; k < kKernelCount; ++k) std::printf("---:|");
  std::printf("---:|---:|\n");
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const Input& input = inputs[i];
    const Figures& f = figures[i];
    double mb = static_cast<double>(
                    FileSize((input.real ? options.realDir : options.dir) + "/" + input.name)) /
                1e6;
    double codvet = mb / Median(f.codvet);
    double bound = mb / std::min(Median(f.bound[0]), Median(f.bound[1]));
    char iconvText[32] = "-";
    char ratioText[32] = "-";
    char iconvRss[32] = "-";
    if (!f.iconv.empty()) {
      double rate = mb / Median(f.iconv);
      std::snprintf(iconvText, sizeof iconvText, "%.0f%s", rate,
                    f.iconvStatus == 0 ? "" : " (failed)");
      std::snprintf(ratioText, sizeof ratioText, "%.1f", codvet / rate);
      std::snprintf(iconvRss, sizeof iconvRss, "%ld", MaxOf(f.iconvRss));
    }
    std::printf("| %s | %s | %.0f | %s | %s | %.0f | %.2f | %.0f | %ld | %ld | %s | %d |",
                input.name.c_str(), input.encoding.c_str(), codvet, iconvText, ratioText, bound,
                codvet / bound, mb / Median(f.pipe), MaxOf(f.codvetRss), MaxOf(f.pipeRss), iconvRss,
                f.codvetStatus);
    for (const std::vector<double>& k : f.kernels) {
      if (k.empty()) {
        std::printf(" - |");
      } else {
        std::printf(" %.0f (%.2f) |", mb / Median(k), mb / Median(k) / bound);
      }
    }
    if (f.baseline.empty()) {
      std::printf(" - | - |\n");
    } else {
      double baseline = mb / Median(f.baseline);
      std::printf(" %.0f | %.2f |\n", baseline, codvet / baseline);
    }
  }
  for (const Input& input : inputs) {
    if (input.kind != CorpusKind::Ascii && input.kind != CorpusKind::Random &&
        input.encoding == "shift_jis") {
      std::printf(
          "\nBytes from 0x80 up in %s: %.0f%%\n", input.name.c_str(),
          100 * NonAsciiShare((input.real ? options.realDir : options.dir) + "/" + input.name));
    }
  }
  return 0;
}

// The many-small-files case, one set of files per encoding.
struct SmallSet {
  std::string encoding;
  const char* iconvName;
  std::string dir;
  std::vector<std::string> names;
  std::size_t bytes = 0;
};

// The smallest and largest piece cut from the text, before it is taken on
// to a line end.
constexpr std::size_t kSmallestPiece = 100;
constexpr std::size_t kLargestPiece = 8 * 1024;

// Cuts `count` pieces of Japanese text in `encoding` into `dir` as
// 0000.txt, 0001.txt...: each from kSmallestPiece to kLargestPiece bytes at
// random, ended after the nearest line break, so that every piece is whole
// text in its own right (in ASCII mode for ISO-2022-JP, with a byte-order
// mark for utf16). Made once; a directory with the list file is reused.
bool MakeSmallFiles(SmallSet& set, int count) {
  std::string list = set.dir + "/files.txt";
  set.names.clear();
  set.bytes = 0;
  if (std::FILE* file = std::fopen(list.c_str(), "r")) {
    char name[64];
    while (std::fscanf(file, "%63s", name) == 1) set.names.push_back(name);
    std::fclose(file);
    if (static_cast<int>(set.names.size()) == count) {
      for (const std::string& name : set.names) set.bytes += FileSize(set.dir + "/" + name);
      return true;
    }
    set.names.clear();
  }
  std::fprintf(stderr, "generating %d files in %s\n", count, set.dir.c_str());
  mkdir(set.dir.c_str(), 0777);
  // Text enough for every piece at its largest.
  std::string text = MakeText(CorpusKind::Japanese, set.encoding,
                              static_cast<std::size_t>(count) * (kLargestPiece + 512), 21, false);
  bool utf16 = set.encoding.compare(0, 5, "utf16") == 0;
  std::string mark = set.encoding == "utf16" ? "\xFE\xFF" : "";
  std::size_t unit = utf16 ? 2 : 1;
  std::string lineBreak = set.encoding == "utf16le" ? std::string("\n\0", 2)
                          : utf16                   ? std::string("\0\n", 2)
                                                    : std::string("\n");
  // The position just after the line break that ends at or before `limit`
  // and after `from`, or else the first one after `limit`.
  auto lineEnd = [&](std::size_t from, std::size_t limit) {
    for (std::size_t at = limit; at >= from + unit; at -= unit) {
      if (text.compare(at - lineBreak.size(), lineBreak.size(), lineBreak) == 0) return at;
    }
    for (std::size_t at = limit; at <= text.size(); at += unit) {
      if (text.compare(at - lineBreak.size(), lineBreak.size(), lineBreak) == 0) return at;
    }
    return text.size();
  };
  std::uint64_t random = 0x2545F4914F6CDD1Du;
  std::size_t at = mark.size();
  for (int i = 0; i < count; ++i) {
    random ^= random << 13, random ^= random >> 7, random ^= random << 17;
    std::size_t size = kSmallestPiece + random % (kLargestPiece - kSmallestPiece + 1);
    std::size_t end = lineEnd(at, at + size / unit * unit);
    char name[16];
    std::snprintf(name, sizeof name, "%04d.txt", i);
    std::string piece = mark + text.substr(at, end - at);
    std::FILE* file = std::fopen((set.dir + "/" + name).c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    if (std::fclose(file) != 0 || !ok) return false;
    set.names.push_back(name);
    set.bytes += piece.size();
    at = end;
  }
  std::FILE* file = std::fopen(list.c_str(), "w");
  if (file == nullptr) return false;
  for (const std::string& name : set.names) std::fprintf(file, "%s\n", name.c_str());
  return std::fclose(file) == 0;
}

// Opens, reads in 1 MiB blocks and closes each file, as any program that
// checks them must: the bound for many small files.
Run OpenReadClose(const SmallSet& set) {
  Run run;
  static std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[1 << 20]);
  struct rusage before;
  getrusage(RUSAGE_SELF, &before);
  double start = Now();
  int dir = open(set.dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return run;
  std::size_t total = 0;
  for (const std::string& name : set.names) {
    int fd = openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return run;
    ssize_t got;
    while ((got = read(fd, block.get(), 1 << 20)) > 0) total += static_cast<std::size_t>(got);
    close(fd);
  }
  close(dir);
  run.seconds = Now() - start;
  struct rusage after;
  getrusage(RUSAGE_SELF, &after);
  run.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
  run.status = total == set.bytes ? 0 : 1;
  return run;
}

int SmallFiles(const Options& options) {
  std::vector<SmallSet> sets;
  for (const Input& input : Inputs()) {
    if (input.kind != CorpusKind::Japanese) continue;
    if (!options.only.empty() && input.encoding != options.only) continue;
    SmallSet set;
    set.encoding = input.encoding;
    set.iconvName = input.iconvName;
    set.dir = options.dir + "/small-" + std::to_string(options.smallFiles) + "-" + input.encoding;
    // Made in a child process: the text it is cut from would otherwise stay
    // in this process's memory and count in the peak of every program it
    // starts (Linux counts the memory a child had when it was forked).
    pid_t pid = fork();
    if (pid == 0) _exit(MakeSmallFiles(set, options.smallFiles) ? 0 : 1);
    int status = 1;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || status != 0 ||
        !MakeSmallFiles(set, options.smallFiles)) {
      std::fprintf(stderr, "cannot write %s: %s\n", set.dir.c_str(), std::strerror(errno));
      return 1;
    }
    sets.push_back(set);
  }
  bool iconv = HaveIconv();
  struct Figures {
    std::vector<double> codvet, bound, iconv, baseline;
    std::vector<long> codvetRss;
    int codvetStatus = -1, iconvStatus = -1, baselineStatus = -1;
  };
  std::vector<Figures> figures(sets.size());
  for (int round = 0; round < options.rounds; ++round) {
    std::fprintf(stderr, "small files: round %d of %d\n", round + 1, options.rounds);
    for (std::size_t i = 0; i < sets.size(); ++i) {
      const SmallSet& set = sets[i];
      Figures& f = figures[i];
      for (int step = 0; step < 4; ++step) {
        auto time = [&](const Run& run) { return options.cpu ? run.cpuSeconds : run.seconds; };
        switch ((step + round) % 4) {
          case 0: {
            std::vector<std::string> argv = {options.codvet, set.encoding};
            argv.insert(argv.end(), set.names.begin(), set.names.end());
            Run run = RunProgram(argv, set.dir, -1, "");
            f.codvet.push_back(time(run));
            f.codvetRss.push_back(run.maxRssKb);
            f.codvetStatus = run.status;
            break;
          }
          case 1: {
            Run run = OpenReadClose(set);
            if (run.status != 0) return 1;
            f.bound.push_back(time(run));
            break;
          }
          case 2:
            if (iconv) {
              std::vector<std::string> argv = {"iconv", "-f", set.iconvName, "-t", "UTF-8"};
              argv.insert(argv.end(), set.names.begin(), set.names.end());
              Run run = RunProgram(argv, set.dir, -1, "");
              f.iconv.push_back(time(run));
              f.iconvStatus = run.status;
            }
            break;
          case 3:
            if (!options.baseline.empty()) {
              std::vector<std::string> argv = {options.baseline, set.encoding};
              argv.insert(argv.end(), set.names.begin(), set.names.end());
              Run run = RunProgram(argv, set.dir, -1, "");
              f.baseline.push_back(time(run));
              f.baselineStatus = run.status;
            }
            break;
        }
      }
    }
  }
  // Ratios are medians of each round's ratio, the contenders of a round
  // having run one right after the other.
  auto pairedRatio = [](const std::vector<double>& over, const std::vector<double>& under) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < over.size() && i < under.size(); ++i)
      ratios.push_back(over[i] / under[i]);
    return Median(ratios);
  };
  std::printf(
      "\n%d files of %zu to %zu bytes (to a line end) per encoding, one run over them all; "
      "%d rounds, medians of %s; \"of bound\" = bound time / codvet time, ratios "
      "medians of each round's\n\n",
      options.smallFiles, kSmallestPiece, kLargestPiece, options.rounds,
      options.cpu ? "user + system time" : "elapsed time");
  std::printf(
      "| encoding | MB | codvet ms | bound ms | of bound | iconv ms | x iconv | "
      "baseline ms | x baseline | RSS KB | exit |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const Figures& f = figures[i];
    double codvet = Median(f.codvet);
    char iconvText[48] = "- | -";
    char baselineText[48] = "- | -";
    if (!f.iconv.empty()) {
      std::snprintf(iconvText, sizeof iconvText, "%.1f%s | %.1f", 1e3 * Median(f.iconv),
                    f.iconvStatus == 0 ? "" : " (failed)", pairedRatio(f.iconv, f.codvet));
    }
    if (!f.baseline.empty()) {
      std::snprintf(baselineText, sizeof baselineText, "%.1f | %.2f", 1e3 * Median(f.baseline),
                    pairedRatio(f.baseline, f.codvet));
    }
    std::printf("| %s | %.1f | %.1f | %.1f | %.2f | %s | %s | %ld | %d |\n",
                sets[i].encoding.c_str(), static_cast<double>(sets[i].bytes) / 1e6, 1e3 * codvet,
                1e3 * Median(f.bound), pairedRatio(f.bound, f.codvet), iconvText, baselineText,
                MaxOf(f.codvetRss), f.codvetStatus);
  }
  return 0;
}

}  // namespace
}  // namespace bench
}  // namespace codvet

int main(int argc, char** argv) {
  return codvet::bench::Main(argc, argv);
}
