/* codvet's C interface: tells whether bytes are well formed in one of eight
 * encodings used for Japanese text, and reports every problem with its byte
 * offset, as the codvet program does. For C programs and the foreign-function
 * interfaces of other languages.
 *
 * A validator is an opaque handle made for one encoding; it validates any
 * number of inputs, one at a time. Separate validators may be used on
 * separate threads at once. Every function returns a status; none ends the
 * process, writes to a stream or lets an exception out.
 *
 * Wrong use is answered with a status, never a crash: a null handle, output
 * pointer, path or read function, or null data with a size, gives
 * CODVET_BAD_ARGUMENT; a validation started on a validator that is already
 * validating (from its own read or problem function, or from another thread)
 * gives CODVET_BUSY and leaves the running one as it was. The one thing a
 * caller must not do is free a validator from inside its own read or problem
 * function. */
#ifndef CODVET_CODVET_C_H_
#define CODVET_CODVET_C_H_

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) && !defined(_WIN32)
#define CODVET_C_API __attribute__((visibility("default")))
#else
#define CODVET_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum codvet_status {
  CODVET_VALID = 0,            /* read to its end, no problem found */
  CODVET_INVALID = 1,          /* read to its end, problems reported */
  CODVET_STOPPED = 2,          /* the problem function returned 0 */
  CODVET_READ_FAILED = 3,      /* a read failed; see codvet_error_number */
  CODVET_OPEN_FAILED = 4,      /* the file could not be opened; see codvet_error_number */
  CODVET_OUT_OF_MEMORY = 5,    /* the validator's memory could not be had */
  CODVET_UNKNOWN_ENCODING = 6, /* the name is not one of the eight */
  CODVET_BAD_ARGUMENT = 7,     /* a null handle, output pointer, path or function, or null data */
  CODVET_BUSY = 8              /* the validator is in the middle of another validation */
} codvet_status;

/* The number of messages; a problem's message is 0 to CODVET_MESSAGE_COUNT - 1,
 * in the order of the program's catalogue (0 is MsgInvalidCharacter). */
#define CODVET_MESSAGE_COUNT 30

typedef struct codvet_problem {
  int64_t offset; /* first byte of the character concerned, from 0 */
  int message;    /* the message's number */
  int has_value;  /* 1 when value holds the bytes concerned */
  uint32_t value;
  int64_t line;   /* with the lines option, its line from 1 (else 0) */
  int64_t column; /* with the lines option, its column from 1 (else 0); both
                   * count as Problem::line and Problem::column in codvet.h */
} codvet_problem;

typedef struct codvet_validator codvet_validator;

/* Called for each problem in input order; return 0 to stop, anything else to
 * go on. Where none is given, validation ends at the first problem with
 * CODVET_INVALID. */
typedef int (*codvet_problem_fn)(void* context, const codvet_problem* problem);
/* Reads up to size bytes into buffer: returns the count, 0 at the end, or a
 * negative number on failure (minus an errno value, for codvet_error_number). */
typedef ptrdiff_t (*codvet_read_fn)(void* context, uint8_t* buffer, size_t size);

/* Makes a validator for the encoding named (case does not matter) and stores
 * it in *out, or stores NULL and returns why not. */
CODVET_C_API codvet_status codvet_validator_new(const char* encoding, codvet_validator** out);
/* Releases a validator; NULL is allowed. */
CODVET_C_API void codvet_validator_free(codvet_validator* validator);
/* The encoding's name as the program spells it ("shift_jis"). */
CODVET_C_API const char* codvet_validator_encoding(const codvet_validator* validator);

/* Options, ORed together, for codvet_validator_set_options. */
#define CODVET_OPTION_LINES 1u  /* give every problem its line and column */
#define CODVET_OPTION_STRICT 2u /* strict rules: RFC 3629 in utf8, seven bits in iso-2022-jp */
/* Sets the options of the validations that follow (none at first): CODVET_VALID,
 * CODVET_BAD_ARGUMENT for bits outside the options, or CODVET_BUSY from inside
 * a validation. */
