// Windows form of the process runner: CreateProcessA with the standard handles
// redirected to files and pipes, and a command line that the C runtime splits
// back into the arguments given.
#include <windows.h>

#include <fstream>
#include <thread>

#include "run_process.h"

namespace codvet {

namespace {

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
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE handle =
      CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// A pipe whose end for the child is inherited and whose other end is not, so
// that the child never holds both.
void MakePipe(HANDLE& childEnd, HANDLE& ownEnd, bool childReads) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return;
  childEnd = childReads ? read : write;
  ownEnd = childReads ? write : read;
  SetHandleInformation(ownEnd, HANDLE_FLAG_INHERIT, 0);
}

void CloseIfOpen(HANDLE handle) {
  if (handle != nullptr) CloseHandle(handle);
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const ProcessOptions& options) {
  ProcessResult result;
  // Windows has no device that is always full.
  if (options.stdoutMode == StdoutMode::DevFull) return result;
  TempDir scratch;
  std::string outPath = scratch.path() + "\\out";
  std::string errPath = scratch.path() + "\\err";

  HANDLE in = nullptr;
  HANDLE out = nullptr;
  HANDLE feed = nullptr;   // our end of a standard input pipe
  HANDLE drain = nullptr;  // our end of a standard output pipe
  switch (options.stdinMode) {
    case StdinMode::Empty:
      in = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
      break;
    case StdinMode::Data:
      in = OpenInheritable(scratch.Write("stdin", options.stdinData), GENERIC_READ, OPEN_EXISTING);
      break;
    case StdinMode::File:
      in = OpenInheritable(options.stdinPath, GENERIC_READ, OPEN_EXISTING);
      break;
    case StdinMode::Pipe:
      MakePipe(in, feed, true);
      break;
    case StdinMode::Closed:
      break;
  }
  switch (options.stdoutMode) {
    case StdoutMode::Capture:
      out = OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
      break;
    case StdoutMode::PipeClosedEarly:
      MakePipe(out, drain, false);
      break;
    case StdoutMode::Closed:
    case StdoutMode::DevFull:
      break;
  }
  HANDLE err = options.mergeStderr ? out : OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);

  std::string line = QuoteArgument(program);
  if (!options.rawArguments.empty()) {
    line += " " + options.rawArguments;
  } else {
    for (const std::string& arg : options.args) line += " " + QuoteArgument(arg);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION child = {};
  bool started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                options.directory.empty() ? nullptr : options.directory.c_str(),
                                &startup, &child);
  DWORD startError = GetLastError();
  CloseIfOpen(in);
  CloseIfOpen(out);
  if (err != out) CloseIfOpen(err);
  if (!started) {
    CloseIfOpen(feed);
    CloseIfOpen(drain);
    result.err = "CreateProcessA failed with error " + std::to_string(startError);
    return result;
  }

  std::thread feeder;
  if (feed != nullptr) {
    feeder = std::thread([&] {
      std::size_t done = 0;
      while (done < options.stdinData.size()) {
        DWORD put = 0;
        DWORD size = static_cast<DWORD>(options.stdinData.size() - done);
        if (!WriteFile(feed, options.stdinData.data() + done, size, &put, nullptr)) break;
        done += put;
      }
      CloseHandle(feed);
    });
  }
  if (drain != nullptr) {
    std::string kept(options.keepBytes, '\0');
    std::size_t got = 0;
    while (got < kept.size()) {
      DWORD n = 0;
      if (!::ReadFile(drain, &kept[got], static_cast<DWORD>(kept.size() - got), &n, nullptr) ||
          n == 0)
        break;
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
  if (feeder.joinable()) feeder.join();
  result.status = static_cast<int>(status);
  if (options.stdoutMode == StdoutMode::Capture) result.out = ReadFile(outPath);
  if (!options.mergeStderr) result.err = ReadFile(errPath);
  return result;
}

}  // namespace codvet
