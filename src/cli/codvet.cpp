#include "cli/codvet.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "library/encoding_table.h"
#include "platform/platform.h"
#include "report/report_sink.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {

namespace {

constexpr char kUsage[] =
    "codvet: Brimolet Ver 0.1\n"
    "usage for pure SJIS:   codvet shift_jis [FILE_NAME]\n"
    "usage for MS CP932:    codvet windows-31j [FILE_NAME]\n"
    "usage for EUC-JP:      codvet euc-jp [FILE_NAME]\n"
    "usage for ISO-2022-JP: codvet iso-2022-jp [FILE_NAME]\n"
    "usage for UTF-8:       codvet utf8 [FILE_NAME]\n"
    "usage for UTF-16:      codvet utf16 [FILE_NAME]\n"
    "usage for UTF-16BE:    codvet utf16be [FILE_NAME]\n"
    "usage for UTF-16LE:    codvet utf16le [FILE_NAME]\n";

// Each usage line ends the way report lines end on the platform.
void WriteUsage(ReportSink& out) {
  std::string_view usage = kUsage;
  while (!usage.empty()) {
    std::size_t end = usage.find('\n');
    out.Write(usage.substr(0, end));
    out.Write(out.lineEnd());
    usage.remove_prefix(end == std::string_view::npos ? usage.size() : end + 1);
  }
}

// Standard output is flushed before anything goes to standard error, so that
// both keep their order when they share a file.
int FailUnknownEncoding(ReportSink& out, const char* name) {
  out.Flush();
  std::fprintf(stderr, "codvet: Unkwon Encoding Name: %s", name);
  return kExitInvalid;
}

// The sink, the code sets and the input buffer are all the heap memory a run
// takes, and all of it is had before any input is read.
int FailOutOfMemory() {
  std::fputs("Memory Over", stderr);
  return kExitOutOfMemory;
}

int FailInput(ReportSink& out, const char* name, int errorNumber) {
  out.Flush();
  errno = errorNumber;
  std::perror(name);
  return kExitUsage;
}

}  // namespace

int RunCodvet(int argc, char** argv) {
  platform::PrepareProcess();
  std::vector<std::string> args = platform::ExpandArguments(argc, argv);
  ReportSink out(platform::kStandardOutput, platform::LineEnd());
  if (!out.ok()) return FailOutOfMemory();
  if (args.size() < 2) {
    WriteUsage(out);
    out.Flush();
    return kExitUsage;
  }
  const char* encodingName = args[1].c_str();
  CodeTables tables;
  EncodingValidator validator(&out);
  ByteInput input;
  if (!tables.ok() || !input.ok()) return FailOutOfMemory();
  validator.tables = &tables;
  validator.input = &input;

  if (args.size() == 2) {
    platform::SetBinaryMode(platform::kStandardInput);
    input.Open(platform::kStandardInput);
    validator.displayName = "(STDIN)";
    const Encoding* encoding = FindEncoding(encodingName);
    if (encoding == nullptr) return FailUnknownEncoding(out, encodingName);
    LoadTables(tables, *encoding);
    bool valid = RunOperation(validator, *encoding);
    if (input.failed()) return FailInput(out, "(STDIN)", input.errorNumber());
    out.Flush();
    return valid ? kExitValid : kExitInvalid;
  }

  // The encoding is looked up, and its tables loaded, once the first input
  // is open, so that an unopenable first file wins over an unknown name;
  // every later input is validated with the same tables.
  const Encoding* encoding = nullptr;
  bool allValid = true;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const char* name = args[i].c_str();
    int fd = platform::OpenForReading(name);
    if (fd < 0) return FailInput(out, name, errno);
    input.Open(fd);
    validator.displayName = args[i];
    if (encoding == nullptr) {
      encoding = FindEncoding(encodingName);
      if (encoding == nullptr) {
        platform::CloseInput(fd);
        return FailUnknownEncoding(out, encodingName);
      }
      LoadTables(tables, *encoding);
    }
    bool valid = RunOperation(validator, *encoding);
    platform::CloseInput(fd);
    if (input.failed()) return FailInput(out, name, input.errorNumber());
    allValid = allValid && valid;
  }
  out.Flush();
  return allValid ? kExitValid : kExitInvalid;
}

}  // namespace codvet
