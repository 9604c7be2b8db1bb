// codvet-lint: checks files and directory trees in one encoding and reports
// every problem with its line and column, in UTF-8, as text, JSON Lines or
// GitHub workflow commands. Files are checked on several threads; each
// file's output is kept whole until it is its turn, so the output is the
// same for any number of threads.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "codvet/codvet.h"
#include "lint/lint_format.h"
#include "platform/platform.h"

namespace codvet {
namespace lint {
namespace {

constexpr char kUsage[] =
    "Usage: codvet-lint -e ENCODING [OPTION]... PATH...\n"
    "Checks that files (directories: every file below them; -: standard input)\n"
    "are well formed in ENCODING and reports each problem with its line and column.\n"
    "\n"
    "Encodings (any case): shift_jis windows-31j euc-jp iso-2022-jp utf8 utf16\n"
    "  utf16be utf16le; also utf-8 shift-jis sjis cp932 ms932 eucjp iso2022jp jis\n"
    "  utf-16 utf-16le utf-16be\n"
    "\n"
    "  -e, --encoding NAME   the encoding the files must be in\n"
    "      --format FORMAT   text (default), json (JSON Lines) or github\n"
    "      --lang LANG       messages in en (default), ja or both\n"
    "      --strict          also the strict rules (utf8: RFC 3629; iso-2022-jp: 7 bits)\n"
    "      --max-problems N  report at most N problems per file\n"
    "      --no-hint         no line naming the encodings an invalid file is valid in\n"
    "      --include GLOB    in directories, check only files that match a GLOB\n"
    "      --exclude GLOB    in directories, skip files and directories that match\n"
    "  -j, --jobs N          check N files at once (default: the processors allowed)\n"
    "  -q, --quiet           no output, only the exit status\n"
    "      --help            this text\n"
    "      --version         the version\n"
    "\n"
    "Exit status: 0 all valid, 1 a problem found, 2 a usage error or an unreadable input.\n";

enum class Format { Text, Json, Github };
enum class Lang { En, Ja, Both };

struct Settings {
  const char* encoding = nullptr;
  Format format = Format::Text;
  Lang lang = Lang::En;
  bool strict = false;
  bool hint = true;
  bool quiet = false;
  std::size_t maxProblems = SIZE_MAX;
  unsigned jobs = 0;
  std::vector<std::string> includes, excludes, paths;
};

// One input to check, and what checking it gave.
struct Item {
  std::string path;
  bool standardInput = false;
  std::string out, err;
  bool invalid = false, unreadable = false;
  std::size_t problems = 0;
};

bool UsageError(const std::string& message) {
  std::fprintf(stderr, "codvet-lint: %s\nTry 'codvet-lint --help' for more information.\n",
               message.c_str());
  return false;
}

bool ParseCount(const std::string& text, std::size_t* count) {
  if (text.empty() || text.size() > 18 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *count = std::strtoull(text.c_str(), nullptr, 10);
  return true;
}

// Reads the command line into `settings`; false after a usage error.
// `exitNow` is set for --help and --version, which are answered here.
bool ParseArguments(const std::vector<std::string>& args, Settings* settings, bool* exitNow) {
  bool optionsEnd = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnd || arg == "-" || arg.size() < 2 || arg[0] != '-') {
      settings->paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnd = true;
      continue;
    }
    if (arg == "--help" || arg == "--version") {
      std::fputs(arg == "--help" ? kUsage : "codvet-lint " CODVET_VERSION "\n", stdout);
      *exitNow = true;
      return true;
    }
    std::string value;
    bool hasValue = false;
    std::size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.erase(equals);
      hasValue = true;
    } else if (arg.size() > 2 && arg[1] != '-') {  // -eutf8, -j4
      value = arg.substr(2);
      arg.erase(2);
      hasValue = true;
    }
    auto takesValue = [&](const char* longName, const char* shortName) {
      return arg == longName || (shortName && arg == shortName);
    };
    bool withValue = takesValue("--encoding", "-e") || takesValue("--format", nullptr) ||
                     takesValue("--lang", nullptr) || takesValue("--max-problems", nullptr) ||
                     takesValue("--include", nullptr) || takesValue("--exclude", nullptr) ||
                     takesValue("--jobs", "-j");
    if (withValue && !hasValue) {
      if (i + 1 == args.size()) return UsageError("option " + arg + " needs a value");
      value = args[++i];
    } else if (!withValue && hasValue) {
      if (arg == "-q" || arg.compare(0, 2, "--") != 0)
        return UsageError("unknown option " + args[i]);
      return UsageError("option " + arg + " takes no value");
    }
    std::size_t count = 0;
    if (arg == "--encoding" || arg == "-e") {
      settings->encoding = ResolveEncoding(value);
      if (!settings->encoding) {
        std::vector<std::string> nearest = NearestEncodings(value);
        bool guess = !nearest.empty();
        for (int n = 0; !guess && n < kEncodingCount; ++n) nearest.emplace_back(EncodingName(n));
        std::string names;
        for (const std::string& name : nearest) names += (names.empty() ? "" : ", ") + name;
        return UsageError("unknown encoding '" + value + "' (" +
                          (guess ? "did you mean " + names + "?)" : "known: " + names + ")"));
      }
    } else if (arg == "--format") {
      if (value == "text")
        settings->format = Format::Text;
      else if (value == "json")
        settings->format = Format::Json;
      else if (value == "github")
        settings->format = Format::Github;
      else
        return UsageError("unknown format '" + value + "' (text, json or github)");
    } else if (arg == "--lang") {
      if (value == "en")
        settings->lang = Lang::En;
      else if (value == "ja")
        settings->lang = Lang::Ja;
      else if (value == "both")
        settings->lang = Lang::Both;
      else
        return UsageError("unknown language '" + value + "' (en, ja or both)");
    } else if (arg == "--max-problems") {
      if (!ParseCount(value, &count) || count == 0) {
        return UsageError("--max-problems needs a positive number, not '" + value + "'");
      }
      settings->maxProblems = count;
    } else if (arg == "--jobs" || arg == "-j") {
      if (!ParseCount(value, &count) || count == 0 || count > 1024) {
        return UsageError("--jobs needs a number from 1 to 1024, not '" + value + "'");
      }
      settings->jobs = static_cast<unsigned>(count);
    } else if (arg == "--include") {
      settings->includes.push_back(value);
    } else if (arg == "--exclude") {
      settings->excludes.push_back(value);
    } else if (arg == "--strict") {
      settings->strict = true;
    } else if (arg == "--no-hint") {
      settings->hint = false;
    } else if (arg == "--quiet" || arg == "-q") {
      settings->quiet = true;
    } else {
      return UsageError("unknown option " + args[i]);
    }
  }
  if (!settings->encoding) return UsageError("no encoding given (-e ENCODING)");
  if (settings->paths.empty()) return UsageError("no file or directory given");
  return true;
}

bool Excluded(const Settings& settings, const std::string& path) {
  for (const std::string& glob : settings.excludes) {
    if (MatchGlob(glob, path)) return true;
  }
  return false;
}

// Appends the files below `dir` in byte order of their names; version
// control directories are skipped and symbolic links to directories are not
// followed, so that no tree is walked twice or forever.
void Walk(const Settings& settings, const std::string& dir,
          const std::function<void(Item&&)>& add) {
  std::vector<platform::DirectoryEntry> entries;
  std::error_code error = platform::ListDirectory(dir, &entries);
  if (error) {
    Item item;
    item.path = dir;
    item.unreadable = true;
    item.err = "codvet-lint: " + dir + ": " + error.message() + "\n";
    add(std::move(item));
    return;
  }
  // Byte order, sorted by the first eight bytes as one number and by the
  // whole name only where those are equal: a directory of thousands of files
  // then sorts in a fraction of the time it takes to read them.
  struct Key {
    std::uint64_t head;
    std::uint32_t index;
  };
  std::vector<Key> keys(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint64_t head = 0;
    const std::string& name = entries[i].name;
    for (std::size_t j = 0; j < 8; ++j) {
      head = head << 8 | (j < name.size() ? static_cast<unsigned char>(name[j]) : 0);
    }
    keys[i] = {head, static_cast<std::uint32_t>(i)};
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.head != b.head) return a.head < b.head;
    return entries[a.index].name < entries[b.index].name;
  });
  std::string prefix = dir.back() == '/' ? dir : dir + "/";
  for (const Key& key : keys) {
    const platform::DirectoryEntry& entry = entries[key.index];
    const std::string& name = entry.name;
    std::string path = prefix + name;
    if (entry.directory) {
      if (name == ".git" || name == ".hg" || name == ".svn" || Excluded(settings, path)) continue;
      Walk(settings, path, add);
      continue;
    }
    // Pipes and devices in a tree are no text files (and may never end).
    if (!entry.file || Excluded(settings, path)) continue;
    if (!settings.includes.empty() &&
        std::none_of(settings.includes.begin(), settings.includes.end(),
                     [&](const std::string& glob) { return MatchGlob(glob, path); })) {
      continue;
    }
    Item item;
    item.path = path;
    add(std::move(item));
  }
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

