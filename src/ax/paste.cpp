#include "ax/paste.h"

#include <cstdint>
#include <memory>

#include "platform/keyboard.h"
#include "platform/run_loop.h"

namespace axb::ax {
namespace {

std::unique_ptr<platform::KeyEvent> commandKeyEvent(const platform::KeyEventSource& source,
                                                    std::uint16_t keyCode, bool keyDown) {
  auto event = platform::KeyEvent::create(source, keyCode, keyDown);
  if (event) event->setFlags(platform::kEventFlagMaskCommand);
  return event;
}

void postIfCreated(const std::unique_ptr<platform::KeyEvent>& event) {
  if (event) event->post(platform::kHIDEventTap);
}

}  // namespace

void pasteCommand() {
  const auto source = platform::KeyEventSource::create(platform::kHIDSystemState);
  if (!source) return;
  const auto commandDown = commandKeyEvent(*source, platform::kKeyCodeCommand, true);
  const auto vDown = commandKeyEvent(*source, platform::kKeyCodeV, true);
  postIfCreated(commandDown);
  postIfCreated(vDown);
  const auto vUp = commandKeyEvent(*source, platform::kKeyCodeV, false);
  const auto commandUp = commandKeyEvent(*source, platform::kKeyCodeCommand, false);
  postIfCreated(vUp);
  postIfCreated(commandUp);
}

void delay(double seconds) {
  if (!(seconds > 0)) return;  // also NaN
  platform::sleepUntilMonotonic(platform::monotonicSeconds() + seconds);
}

}  // namespace axb::ax
