// Synthetic keys are not posted on Linux yet: creating a source refuses, so the paste that
// needs it does nothing instead of typing into an unchecked window.
#include "platform/keyboard.h"

namespace axb::platform {

struct KeyEventSource::Impl {};
struct KeyEvent::Impl {};

std::unique_ptr<KeyEventSource> KeyEventSource::create(int) {
  return nullptr;
}

KeyEventSource::KeyEventSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEventSource::~KeyEventSource() = default;

std::unique_ptr<KeyEvent> KeyEvent::create(const KeyEventSource&, std::uint16_t, bool) {
  return nullptr;
}

KeyEvent::KeyEvent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEvent::~KeyEvent() = default;

void KeyEvent::setFlags(std::uint64_t) {}

void KeyEvent::post(int) {}

}  // namespace axb::platform