std::string MessageText(const Settings& settings, MessageId id) {
  switch (settings.lang) {
    case Lang::En:
      return std::string(MessageEnglish(id));
    case Lang::Ja:
      return std::string(MessageJapanese(id));
    default:
      return std::string(MessageEnglish(id)) + " " + std::string(MessageJapanese(id));
  }
}

void AppendProblem(const Settings& settings, const std::string& path, const Problem& problem,
                   std::string* out) {
  std::string line = std::to_string(problem.line), column = std::to_string(problem.column);
  std::string name(MessageName(problem.message));
  std::string text = MessageText(settings, problem.message);
  if (problem.hasValue) text += " (" + Hex(problem.value) + ")";
  text += " [" + name + "]";
  switch (settings.format) {
    case Format::Text:
      *out += path + ":" + line + ":" + column + ": " + text + "\n";
      break;
    case Format::Github:
      *out += "::error file=";
      AppendGithubEscaped(out, path, true);
      *out += ",line=" + line + ",col=" + column + "::";
      AppendGithubEscaped(out, text, false);
      *out += "\n";
      break;
    case Format::Json:
      *out += "{\"path\":";
      AppendJsonString(out, path);
      *out += ",\"offset\":" + std::to_string(problem.offset) + ",\"line\":" + line +
              ",\"column\":" + column + ",\"identifier\":\"" + name + "\",\"english\":";
      AppendJsonString(out, MessageEnglish(problem.message));
      *out += ",\"japanese\":";
      AppendJsonString(out, MessageJapanese(problem.message));
      *out +=
          ",\"value\":" + (problem.hasValue ? "\"" + Hex(problem.value) + "\"" : "null") + "}\n";
      break;
  }
}

