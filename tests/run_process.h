// Running the built program as a separate process with chosen standard
// streams, for end-to-end tests (POSIX only: tests/windows_cli_test.sh runs
// the Windows program); a scratch directory and reading a whole file, for
// every test.
#ifndef TESTS_RUN_PROCESS_H_
#define TESTS_RUN_PROCESS_H_

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace codvet {

enum class StdinMode { Empty, Data, Pipe, Closed };
enum class StdoutMode { Capture, Closed, DevFull, PipeClosedEarly };

struct ProcessOptions {
  std::vector<std::string> args;  // after the program name
  StdinMode stdinMode = StdinMode::Empty;
  std::string stdinData;  // Data: from a file; Pipe: written into a pipe
  StdoutMode stdoutMode = StdoutMode::Capture;
  std::size_t keepBytes = 0;     // PipeClosedEarly: bytes read before closing
  bool mergeStderr = false;      // standard error into the same file as stdout
  std::vector<std::string> env;  // extra NAME=VALUE entries
  std::string directory;         // working directory, if not empty
  long maxOpenFiles = 0;         // a lower descriptor limit, if not 0
};

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs `program` and waits for it. With CODVET_VALGRIND=1 in the
// environment the program runs under valgrind's memcheck, and any error or
// leak it finds turns the status into 99 (its log goes to standard error of
// the test).
ProcessResult RunProcess(const std::string& program, const ProcessOptions& options);

// A fresh directory under the system's temporary directory, removed with its
// content when the object goes.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      auto path =
          std::filesystem::temp_directory_path(error) / ("codvet." + std::to_string(random()));
      if (std::filesystem::create_directory(path, error)) path_ = path.string();
    }
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file below the directory and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    // Joined as bytes: a path object would convert the name's code page.
    std::string path = path_ + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  std::string path_;
};

// The whole content of a file, empty if it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// True when programs run under valgrind (see RunProcess).
bool UnderValgrind();

}  // namespace codvet

#endif  // TESTS_RUN_PROCESS_H_
