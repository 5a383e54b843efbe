// Synthetic keyboard events of the platform boundary: posting records them on the simulated
// desktop, whose frontmost application handles them a little later.
#include "platform/keyboard.h"

#include <utility>

#include "sim_desktop/desktop.h"

namespace axb::platform {

struct KeyEventSource::Impl {
  int stateId = 0;
};

struct KeyEvent::Impl {
  int sourceState = 0;
  std::uint16_t keyCode = 0;
  bool keyDown = false;
  std::uint64_t flags = 0;
};

std::unique_ptr<KeyEventSource> KeyEventSource::create(int stateId) {
  return std::make_unique<KeyEventSource>(std::make_unique<Impl>(Impl{stateId}));
}

KeyEventSource::KeyEventSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEventSource::~KeyEventSource() = default;

std::unique_ptr<KeyEvent> KeyEvent::create(const KeyEventSource& source, std::uint16_t keyCode,
                                           bool keyDown) {
  return std::make_unique<KeyEvent>(
      std::make_unique<Impl>(Impl{source.impl().stateId, keyCode, keyDown, 0}));
}

KeyEvent::KeyEvent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEvent::~KeyEvent() = default;

void KeyEvent::setFlags(std::uint64_t flags) {
  impl_->flags = flags;
}

void KeyEvent::post(int tap) {
  auto& desktop = sim::Desktop::current();
  sim::PostedKeyEvent event;
  event.sourceState = impl_->sourceState;
  event.keyCode = impl_->keyCode;
  event.keyDown = impl_->keyDown;
  event.flags = impl_->flags;
  event.tap = tap;
  event.time = desktop.now();
  desktop.recordKeyEvent(event);
}

}  // namespace axb::platform
