// The messages of report lines: their identifiers, and the catalogue of
// their texts (report/messages.def). Problems travel as identifiers; only
// the line writer turns one into the bytes it prints, which are Shift_JIS
// whatever encoding is being validated and whatever the locale, and the
// library hands out the halves.
#ifndef SRC_REPORT_MESSAGES_H_
#define SRC_REPORT_MESSAGES_H_

#include <cstddef>
#include <iterator>
#include <string_view>

namespace codvet {

// One identifier per message, Msg::InvalidCharacter for the message the
// catalogue calls MsgInvalidCharacter, in the catalogue's order. The
// library's public codvet::MessageId has the same names and values.
enum class Msg : int {
#define CODVET_MESSAGE(id, length, english, japanese, printed) id,
#include "report/messages.def"
#undef CODVET_MESSAGE
};

struct MessageText {
  Msg id;
  std::string_view name;      // "MsgInvalidCharacter"
  std::size_t length;         // of `printed`, in bytes
  std::string_view english;   // "Invalid Character"
  std::string_view japanese;  // in UTF-8
  std::string_view printed;   // English, a blank, Japanese in Shift_JIS
};

// Every view is a whole literal, so its data ends in a null character.
inline constexpr MessageText kMessageCatalogue[] = {
#define CODVET_MESSAGE(id, length, english, japanese, printed) \
  {Msg::id, "Msg" #id, length, english, japanese, printed},
#include "report/messages.def"
#undef CODVET_MESSAGE
};

inline constexpr int kMsgCount = static_cast<int>(std::size(kMessageCatalogue));

// The row of `id`.
constexpr const MessageText& Message(Msg id) {
  return kMessageCatalogue[static_cast<int>(id)];
}

namespace message_checks {

constexpr bool IsShiftJisLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Whether the Japanese half in UTF-8 and the printed one in Shift_JIS agree
// character by character: the same ASCII bytes in the same places, and a
// two-byte Shift_JIS character wherever UTF-8 has a character beyond ASCII.
constexpr bool HalvesAgree(std::string_view utf8, std::string_view shiftJis) {
  std::size_t i = 0;
  std::size_t k = 0;
  while (i < utf8.size() && k < shiftJis.size()) {
    auto u = static_cast<unsigned char>(utf8[i]);
    auto s = static_cast<unsigned char>(shiftJis[k]);
    if (u < 0x80) {
      if (s != u) return false;
      i += 1;
      k += 1;
    } else {
      if (!IsShiftJisLead(s) || k + 1 == shiftJis.size()) return false;
      i += u >= 0xF0 ? 4 : u >= 0xE0 ? 3 : 2;
      k += 2;
    }
  }
  return i == utf8.size() && k == shiftJis.size();
}

constexpr bool RowIsWhole(const MessageText& row) {
  std::string_view printed = row.printed;
  return row.printed.size() == row.length && printed.substr(0, row.english.size()) == row.english &&
         printed.substr(row.english.size(), 1) == " " &&
         HalvesAgree(row.japanese, printed.substr(row.english.size() + 1));
}

constexpr bool CatalogueIsWhole() {
  for (const MessageText& row : kMessageCatalogue) {
    if (!RowIsWhole(row)) return false;
  }
  return true;
}

}  // namespace message_checks

// Each printed text as long as its row says, and made of its two halves.
static_assert(message_checks::CatalogueIsWhole(),
              "a message of another length than its row says, or with halves that differ");

}  // namespace codvet

#endif  // SRC_REPORT_MESSAGES_H_
