// Every text the player shows or prints, by id, in Japanese and in English: the rows are in
// message_table.h. A text may hold placeholders {1}..{9}, which the arguments fill in the order of their
// numbers, so that a translation can put them where its own word order wants them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/message_table.h"

namespace tavrik {

enum class MessageId : std::uint16_t {
#define TAVRIK_MESSAGE_ID(id, ja, en) id,
  TAVRIK_MESSAGES(TAVRIK_MESSAGE_ID)
#undef TAVRIK_MESSAGE_ID
};

inline constexpr std::size_t kMessageCount = 0
#define TAVRIK_MESSAGE_COUNT(id, ja, en) +1
    TAVRIK_MESSAGES(TAVRIK_MESSAGE_COUNT)
#undef TAVRIK_MESSAGE_COUNT
    ;

// Both texts of a row as written in the table (UTF-8), placeholders unfilled.
struct MessageText {
  std::string_view ja;
  std::string_view en;
};

MessageText messageText(MessageId id);

// The text with {1}..{9} replaced by the arguments, in order of their numbers. A placeholder without
// an argument stays as written, so that a missing one shows rather than vanishing. The arguments are
// put in as they are, never searched for placeholders themselves.
std::string ja(MessageId id, std::initializer_list<std::string_view> args = {});
std::string en(MessageId id, std::initializer_list<std::string_view> args = {});

// The Japanese text in Shift-JIS, for what stays in a script's code page (a compile error is shown
// with the script's own line): the table's text converted once, then filled with arguments that are
// Shift-JIS bytes from the script, which a round trip through UTF-8 could change.
std::string jaSjis(MessageId id, std::initializer_list<std::string_view> args = {});
// The unfilled Shift-JIS form of the Japanese text, for telling a message made by jaSjis apart.
std::string_view jaSjisText(MessageId id);

}  // namespace tavrik
