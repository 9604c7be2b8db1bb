// The library against the program: the same problems for the same bytes,
// whether they come in one buffer, in pieces or from a file; and the C
// interface's answers to wrong use.
#include "codvet/codvet.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "codvet/codvet_c.h"
#include "gtest/gtest.h"
#include "run_process.h"
#include "validator_test_util.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace codvet {
namespace {

// The report lines the program prints for these problems in an input named
// `name`.
std::string Lines(const std::string& name, const std::vector<Problem>& problems) {
  std::string out;
  for (const Problem& p : problems)
    out += ReportText(name, p.offset, MessageReportText(p.message), p.hasValue ? p.value : -1LL);
  return out;
}

// Each encoding's samples, and the valid one with ever more bytes changed at
// random, whole and cut short at random: each from one buffer, from a file and
// from a read that fails half-way (what was delivered before the failure comes
// first in the problems of the whole); then the program run over the same
// files. The library's fuzz target covers pieces of every size.
TEST(Library, GivesTheProgramsProblemsWhereverTheBytesComeFrom) {
  std::mt19937 rng(17);
  for (const char* encoding : kTestEncodings) {
    Validator validator(encoding);
    TempDir dir;
    ProcessOptions options;
    options.args = {encoding};
    std::string samples = std::string(CODVET_SOURCE_DIR) + "/samples/" + encoding, expected;
    std::string valid = ReadFile(samples + "-valid.txt");
    std::vector<std::string> inputs = {"", valid, ReadFile(samples + "-invalid.txt")};
    for (int round = 0; round < 15; ++round) {
      std::string changed = valid;
      for (int k = 0; k <= round * round; ++k) changed[rng() % changed.size()] = char(rng());
      inputs.push_back(changed);
      inputs.push_back(changed.substr(0, rng() % changed.size()));
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const std::string& input = inputs[i];
      std::string path = dir.Write("in" + std::to_string(i), input);
      options.args.push_back(path);
      std::vector<Problem> problems, got;
      Status status = validator.Validate(input.data(), input.size(), &problems);
      EXPECT_EQ(status, problems.empty() ? Status::Valid : Status::Invalid);
      expected += Lines(path, problems);
      std::string whole = Lines("t", problems);
      auto keep = [&](const Problem& p) { return got.push_back(p), true; };
      validator.ValidateFile(path.c_str(), keep);
      EXPECT_EQ(Lines("t", got), whole) << encoding << " from a file";
      if (input.size() < 2) continue;
      bool first = true;
      auto failing = [&](std::uint8_t* buffer, std::size_t) -> std::ptrdiff_t {
        if (!std::exchange(first, false)) return -EIO;
        std::copy_n(input.data(), input.size() / 2, buffer);
        return static_cast<std::ptrdiff_t>(input.size() / 2);
      };
      got.clear();
      EXPECT_EQ(validator.ValidateReader(failing, keep), Status::ReadFailed);
      EXPECT_EQ(validator.errorNumber(), EIO);
      std::string part = Lines("t", got);
      EXPECT_EQ(whole.substr(0, part.size()), part);
    }
#ifndef _WIN32  // tests/windows_cli_test.sh runs the Windows program
    ProcessResult run = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(run.out, expected) << encoding;
    EXPECT_EQ(run.status, 2) << encoding;
#endif
  }
}

// Lines and columns of problems planted in text of known shape, beyond a
// memory block and many file buffers: the same from memory, a file and the C
// interface; 0 unless asked for.
TEST(Library, GivesLinesAndColumnsWhereverTheBytesComeFrom) {
  std::string text, expected, unasked;
  for (int line = 1; text.size() < (std::size_t{3} << 20); ++line) {
    std::string words = std::string(line % 7 + 4, 'a') + "\xe6\x97\xa5 " + std::to_string(line) +
                        (line % 3 != 0 ? "\r\n" : "\n");
    if (line % 997 == 0) {
      int column = line % 5 + 1;
      expected += std::to_string(text.size() + column - 1) + " " + std::to_string(line) + ":" +
                  std::to_string(column) + " ";
      unasked += std::to_string(text.size() + column - 1) + " 0:0 ";
      words.insert(column - 1, "\xed\xa0\x80");
    }
    text += words;
  }
  std::string got[4];
  auto keep = [&](int k) {
    return [&, k](const Problem& p) {
      got[k] += std::to_string(p.offset) + " " + std::to_string(p.line) + ":" +
                std::to_string(p.column) + " ";
      return true;
    };
  };
  Validator validator("utf8");
  validator.Validate(text.data(), text.size(), keep(0));
  ASSERT_EQ(validator.SetOptions({true, false}), Status::Valid);
  validator.Validate(text.data(), text.size(), keep(1));
  TempDir dir;
  validator.ValidateFile(dir.Write("lines", text).c_str(), keep(2));
  codvet_validator* v = nullptr;
  ASSERT_EQ(codvet_validator_new("utf8", &v), CODVET_VALID);
  ASSERT_EQ(codvet_validator_set_options(v, CODVET_OPTION_LINES), CODVET_VALID);
  auto add = [](void* out, const codvet_problem* p) {
    *static_cast<std::string*>(out) += std::to_string(p->offset) + " " + std::to_string(p->line) +
                                       ":" + std::to_string(p->column) + " ";
    return 1;
  };
  codvet_validate(v, text.data(), text.size(), add, &got[3]);
  codvet_validator_free(v);
  EXPECT_EQ(got[0], unasked);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(got[k], expected) << k;
}

// Misuse of the C++ interface is a status, as in C; a validator that was
// misused, or moved onto itself, still validates.
TEST(Library, AnswersWrongUseWithAStatus) {
  Validator v("utf8");
  std::function<bool(const Problem&)> none;
  auto keep = [](const Problem&) { return true; };
  auto read = [](std::uint8_t*, std::size_t) -> std::ptrdiff_t { return 0; };
  const std::pair<const char*, Status> cases[] = {
      {"null data with a size", v.Validate(nullptr, 5, nullptr, nullptr)},
      {"null reader", v.ValidateReader(nullptr, nullptr, nullptr, nullptr)},
      {"null path", v.ValidateFile(nullptr, nullptr, nullptr)},
      {"null problem list", v.Validate("\x80", 1, static_cast<std::vector<Problem>*>(nullptr))},
      {"empty problem callable", v.Validate("\x80", 1, none)},
      {"empty read callable", v.ValidateReader({}, keep)},
      {"empty problem callable for a reader", v.ValidateReader(read, none)},
      {"empty problem callable for a file", v.ValidateFile("x", none)},
  };
  for (const auto& [label, status] : cases) EXPECT_EQ(status, Status::BadArgument) << label;
  EXPECT_EQ(v.Validate(nullptr, 0, nullptr, nullptr), Status::Valid);
  Validator& same = v;
  v = std::move(same);
  EXPECT_EQ(v.status(), Status::Valid);
  EXPECT_EQ(v.Validate("\x80", 1, nullptr, nullptr), Status::Invalid);
}

// A validation started from inside a validator's own read function is turned
// away; the outer one goes on unharmed. (The fuzz target does the same from
// problem functions.)
TEST(Library, RefusesToBeEnteredWhileValidating) {
  codvet_validator* c = nullptr;
  ASSERT_EQ(codvet_validator_new("shift_jis", &c), CODVET_VALID);
  struct Reader {
    codvet_validator* validator;
    int calls;
    codvet_status inner;
  } reader{c, 0, CODVET_VALID};
  auto readOnce = [](void* context, std::uint8_t* buffer, std::size_t) -> std::ptrdiff_t {
    auto& r = *static_cast<Reader*>(context);
    if (r.calls++ > 0) return 0;
    r.inner = codvet_validate(r.validator, "\x80\x80", 2, nullptr, nullptr);
    std::copy_n("ok\x80", 3, buffer);
    return 3;
  };
  std::vector<codvet_problem> seen;
  auto keepAll = [](void* out, const codvet_problem* p) {
    return static_cast<std::vector<codvet_problem>*>(out)->push_back(*p), 1;
  };
  EXPECT_EQ(codvet_validate_reader(c, readOnce, &reader, keepAll, &seen), CODVET_INVALID);
  EXPECT_EQ(reader.inner, CODVET_BUSY);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(std::make_tuple(seen[0].offset, seen[0].value), std::make_tuple(2, 0x80u));
  codvet_validator_free(c);
}

#ifndef _WIN32
// A problem function that throws leaves no file open and the validator
// usable.
TEST(Library, ClosesTheFileWhenAProblemFunctionThrows) {
  TempDir dir;
  std::string path = dir.Write("bad", "\x80\x80");
  auto openFiles = [] {
    auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return std::distance(begin(entries), end(entries));
  };
  Validator v("utf8");
  auto before = openFiles();
  for (int i = 0; i < 20; ++i) {
    EXPECT_THROW(
        v.ValidateFile(path.c_str(),
                       [](const Problem&) -> bool { throw std::runtime_error("caller's"); }),
        std::runtime_error);
  }
  EXPECT_EQ(openFiles(), before);
  EXPECT_EQ(v.ValidateFile(path.c_str(), nullptr, nullptr), Status::Invalid);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Collecting more problems than memory holds ends with OutOfMemory rather
// than an exception out of an overload that promises none. Run in a child
// process whose address space is capped a little above what it uses.
TEST(Library, CollectingPastTheMemoryThereIsGivesOutOfMemory) {
  const std::string bytes(32 << 20, '\x80');  // 32 Mi problems, 768 MiB of them
  Validator v("shift_jis");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    rlim_t cap = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (128 << 20);
    rlimit limit{cap, cap};
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(1);
    // An emulator may not pass the limit on: then there is nothing to test.
    static void* volatile probe;
    probe = std::malloc(std::size_t{256} << 20);
    if (probe != nullptr) _exit(2);
    std::vector<Problem> problems;
    Status status = v.Validate(bytes.data(), bytes.size(), &problems);
    _exit(status == Status::OutOfMemory && !problems.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no address space limit";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif
#endif

TEST(Library, NamesEncodingsAsTheProgramDoes) {
  for (int i = 0; i < kEncodingCount; ++i) EXPECT_STREQ(EncodingName(i), kTestEncodings[i]);
  EXPECT_EQ(EncodingName(8), nullptr);
  EXPECT_STREQ(Validator("UTF16LE").encodingName(), "utf16le");
  for (const char* unknown : {"utf-8", "sjis", "UTF-16", "", "utf8 ", (const char*)nullptr}) {
    Validator validator(unknown);
    EXPECT_EQ(validator.Validate("", 0, nullptr, nullptr), Status::UnknownEncoding) << unknown;
  }
}

#ifndef _WIN32
// The halves of each message, the Japanese one converted to CP932 by iconv,
// make up the text the program prints. A cross build's sysroot has no
// conversion modules, so there the converter cannot be opened.
TEST(Library, MessageHalvesMakeUpThePrintedText) {
  if (!Convert("UTF-8", "CP932", "")) GTEST_SKIP() << "no UTF-8 to CP932 converter (iconv_open)";
  for (int i = 0; i < kMessageCount; ++i) {
    auto id = static_cast<MessageId>(i);
    std::optional<std::string> japanese = Convert("UTF-8", "CP932", MessageJapanese(id));
    ASSERT_TRUE(japanese) << i;
    EXPECT_EQ(std::string(MessageEnglish(id)) + " " + *japanese, MessageReportText(id));
  }
  EXPECT_EQ(MessageName(MessageId::UncertainEndian), "MsgUncertainEndian");
  EXPECT_EQ(MessageEnglish(MessageId::SurrogateInUtf8), "Detected invalid sarrogate pair code.");
  EXPECT_EQ(MessageJapanese(MessageId::InvalidCharacter), "適合しない文字です。");
}
#endif

TEST(CInterface, AnswersWrongUseWithAStatus) {
  codvet_validator* v = reinterpret_cast<codvet_validator*>(&v);
  EXPECT_EQ(codvet_validator_new(nullptr, &v), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(codvet_validator_new("utf8", nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validator_new("cp932", &v), CODVET_UNKNOWN_ENCODING);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(codvet_validate(nullptr, "", 0, nullptr, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate_file(nullptr, "x", nullptr, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_error_number(nullptr), 0);
  EXPECT_EQ(codvet_validator_encoding(nullptr), nullptr);
  codvet_validator_free(nullptr);

  ASSERT_EQ(codvet_validator_new("Windows-31J", &v), CODVET_VALID);
  EXPECT_STREQ(codvet_validator_encoding(v), "windows-31j");
  EXPECT_EQ(codvet_validate(v, nullptr, 1, nullptr, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate(v, nullptr, 0, nullptr, nullptr), CODVET_VALID);
  EXPECT_EQ(codvet_validate_reader(v, nullptr, nullptr, nullptr, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate_file(v, nullptr, nullptr, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate_file(v, "/nonexistent/x", nullptr, nullptr), CODVET_OPEN_FAILED);
  EXPECT_EQ(codvet_error_number(v), ENOENT);
  auto failRead = [](void*, std::uint8_t*, std::size_t) -> std::ptrdiff_t { return -ENOSPC; };
  EXPECT_EQ(codvet_validate_reader(v, failRead, nullptr, nullptr, nullptr), CODVET_READ_FAILED);
  EXPECT_EQ(codvet_error_number(v), ENOSPC);

  // Stopped at the first of two problems, which arrives whole.
  auto keepFirst = [](void* seen, const codvet_problem* p) {
    return static_cast<std::vector<codvet_problem>*>(seen)->push_back(*p), 0;
  };
  std::vector<codvet_problem> seen;
  EXPECT_EQ(codvet_validate(v, "a\x80\xf0\x40", 4, keepFirst, &seen), CODVET_STOPPED);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(std::make_tuple(seen[0].offset, seen[0].message, seen[0].has_value, seen[0].value),
            std::make_tuple(1, 0, 1, 0x80u));
  EXPECT_EQ(codvet_error_number(v), 0);
  codvet_validator_free(v);

  EXPECT_EQ(codvet_encoding_name(-1), nullptr);
  EXPECT_STREQ(codvet_encoding_name(2), "euc-jp");
  for (int bad : {-1, CODVET_MESSAGE_COUNT}) EXPECT_EQ(codvet_message_report_text(bad), nullptr);
  EXPECT_STREQ(codvet_message_english(24), "Uncertain Endian");
  EXPECT_STREQ(
      codvet_message_report_text(18),
      "Invalid Seq. \x82\xa0\x82\xe8\x93\xbe\x82\xc8\x82\xa2\x95\x73\x90\xb3\x82\xc8\x83\x6f\x83\x43\x83\x67\x97\xf1\x82\xc5\x82\xb7");
  EXPECT_STREQ(codvet_status_text(CODVET_UNKNOWN_ENCODING), "unknown encoding");
  EXPECT_STREQ(codvet_status_text(CODVET_BUSY), "busy");
  std::size_t count = 0;
  ASSERT_EQ(codvet_validator_new("utf8", &v), CODVET_VALID);
  EXPECT_EQ(codvet_validate_collect(v, "ok", 2, nullptr, 1, &count), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate_collect(v, "ok", 2, nullptr, 0, nullptr), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_validate_collect(v, "\x80", 1, nullptr, 0, &count), CODVET_STOPPED);
  codvet_validator_free(v);
}

TEST(CInterface, FinderAnswersAsTheCppOneWithStrictRules) {
  codvet_finder* f = nullptr;
  EXPECT_EQ(codvet_finder_new(nullptr), CODVET_BAD_ARGUMENT);
  ASSERT_EQ(codvet_finder_new(&f), CODVET_VALID);
  unsigned mask = 1;
  for (unsigned options : {0u, unsigned{CODVET_OPTION_STRICT}}) {
    ASSERT_EQ(codvet_finder_set_options(f, options), CODVET_VALID);
    ASSERT_EQ(codvet_find_encodings(f, "\xC0\x80", 2, &mask), CODVET_VALID);
    EXPECT_EQ(mask >> 4 & 1, options == 0 ? 1u : 0u);  // utf8: overlong, accepted leniently
  }
  EXPECT_EQ(codvet_finder_set_options(f, 4), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_find_encodings(f, nullptr, 1, &mask), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_find_encodings_reader(f, nullptr, nullptr, &mask), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_find_encodings_file(nullptr, "x", &mask), CODVET_BAD_ARGUMENT);
  EXPECT_EQ(codvet_find_encodings_file(f, "/nonexistent/x", &mask), CODVET_OPEN_FAILED);
  EXPECT_EQ(codvet_finder_error_number(f), ENOENT);
  auto failRead = [](void*, std::uint8_t*, std::size_t) -> std::ptrdiff_t { return -ENOSPC; };
  EXPECT_EQ(codvet_find_encodings_reader(f, failRead, nullptr, &mask), CODVET_READ_FAILED);
  EXPECT_EQ(std::make_tuple(mask, codvet_finder_error_number(f)), std::make_tuple(0u, ENOSPC));
  codvet_finder_free(f);
  codvet_finder_free(nullptr);
}

}  // namespace
}  // namespace codvet
