#include "platform/linux/atspi/caret_bounds.h"

namespace axb::platform::atspi {

bool isRectangle(const Rect& rect) {
  return !(rect == Rect{});
}

Answer<Rect> caretBounds(const std::function<Answer<Rect>(CaretSource)>& ask) {
  for (const CaretSource source : {CaretSource::kCharacter, CaretSource::kCharacterRange,
                                   CaretSource::kPreviousCharacter, CaretSource::kNextCharacter}) {
    const Answer<Rect> answer = ask(source);
    if (answer.error == axerr::kCannotComplete || answer.error == axerr::kInvalidUIElement) {
      return {answer.error, {}};
    }
    if (!answer.ok() || !isRectangle(answer.value)) continue;
    Rect caret = answer.value;
    if (source == CaretSource::kPreviousCharacter) caret.x += caret.width;
    caret.width = 0;
    return {axerr::kSuccess, caret};
  }
  return {axerr::kNoValue, {}};
}

}  // namespace axb::platform::atspi
