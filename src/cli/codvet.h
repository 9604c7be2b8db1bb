// The program entry: arguments, the encoding table, the run over every input,
// and the exit status.
#ifndef SRC_CLI_CODVET_H_
#define SRC_CLI_CODVET_H_

namespace codvet {

enum ExitStatus : int {
  kExitValid = 0,        // every input was validated and found valid
  kExitInvalid = 2,      // a problem was reported, or the encoding name is unknown
  kExitUsage = 4,        // no encoding name, or an input could not be opened or read
  kExitOutOfMemory = 6,  // the memory of the run (code sets, buffers) could not be had
};

// Runs the program over its argument vector and returns the exit status.
int RunCodvet(int argc, char** argv);

}  // namespace codvet

#endif  // SRC_CLI_CODVET_H_
