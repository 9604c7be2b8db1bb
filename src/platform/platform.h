// The operating-system interfaces the program needs, in one place so that the
// driver and the streams stay free of platform conditionals. One source file
// implements them per platform.
#ifndef SRC_PLATFORM_PLATFORM_H_
#define SRC_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace codvet {
namespace platform {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;

// Sets up process-wide behaviour before anything is read or written (a closed
// pipe on standard output must not end the process).
void PrepareProcess();

// Returns the argument vector as the program should see it, wildcard patterns
// expanded where the shell does not already do so.
std::vector<std::string> ExpandArguments(int argc, char** argv);

// Makes sure bytes read from `fd` reach the program untranslated.
void SetBinaryMode(int fd);

// Opens a file for binary reading, sharing allowed; returns -1 with errno set
// on failure.
int OpenForReading(const char* name);

// Closes a descriptor returned by OpenForReading.
void CloseInput(int fd);

// Tells the system that `fd` is to be read to its end, for a longer
// read-ahead; a hint, which may do nothing. Worth a call only for a file
// larger than one read.
void AdviseSequential(int fd);

// Reads up to `size` bytes: returns the count, 0 at the end of the input, or
// -1 with errno set on a read error. Interrupted reads are retried.
std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size);

// Writes all `size` bytes; returns false with errno set if that failed.
bool WriteAll(int fd, const void* data, std::size_t size);

// Compares two encoding names the way the platform compares them without
// regard to case.
bool NamesEqual(const char* a, const char* b);

// The processors this process may run on (its affinity mask where the
// system has one: a container or `taskset` may allow fewer than the machine
// has); at least 1.
unsigned ProcessorCount();

// Has a console that shows standard output take UTF-8 until the process
// exits (output to files and pipes is bytes as written anyway).
void UseUtf8Console();

// A file name as the program's strings hold it (the bytes on POSIX, the
// active code page on Windows, in which arguments arrive) and back, without
// the standard library's own conversions, which on Windows neither use that
// code page nor promise not to throw. A name the code page cannot hold comes
// back with replacement characters, and cannot be opened by it.
std::filesystem::path NameToPath(const std::string& name);
std::string PathToName(const std::filesystem::path& path);

// One entry of a directory listing. A link counts as a file when it leads to
// a regular file and never as a directory, so that a walk neither loops nor
// visits a tree twice.
struct DirectoryEntry {
  std::string name;
  bool directory = false;
  bool file = false;  // a regular file: no pipe, device or socket
};

// Appends the entries of directory `name` but "." and "..", in the system's
// order, with their types from the listing where it gives them (no call per
// entry then).
std::error_code ListDirectory(const std::string& name, std::vector<DirectoryEntry>* entries);

// The text-mode line end of the platform.
std::string_view LineEnd();

}  // namespace platform
}  // namespace codvet

#endif  // SRC_PLATFORM_PLATFORM_H_
