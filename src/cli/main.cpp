#include "cli/codvet.h"

int main(int argc, char** argv) {
  return codvet::RunCodvet(argc, argv);
}