CODVET_C_API codvet_status codvet_validator_set_options(codvet_validator* validator,
                                                        unsigned options);

/* Validates size bytes at data (not copied; data may be NULL when size is 0). */
CODVET_C_API codvet_status codvet_validate(codvet_validator* validator, const void* data,
                                           size_t size, codvet_problem_fn on_problem,
                                           void* context);
/* Validates size bytes at data and stores at most capacity problems in
 * problems[0..*count): CODVET_VALID or CODVET_INVALID when every problem fits,
 * CODVET_STOPPED at the first problem beyond capacity (the bytes have more
 * problems than were stored). problems may be NULL when capacity is 0: the
 * answer is then CODVET_VALID, or CODVET_STOPPED at the first problem. Memory
 * use is the caller's array alone. */
CODVET_C_API codvet_status codvet_validate_collect(codvet_validator* validator, const void* data,
                                                   size_t size, codvet_problem* problems,
                                                   size_t capacity, size_t* count);
/* Validates the bytes read gives, pulled in pieces of any size. */
CODVET_C_API codvet_status codvet_validate_reader(codvet_validator* validator, codvet_read_fn read,
                                                  void* read_context, codvet_problem_fn on_problem,
                                                  void* context);
/* Validates the file at path, read as raw bytes. */
CODVET_C_API codvet_status codvet_validate_file(codvet_validator* validator, const char* path,
                                                codvet_problem_fn on_problem, void* context);
/* The errno value of the validator's last CODVET_READ_FAILED or
 * CODVET_OPEN_FAILED, else 0. */
CODVET_C_API int codvet_error_number(const codvet_validator* validator);

/* The name of encoding index (0 to 7) in the program's order, or NULL. */
CODVET_C_API const char* codvet_encoding_name(int index);
/* Texts of message number message, NUL-terminated, or NULL for a number out
 * of range: its identifier ("MsgInvalidCharacter"), its English half, its
 * Japanese half in UTF-8, and the whole message as the program prints it
 * (English, a blank, Japanese in Shift_JIS bytes). */
CODVET_C_API const char* codvet_message_name(int message);
CODVET_C_API const char* codvet_message_english(int message);
CODVET_C_API const char* codvet_message_japanese(int message);
CODVET_C_API const char* codvet_message_report_text(int message);
/* A short English description of a status ("valid", "unknown encoding"). */
CODVET_C_API const char* codvet_status_text(codvet_status status);

/* Finds the encodings under which bytes are valid: a handle holding one
 * validator per encoding (made once, like a validator), reused across calls;
 * codvet.h's EncodingFinder says how long inputs are read once. */
typedef struct codvet_finder codvet_finder;
CODVET_C_API codvet_status codvet_finder_new(codvet_finder** out);
/* Releases a finder; NULL is allowed. */
CODVET_C_API void codvet_finder_free(codvet_finder* finder);
/* As codvet_validator_set_options, for all eight encodings (only
 * CODVET_OPTION_STRICT changes the answers). */
CODVET_C_API codvet_status codvet_finder_set_options(codvet_finder* finder, unsigned options);
/* Each stores in *valid_mask bit i for each encoding codvet_encoding_name(i)
 * under which the whole input is valid and returns CODVET_VALID, or returns
 * why there is no answer with *valid_mask 0. The read function is called on
 * the calling thread only. */
CODVET_C_API codvet_status codvet_find_encodings(codvet_finder* finder, const void* data,
                                                 size_t size, unsigned* valid_mask);
CODVET_C_API codvet_status codvet_find_encodings_reader(codvet_finder* finder, codvet_read_fn read,
                                                        void* read_context, unsigned* valid_mask);
CODVET_C_API codvet_status codvet_find_encodings_file(codvet_finder* finder, const char* path,
                                                      unsigned* valid_mask);
/* The errno value of the finder's last CODVET_READ_FAILED or
 * CODVET_OPEN_FAILED, else 0. */
CODVET_C_API int codvet_finder_error_number(const codvet_finder* finder);

#ifdef __cplusplus
}
#endif

#endif /* CODVET_CODVET_C_H_ */
