// The halves of every report message apart, for programs that take problems
// as values rather than as report lines.
#ifndef SRC_LIBRARY_MESSAGE_TEXTS_H_
#define SRC_LIBRARY_MESSAGE_TEXTS_H_

#include <string_view>

namespace codvet {

struct MessageTexts {
  const char* name;         // the identifier, "MsgInvalidCharacter"
  const char* english;      // the English half
  const char* japanese;     // the Japanese half in UTF-8
  std::string_view report;  // the whole message as printed (Shift_JIS)
};

// One row per message, in the order of the catalogue.
extern const MessageTexts kMessageTexts[25];

// The index in kMessageTexts of the message whose text is `message`, or -1.
int FindMessage(std::string_view message);

}  // namespace codvet

#endif  // SRC_LIBRARY_MESSAGE_TEXTS_H_
