// Windows form of the process runner: CreateProcessA with the standard handles
// redirected to files and pipes, and a command line that the C runtime splits
// back into the arguments given.
#include <windows.h>

#include "run_process.h"

namespace codvet {

namespace {

SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};

// Quotes an argument only when it needs quotes, as a user types it: a quoted
// pattern is not expanded.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t slashes = 0;
  for (char c : arg) {
    // Backslashes are doubled only before a quote, their own or the closing one.
    if (c == '"') quoted.append(slashes + 1, '\\');
    slashes = c == '\\' ? slashes + 1 : 0;
    quoted += c;
  }
  quoted.append(slashes, '\\');
  return quoted + "\"";
}

HANDLE OpenInheritable(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE handle =
      CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  &inheritable, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// A pipe whose end for the child is inherited; the other end, returned, is
// not, so that the child never holds both.
HANDLE MakePipe(HANDLE& childEnd, bool childReads) {
  HANDLE ends[2] = {};  // read, write
  CreatePipe(&ends[0], &ends[1], &inheritable, 0);
  childEnd = ends[childReads ? 0 : 1];
  SetHandleInformation(ends[childReads ? 1 : 0], HANDLE_FLAG_INHERIT, 0);
  return ends[childReads ? 1 : 0];
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const ProcessOptions& options) {
  ProcessResult result;
  // Windows has no device that is always full.
  if (options.stdoutMode == StdoutMode::DevFull) return result;
  TempDir scratch;
  HANDLE in = nullptr;
  HANDLE out = nullptr;
  HANDLE err = nullptr;
  HANDLE feed = nullptr;   // our end of a standard input pipe
  HANDLE drain = nullptr;  // our end of a standard output pipe
  if (options.stdinMode == StdinMode::Pipe) {
    feed = MakePipe(in, true);
  } else if (options.stdinMode != StdinMode::Closed) {
    std::string path = options.stdinMode == StdinMode::File ? options.stdinPath : "NUL";
    if (options.stdinMode == StdinMode::Data) path = scratch.Write("stdin", options.stdinData);
    in = OpenInheritable(path, GENERIC_READ, OPEN_EXISTING);
  }
  if (options.stdoutMode == StdoutMode::Capture) {
    out = OpenInheritable(scratch.path() + "\\out", GENERIC_WRITE, CREATE_ALWAYS);
  } else if (options.stdoutMode == StdoutMode::PipeClosedEarly) {
    drain = MakePipe(out, false);
  }
  if (!options.mergeStderr) {
    err = OpenInheritable(scratch.path() + "\\err", GENERIC_WRITE, CREATE_ALWAYS);
  }

  std::string line = QuoteArgument(program) + " " + options.rawArguments;
  if (options.rawArguments.empty()) {
    for (const std::string& arg : options.args) line += " " + QuoteArgument(arg);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = options.mergeStderr ? out : err;
  PROCESS_INFORMATION child = {};
  bool started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                options.directory.empty() ? nullptr : options.directory.c_str(),
                                &startup, &child);
  if (!started) result.err = "CreateProcessA failed with error " + std::to_string(GetLastError());
  // Once the child holds its ends, ours of them go, so that it sees the end
  // of input and we see it gone; after a failed start, all go.
  for (HANDLE handle : {in, out, err, started ? nullptr : feed, started ? nullptr : drain}) {
    if (handle != nullptr) CloseHandle(handle);
  }
  if (!started) return result;
  if (feed != nullptr) {
    // A blocking pipe takes the whole write, as fast as the child reads.
    DWORD put = 0;
    WriteFile(feed, options.stdinData.data(), static_cast<DWORD>(options.stdinData.size()), &put,
              nullptr);
    CloseHandle(feed);
  }
  if (drain != nullptr) {
    std::string kept(options.keepBytes, '\0');
    std::size_t got = 0;
    DWORD n = 0;
    while (got < kept.size() &&
           ::ReadFile(drain, &kept[got], static_cast<DWORD>(kept.size() - got), &n, nullptr) &&
           n > 0) {
      got += n;
    }
    result.out = kept.substr(0, got);
    CloseHandle(drain);
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  result.status = static_cast<int>(status);
  if (options.stdoutMode == StdoutMode::Capture) result.out = ReadFile(scratch.path() + "\\out");
  if (!options.mergeStderr) result.err = ReadFile(scratch.path() + "\\err");
  return result;
}

}  // namespace codvet
