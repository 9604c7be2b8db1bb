// codvet_check ENCODING FILE...: validates each file with the codvet library
// and prints every problem as the codvet program does, but with the
// Japanese half of the message in UTF-8. Exits with 0 when every file is
// valid, 1 when one is not, 2 on an error.
#include <codvet/codvet.h>

#include <cstdio>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: codvet_check ENCODING FILE...\n";
    return 2;
  }
  codvet::Validator validator(argv[1]);
  if (validator.status() != codvet::Status::Valid) {
    std::cerr << "codvet_check: unknown encoding " << argv[1] << "\n";
    return 2;
  }
  bool allValid = true;
  for (int i = 2; i < argc; ++i) {
    const char* name = argv[i];
    codvet::Status status = validator.ValidateFile(name, [&](const codvet::Problem& problem) {
      std::cout << '"' << name << "\" (" << problem.offset
                << "): " << codvet::MessageEnglish(problem.message) << ' '
                << codvet::MessageJapanese(problem.message);
      if (problem.hasValue) std::cout << " (0x" << std::hex << problem.value << std::dec << ')';
      std::cout << '\n';
      return true;
    });
    if (status == codvet::Status::OpenFailed || status == codvet::Status::ReadFailed) {
      std::cerr << name << ": " << std::strerror(validator.errorNumber()) << "\n";
      return 2;
    }
    allValid = allValid && status == codvet::Status::Valid;
  }
  return allValid ? 0 : 1;
}
