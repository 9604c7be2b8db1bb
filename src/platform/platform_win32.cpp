// Windows forms of the platform interfaces. The command shell passes wildcard
// patterns on as typed, so the program expands them itself; files and
// standard input are read in binary mode, and report lines end with CR LF.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/platform.h"
#include "platform/wildcard.h"

// The C runtime's own expansion of the argument vector stays off, whatever
// the toolchain's default, so that the program's expansion is the only one.
extern "C" int _dowildcard;
int _dowildcard = 0;

namespace codvet {
namespace platform {

namespace {

// The lead bytes of the active code page, in which arguments and file names
// reach the program.
LeadBytes ActiveLeadBytes() {
  LeadBytes lead;
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (IsDBCSLeadByte(static_cast<BYTE>(b))) lead.Add(static_cast<unsigned char>(b));
  }
  return lead;
}

std::vector<std::string> FindDirectoryEntries(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

// The largest single read or write; the count must fit an unsigned int.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

}  // namespace

void PrepareProcess() {
  // Report lines carry their own CR LF; in text mode the runtime would add a
  // second CR. Standard error stays in text mode, so the perror line ends
  // with CR LF too.
  _setmode(kStandardOutput, _O_BINARY);
  // A file named on a drive without a medium is an open failure, not a
  // dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::vector<std::string> ExpandArguments(int argc, char** argv) {
  return ExpandWildcards(std::vector<std::string>(argv, argv + argc), GetCommandLineA(),
                         ActiveLeadBytes(), FindDirectoryEntries);
}

void SetBinaryMode(int fd) {
  _setmode(fd, _O_BINARY);
}

int OpenForReading(const char* name) {
  int fd = _sopen(name, _O_RDONLY | _O_BINARY | _O_SEQUENTIAL | _O_NOINHERIT, _SH_DENYNO);
  // The system calls a name with "*" or "?" invalid; no file can have such a
  // name, so it is reported as missing, as a pattern that matched nothing
  // must be.
  if (fd < 0 && errno == EINVAL && FindWildcard(name, ActiveLeadBytes()) != std::string::npos) {
    errno = ENOENT;
  }
  return fd;
}

void CloseInput(int fd) {
  _close(fd);
}

// _O_SEQUENTIAL, given when the file is opened, says it already.
void AdviseSequential(int) {}

std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(size < kMaxTransfer ? size : kMaxTransfer));
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    int put = _write(fd, next, static_cast<unsigned>(size < kMaxTransfer ? size : kMaxTransfer));
    if (put < 0) {
      // The runtime reports a pipe whose reader has gone as EINVAL; the report
      // sink stops writing only once it knows the pipe is closed.
      DWORD error = GetLastError();
      if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) errno = EPIPE;
      return false;
    }
    next += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

bool NamesEqual(const char* a, const char* b) {
  return lstrcmpiA(a, b) == 0;
}

unsigned ProcessorCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

namespace {
UINT consoleCodePage = 0;
void RestoreConsole() {
  SetConsoleOutputCP(consoleCodePage);
}
}  // namespace

void UseUtf8Console() {
  DWORD mode;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;
  // The console is the user's shell's too: its code page is put back at exit.
  consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreConsole);
}

std::filesystem::path NameToPath(const std::string& name) {
  if (name.empty()) return {};
  int size = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), size);
  return wide;
}

std::string PathToName(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string name(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), name.data(), size,
                      nullptr, nullptr);
  return name;
}

std::error_code ListDirectory(const std::string& name, std::vector<DirectoryEntry>* entries) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((NameToPath(name) / L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return {error == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(error), std::system_category()};
  }
  do {
    const wchar_t* base = entry.cFileName;
    if (base[0] == L'.' && (base[1] == L'\0' || (base[1] == L'.' && base[2] == L'\0'))) continue;
    DWORD attributes = entry.dwFileAttributes;
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                (entry.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                 entry.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries->push_back({PathToName(base), directory && !link,
                        !directory && !(attributes & FILE_ATTRIBUTE_DEVICE)});
  } while (FindNextFileW(search, &entry));
  DWORD error = GetLastError();
  FindClose(search);
  return {error == ERROR_NO_MORE_FILES ? 0 : static_cast<int>(error), std::system_category()};
}

std::string_view LineEnd() {
  return "\r\n";
}

}  // namespace platform
}  // namespace codvet