void AppendHint(const Settings& settings, const std::string& path, unsigned mask,
                std::string* out) {
  std::string names;
  for (int i = 0; i < kEncodingCount; ++i) {
    if (mask & (1u << i)) names += (names.empty() ? "" : ", ") + std::string(EncodingName(i));
  }
  std::string text = names.empty() ? "valid in none of the eight encodings" : "valid as " + names;
  if (settings.format == Format::Text) {
    *out += path + ": " + text + "\n";
  } else if (settings.format == Format::Github) {
    *out += "::notice file=";
    AppendGithubEscaped(out, path, true);
    *out += "::";
    AppendGithubEscaped(out, text, false);
    *out += "\n";
  }
}

std::ptrdiff_t ReadStandardInput(void*, std::uint8_t* buffer, std::size_t size) {
  std::ptrdiff_t count = platform::ReadSome(platform::kStandardInput, buffer, size);
  return count < 0 ? -errno : count;
}

// What each thread keeps from one file to the next.
class Worker {
 public:
  explicit Worker(const Settings& settings) : settings_(settings), validator_(settings.encoding) {
    validator_.SetOptions({true, settings.strict});
  }

  void Check(Item* item) {
    std::string data;  // standard input, read whole for the hint's second reading
    auto onProblem = [&](const Problem& problem) {
      if (item->problems == settings_.maxProblems) return false;
      ++item->problems;
      if (!settings_.quiet) AppendProblem(settings_, item->path, problem, &item->out);
      return true;
    };
    Status status;
    int readError = 0;
    if (item->standardInput && (!settings_.hint || settings_.quiet)) {
      // No hint: nothing reads it again, so it need not be kept.
      status = validator_.ValidateReader(
          [&](std::uint8_t* buffer, std::size_t size) {
            return ReadStandardInput(nullptr, buffer, size);
          },
          onProblem);
      readError = validator_.errorNumber();
    } else if (item->standardInput) {
      std::uint8_t buffer[65536];
      std::ptrdiff_t count;
      while ((count = ReadStandardInput(nullptr, buffer, sizeof buffer)) > 0) {
        data.append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(count));
      }
      readError = count < 0 ? static_cast<int>(-count) : 0;
      status =
          count < 0 ? Status::ReadFailed : validator_.Validate(data.data(), data.size(), onProblem);
    } else {
      // Most files have no problem: a first reading without lines, which
      // stops at the first problem, spares them the counting (a sixth of the
      // time on long files). Only a file with a problem is read again.
      validator_.SetOptions({false, settings_.strict});
      status = validator_.ValidateFile(item->path.c_str(), nullptr, nullptr);
      validator_.SetOptions({true, settings_.strict});
      if (status == Status::Invalid && !settings_.quiet) {
        status = validator_.ValidateFile(item->path.c_str(), onProblem);
      }
      readError = validator_.errorNumber();
    }
    if (status == Status::Valid) return;
    if (status == Status::Invalid || status == Status::Stopped) {
      item->invalid = true;
      if (!settings_.hint || settings_.quiet) return;
      // Made at the first invalid file: it holds a validator per encoding.
      if (!finder_) {
        finder_ = std::make_unique<EncodingFinder>();
        // Always by the strict rules: the lenient iso-2022-jp takes any
        // 8-bit byte, and would be named for nearly every invalid file.
        finder_->SetOptions({false, true});
      }
      unsigned mask = 0;
      Status found = item->standardInput ? finder_->Find(data.data(), data.size(), &mask)
                                         : finder_->FindFile(item->path.c_str(), &mask);
      if (found == Status::Valid) AppendHint(settings_, item->path, mask, &item->out);
      return;
    }
    item->unreadable = true;
    item->out.clear();
    std::string why = status == Status::OutOfMemory ? "out of memory"
                                                    : std::generic_category().message(readError);
    item->err = "codvet-lint: " + item->path + ": " + why + "\n";
  }

 private:
  const Settings& settings_;
  Validator validator_;
  std::unique_ptr<EncodingFinder> finder_;
};

