#include "base/messages.h"

#include <array>

#include "base/sjis_text.h"
#include "base/text_encoding.h"

namespace tavrik {

namespace {

constexpr MessageText kTexts[] = {
#define TAVRIK_MESSAGE_TEXT(id, ja, en) MessageText{ja, en},
    TAVRIK_MESSAGES(TAVRIK_MESSAGE_TEXT)
#undef TAVRIK_MESSAGE_TEXT
};
static_assert(std::size(kTexts) == kMessageCount);

// Fills {1}..{9}. A Shift-JIS text is walked a character at a time: a trail byte may be "{" or "}".
std::string fill(std::string_view text, std::initializer_list<std::string_view> args, bool shiftJis) {
  std::size_t size = text.size();
  for (const std::string_view arg : args) size += arg.size();
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
        text[i + 2] == '}') {
      const auto number = static_cast<std::size_t>(text[i + 1] - '1');
      if (number < args.size()) {
        out += args.begin()[number];
        i += 3;
        continue;
      }
    }
    const std::size_t n = shiftJis ? sjis::charLength(text, i) : 1;
    out.append(text, i, n);
    i += n;
  }
  return out;
}

// The Japanese texts in Shift-JIS, converted at the first use. Every row converts: the messages test
// checks it, and a row that did not would come out empty rather than half converted.
const std::array<std::string, kMessageCount>& sjisTexts() {
  static const std::array<std::string, kMessageCount> texts = [] {
    std::array<std::string, kMessageCount> out;
    for (std::size_t i = 0; i < kMessageCount; ++i) out[i] = utf8ToSjisStrict(kTexts[i].ja).value_or("");
    return out;
  }();
  return texts;
}

}  // namespace

MessageText messageText(MessageId id) {
  return kTexts[static_cast<std::size_t>(id)];
}

std::string ja(MessageId id, std::initializer_list<std::string_view> args) {
  return fill(messageText(id).ja, args, false);
}

std::string en(MessageId id, std::initializer_list<std::string_view> args) {
  return fill(messageText(id).en, args, false);
}

std::string jaSjis(MessageId id, std::initializer_list<std::string_view> args) {
  return fill(jaSjisText(id), args, true);
}

std::string_view jaSjisText(MessageId id) {
  return sjisTexts()[static_cast<std::size_t>(id)];
}

}  // namespace tavrik
