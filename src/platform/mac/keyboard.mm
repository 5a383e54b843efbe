// Synthetic keyboard events through Quartz event services.
#include "platform/keyboard.h"

#include "platform/mac/keyboard_impl.h"

namespace axb::platform {

std::unique_ptr<KeyEventSource> KeyEventSource::create(int stateId) {
  auto source = mac::CFRef<CGEventSourceRef>::adopt(
      CGEventSourceCreate(static_cast<CGEventSourceStateID>(stateId)));
  if (!source) return nullptr;
  return std::make_unique<KeyEventSource>(std::make_unique<Impl>(Impl{std::move(source)}));
}

KeyEventSource::KeyEventSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEventSource::~KeyEventSource() = default;

std::unique_ptr<KeyEvent::Impl> KeyEvent::Impl::make(const KeyEventSource& source,
                                                     std::uint16_t keyCode, bool keyDown) {
  auto event = mac::CFRef<CGEventRef>::adopt(CGEventCreateKeyboardEvent(
      source.impl().source.get(), static_cast<CGKeyCode>(keyCode), keyDown));
  if (!event) return nullptr;
  return std::make_unique<Impl>(Impl{std::move(event)});
}

std::unique_ptr<KeyEvent> KeyEvent::create(const KeyEventSource& source, std::uint16_t keyCode,
                                           bool keyDown) {
  auto impl = Impl::make(source, keyCode, keyDown);
  if (!impl) return nullptr;
  return std::make_unique<KeyEvent>(std::move(impl));
}

KeyEvent::KeyEvent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyEvent::~KeyEvent() = default;

void KeyEvent::setFlags(std::uint64_t flags) {
  CGEventSetFlags(impl_->event.get(), static_cast<CGEventFlags>(flags));
}

void KeyEvent::post(int tap) {
  // Only the three tap locations there are: HID, session and annotated session.
  if (tap < 0 || tap > static_cast<int>(kCGAnnotatedSessionEventTap)) return;
  CGEventPost(static_cast<CGEventTapLocation>(tap), impl_->event.get());
}

}  // namespace axb::platform