bool Emit(int fd, const std::string& text) {
  return text.empty() || platform::WriteAll(fd, text.data(), text.size());
}

int Run(int argc, char** argv) {
  platform::PrepareProcess();
  platform::UseUtf8Console();
  // Lines end with LF on every system, on standard error too: one form for
  // the tools that read them.
  platform::SetBinaryMode(2);
  Settings settings;
  bool exitNow = false;
  std::vector<std::string> args = platform::ExpandArguments(argc, argv);
  if (!ParseArguments(args, &settings, &exitNow)) return 2;
  if (exitNow) return 0;
  {
    Validator probe(settings.encoding);
    if (probe.status() != Status::Valid) {
      std::fputs("codvet-lint: out of memory\n", stderr);
      return 2;
    }
  }
  // This thread lists the files while the others already check them, then
  // checks too. Each thread takes the next file, checks it and prints every
  // checked file in order from the first one not yet printed, unless another
  // thread is doing so: that one then looks again before it stops. No thread
  // wakes another for each file, unless one waits for files to be listed.
  const unsigned jobs = settings.jobs ? settings.jobs : platform::ProcessorCount();
  // Grown at the end only, under the mutex, which keeps each item in place.
  std::deque<Item> items;
  std::deque<std::atomic<bool>> done;
  std::mutex mutex;
  std::condition_variable changed;  // more files listed, the listing over, or room
  bool listing = true, stop = false, printing = false, again = false;
  int waiting = 0;
  std::atomic<std::size_t> next{0};
  std::size_t printed = 0;  // items before this one are printed and freed
  // How far the threads may run ahead of the printing: each file's output
  // is held until it is printed, so the memory stays bounded.
  const std::size_t ahead = 64 * static_cast<std::size_t>(jobs);
  std::size_t invalid = 0, unreadable = 0, problems = 0;
  bool written = true;

  auto print = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (printing) {
      again = true;
      return;
    }
    printing = true;
    do {
      again = false;
      while (printed < items.size() && !stop && done[printed].load(std::memory_order_acquire)) {
        Item& item = items[printed];
        lock.unlock();
        if (!Emit(platform::kStandardOutput, item.out)) {
          written = false;
          std::fprintf(stderr, "codvet-lint: standard output: %s\n", std::strerror(errno));
        }
        Emit(2, item.err);
        invalid += item.invalid;
        unreadable += item.unreadable;
        problems += item.problems;
        std::string().swap(item.out);
        lock.lock();
        ++printed;
        stop = !written;  // the threads take no more files
        if (waiting) changed.notify_all();
      }
    } while (again);
    printing = false;
  };
  auto work = [&] {
    Worker worker(settings);
    for (;;) {
      std::size_t i = next++;
      Item* item;
      std::atomic<bool>* finished;
      {
        std::unique_lock<std::mutex> lock(mutex);
        auto ready = [&] {
          return stop || ((i < items.size() || !listing) && i < printed + ahead);
        };
        if (!ready()) {
          ++waiting;
          changed.wait(lock, ready);
          --waiting;
        }
        if (stop || i >= items.size()) return;
        item = &items[i];
        finished = &done[i];
      }
      if (!item->unreadable) worker.Check(item);
      finished->store(true, std::memory_order_release);
      print();
    }
  };
  std::vector<std::thread> threads;
  bool more = jobs > 1;  // more threads may be started
  auto add = [&](Item&& item) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      items.push_back(std::move(item));
      done.emplace_back(false);
      if (waiting) changed.notify_all();
    }
    // Another thread once there are more files than threads, counting this
    // one, which checks too once the listing is done (only this thread adds
    // items, so it reads their count without the lock).
    if (more && items.size() > threads.size() + 1) {
      try {
        threads.emplace_back(work);
      } catch (const std::system_error&) {
        more = false;  // the threads there are do the work
      }
      more = more && threads.size() + 1 < jobs;
    }
  };
  for (const std::string& path : settings.paths) {
    std::error_code error;
    if (path != "-" && std::filesystem::is_directory(platform::NameToPath(path), error)) {
      Walk(settings, path, add);
    } else {
      Item item;
      item.path = path == "-" ? "<stdin>" : path;
      item.standardInput = path == "-";
      if (item.standardInput) platform::SetBinaryMode(platform::kStandardInput);
      add(std::move(item));
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    listing = false;
    changed.notify_all();
  }
  work();
  for (std::thread& thread : threads) thread.join();
  if (!written) return 2;
  if (!settings.quiet) {
    const size_t checked = items.size() - unreadable;
    std::fprintf(stderr, "codvet-lint: %zu %s checked, %zu invalid, %zu unreadable, %zu %s\n",
                 checked, checked == 1 ? "file" : "files", invalid, unreadable, problems,
                 problems == 1 ? "problem" : "problems");
  }
  return unreadable ? 2 : invalid ? 1 : 0;
}

}  // namespace
}  // namespace lint
}  // namespace codvet

int main(int argc, char** argv) {
  return codvet::lint::Run(argc, argv);
}
