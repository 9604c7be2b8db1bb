// POSIX form of the process runner: the program runs under /bin/sh, whose
// redirections set up its streams, working directory and limits.
#include "run_process.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace codvet {

// `text` as one word for the shell.
static std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool UnderValgrind() {
  const char* setting = getenv("CODVET_VALGRIND");
  return setting != nullptr && std::string(setting) == "1";
}

ProcessResult RunProcess(const std::string& program, const ProcessOptions& options) {
  TempDir scratch;
  const std::string out = Quote(scratch.path() + "/out");
  const std::string log = Quote(scratch.path() + "/valgrind.log");
  const std::string status = Quote(scratch.path() + "/status");
  std::string script =
      "cd " + Quote(options.directory.empty() ? "." : options.directory) + " || exit 126\n";
  if (options.maxOpenFiles > 0)
    script += "ulimit -n " + std::to_string(options.maxOpenFiles) + " || exit 126\n";
  std::string command = "/usr/bin/env";
#ifdef CODVET_TEST_EMULATOR
  // A cross build's program runs under its emulator, qemu-user (so no
  // binfmt_misc handler is needed), whose -E sets a variable for the emulated
  // program alone: a library of the target preloaded into qemu would fail.
  command += " " CODVET_TEST_EMULATOR;
  for (const std::string& entry : options.env) command += " -E " + Quote(entry);
#else
  for (const std::string& entry : options.env) command += " " + Quote(entry);
  if (UnderValgrind()) {
    command +=
        " /usr/bin/valgrind --quiet --error-exitcode=99 --leak-check=full"
        " --show-leak-kinds=all --errors-for-leak-kinds=all --log-file=" +
        log;
  }
#endif
  command += " " + Quote(program);
  for (const std::string& arg : options.args) command += " " + Quote(arg);
  command += options.mergeStderr ? "" : " 2>" + Quote(scratch.path() + "/err");
  if (options.stdoutMode == StdoutMode::Capture) command += " >" + out;
  if (options.stdoutMode == StdoutMode::DevFull) command += " >/dev/full";
  if (options.stdoutMode == StdoutMode::Closed) command += " >&-";
  if (options.mergeStderr) command += " 2>&1";
  std::string input = Quote(scratch.Write("stdin", options.stdinData));
  if (options.stdinMode == StdinMode::Empty) command += " </dev/null";
  if (options.stdinMode == StdinMode::Data) command += " <" + input;
  if (options.stdinMode == StdinMode::Closed) command += " <&-";
  if (options.stdinMode == StdinMode::Pipe) command = "cat " + input + " | " + command;
  if (options.stdoutMode == StdoutMode::PipeClosedEarly) {
    // The reader leaves after keepBytes bytes; the status is the program's.
    script += "{ " + command + "; echo $? >" + status + "; } | head -c " +
              std::to_string(options.keepBytes) + " >" + out + "\nexit $(cat " + status + ")\n";
  } else {
    script += "exec " + command + "\n";
  }
  int wait = std::system(script.c_str());
  ProcessResult result;
  result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  result.out = ReadFile(scratch.path() + "/out");
  if (!options.mergeStderr) result.err = ReadFile(scratch.path() + "/err");
  if (UnderValgrind() && result.status == 99)
    std::fprintf(stderr, "%s", ReadFile(scratch.path() + "/valgrind.log").c_str());
  return result;
}

}  // namespace codvet
