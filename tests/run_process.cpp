#include "run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace codvet {

namespace {

std::string MakeTempFile(const std::string& dir, const char* stem) {
  std::string pattern = dir + "/" + stem + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd >= 0) close(fd);
  return name.data();
}

void WriteAllOrIgnore(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // the program stopped reading
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/codvet.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) != nullptr) path_ = name.data();
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::string command = "rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::string path = path_ + "/" + name;
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return path;
}

bool UnderValgrind() {
  const char* setting = getenv("CODVET_VALGRIND");
  return setting != nullptr && std::string(setting) == "1";
}

ProcessResult RunProcess(const std::string& program, const ProcessOptions& options) {
  signal(SIGPIPE, SIG_IGN);
  TempDir scratch;
  std::string valgrindLog = scratch.path() + "/valgrind.log";
  std::string outPath = MakeTempFile(scratch.path(), "out");
  std::string errPath = options.mergeStderr ? outPath : MakeTempFile(scratch.path(), "err");
  std::string dataPath;
  if (options.stdinMode == StdinMode::Data) dataPath = scratch.Write("stdin", options.stdinData);

  int inPipe[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  if (options.stdinMode == StdinMode::Pipe && pipe(inPipe) != 0) return {};
  if (options.stdoutMode == StdoutMode::PipeClosedEarly && pipe(outPipe) != 0) return {};

  std::vector<std::string> argStrings;
  if (UnderValgrind()) {
    argStrings = {"/usr/bin/valgrind",        "--quiet",
                  "--error-exitcode=99",      "--leak-check=full",
                  "--show-leak-kinds=all",    "--errors-for-leak-kinds=all",
                  "--log-file=" + valgrindLog};
  }
  argStrings.push_back(program);
  argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) envStrings.push_back(*e);
  envStrings.insert(envStrings.end(), options.env.begin(), options.env.end());
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    auto redirect = [](const char* path, int flags, int target) {
      int fd = open(path, flags, 0600);
      if (fd < 0 || dup2(fd, target) < 0) _exit(126);
      if (fd != target) close(fd);
    };
    switch (options.stdinMode) {
      case StdinMode::Empty:
        redirect("/dev/null", O_RDONLY, 0);
        break;
      case StdinMode::Data:
        redirect(dataPath.c_str(), O_RDONLY, 0);
        break;
      case StdinMode::File:
        redirect(options.stdinPath.c_str(), O_RDONLY, 0);
        break;
      case StdinMode::Pipe:
        dup2(inPipe[0], 0);
        close(inPipe[0]);
        close(inPipe[1]);
        break;
      case StdinMode::Closed:
        close(0);
        break;
    }
    switch (options.stdoutMode) {
      case StdoutMode::Capture:
        redirect(outPath.c_str(), O_WRONLY | O_TRUNC, 1);
        break;
      case StdoutMode::Closed:
        close(1);
        break;
      case StdoutMode::DevFull:
        redirect("/dev/full", O_WRONLY, 1);
        break;
      case StdoutMode::PipeClosedEarly:
        dup2(outPipe[1], 1);
        close(outPipe[0]);
        close(outPipe[1]);
        break;
    }
    if (options.mergeStderr) {
      dup2(1, 2);
    } else {
      redirect(errPath.c_str(), O_WRONLY | O_TRUNC, 2);
    }
    signal(SIGPIPE, SIG_DFL);
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(126);
    if (options.maxOpenFiles > 0) {
      rlimit limit = {static_cast<rlim_t>(options.maxOpenFiles),
                      static_cast<rlim_t>(options.maxOpenFiles)};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  std::thread feeder;
  if (options.stdinMode == StdinMode::Pipe) {
    close(inPipe[0]);
    feeder = std::thread([&] {
      WriteAllOrIgnore(inPipe[1], options.stdinData);
      close(inPipe[1]);
    });
  }
  ProcessResult result;
  if (options.stdoutMode == StdoutMode::PipeClosedEarly) {
    close(outPipe[1]);
    std::vector<char> buffer(options.keepBytes);
    std::size_t got = 0;
    while (got < options.keepBytes) {
      ssize_t n = read(outPipe[0], buffer.data() + got, options.keepBytes - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    result.out.assign(buffer.data(), got);
    close(outPipe[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (feeder.joinable()) feeder.join();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (options.stdoutMode == StdoutMode::Capture) result.out = ReadFile(outPath);
  if (!options.mergeStderr) result.err = ReadFile(errPath);
  if (UnderValgrind() && result.status == 99)
    std::fprintf(stderr, "%s", ReadFile(valgrindLog).c_str());
  return result;
}

}  // namespace codvet
