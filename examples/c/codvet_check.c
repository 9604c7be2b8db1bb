/* codvet_check ENCODING FILE...: validates each file with codvet's C
 * interface and prints every problem as the codvet program does, but with
 * the Japanese half of the message in UTF-8. Exits with 0 when every file is
 * valid, 1 when one is not, 2 on an error.
 *
 *   cc -o codvet_check codvet_check.c $(pkg-config --cflags --libs codvet) */
#include <codvet/codvet_c.h>
#include <stdio.h>
#include <string.h>

static int print_problem(void* context, const codvet_problem* problem) {
  const char* name = context;
  printf("\"%s\" (%lld): %s %s", name, (long long)problem->offset,
         codvet_message_english(problem->message), codvet_message_japanese(problem->message));
  if (problem->has_value) printf(" (0x%x)", (unsigned)problem->value);
  printf("\n");
  return 1; /* go on */
}

int main(int argc, char** argv) {
  codvet_validator* validator;
  codvet_status status;
  int i, all_valid = 1;
  if (argc < 3) {
    fprintf(stderr, "usage: codvet_check ENCODING FILE...\n");
    return 2;
  }
  status = codvet_validator_new(argv[1], &validator);
  if (status != CODVET_VALID) {
    fprintf(stderr, "codvet_check: %s: %s\n", argv[1], codvet_status_text(status));
    return 2;
  }
  for (i = 2; i < argc; ++i) {
    status = codvet_validate_file(validator, argv[i], print_problem, argv[i]);
    if (status == CODVET_OPEN_FAILED || status == CODVET_READ_FAILED) {
      fprintf(stderr, "%s: %s\n", argv[i], strerror(codvet_error_number(validator)));
      codvet_validator_free(validator);
      return 2;
    }
    if (status != CODVET_VALID) all_valid = 0;
  }
  codvet_validator_free(validator);
  return all_valid ? 0 : 1;
}
