// POSIX forms of the platform interfaces. The shell expands wildcard
// patterns before the program starts, so arguments are taken as they come;
// standard input is already untranslated.
#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

// Files of 2 GiB and more on 32-bit systems need the 64-bit file interface,
// which CMakeLists.txt asks for.
static_assert(sizeof(off_t) == 8, "build with -D_FILE_OFFSET_BITS=64");

namespace codvet {
namespace platform {

void PrepareProcess() {
  // Report lines to a reader that has gone away are dropped; the exit status
  // still comes from the validation of the whole input.
  signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> ExpandArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void SetBinaryMode(int) {}

int OpenForReading(const char* name) {
  int fd;
  do {
    fd = open(name, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void CloseInput(int fd) {
  close(fd);
}

void AdviseSequential(int fd) {
#ifdef POSIX_FADV_SEQUENTIAL
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#else
  (void)fd;
#endif
}

// A descriptor inherited in non-blocking mode reports EAGAIN when it has no
// data yet; waiting for it keeps such an input from looking like a failure.
static bool WaitFor(int fd, short events) {
  pollfd entry = {fd, events, 0};
  for (;;) {
    int ready = poll(&entry, 1, -1);
    if (ready >= 0) return true;
    if (errno != EINTR) return false;
  }
}

std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = read(fd, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLIN)) continue;
    return -1;
  }
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t put = write(fd, next, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT)) continue;
      return false;
    }
    next += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

bool NamesEqual(const char* a, const char* b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a);
    unsigned char y = static_cast<unsigned char>(*b);
    if (fold(x) != fold(y)) return false;
    if (x == 0) return true;
  }
}

unsigned ProcessorCount() {
#ifdef __linux__
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
    return static_cast<unsigned>(CPU_COUNT(&set));
  }
#endif
  return std::max(1u, std::thread::hardware_concurrency());
}

void UseUtf8Console() {}

std::filesystem::path NameToPath(const std::string& name) {
  return name;
}

std::string PathToName(const std::filesystem::path& path) {
  return path.native();
}

std::error_code ListDirectory(const std::string& name, std::vector<DirectoryEntry>* entries) {
  DIR* dir = opendir(name.c_str());
  if (!dir) return {errno, std::generic_category()};
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (!entry) break;
    const char* base = entry->d_name;
    if (base[0] == '.' && (base[1] == '\0' || (base[1] == '.' && base[2] == '\0'))) continue;
    unsigned char type = entry->d_type;
    struct stat info;
    // Some file systems leave the type out of the listing.
    if (type == DT_UNKNOWN && fstatat(dirfd(dir), base, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      type = S_ISLNK(info.st_mode)   ? DT_LNK
             : S_ISDIR(info.st_mode) ? DT_DIR
             : S_ISREG(info.st_mode) ? DT_REG
                                     : DT_UNKNOWN;
    }
    bool file = type == DT_REG;
    if (type == DT_LNK) file = fstatat(dirfd(dir), base, &info, 0) == 0 && S_ISREG(info.st_mode);
    entries->push_back({base, type == DT_DIR, file});
  }
  int error = errno;
  closedir(dir);
  return {error, std::generic_category()};
}

std::string_view LineEnd() {
  return "\n";
}

}  // namespace platform
}  // namespace codvet
