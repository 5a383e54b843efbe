// Synthetic keyboard events, posted as if typed.
#pragma once

#include <cstdint>
#include <memory>

namespace axb::platform {

inline constexpr int kCombinedSessionState = 0;
inline constexpr int kHIDSystemState = 1;
inline constexpr int kHIDEventTap = 0;
inline constexpr std::uint16_t kKeyCodeCommand = 55;
inline constexpr std::uint16_t kKeyCodeV = 9;
inline constexpr std::uint64_t kEventFlagMaskCommand = 0x100000;

class KeyEventSource {
 public:
  struct Impl;
  // Nothing when the platform refuses to create the source.
  static std::unique_ptr<KeyEventSource> create(int stateId);
  ~KeyEventSource();
  KeyEventSource(const KeyEventSource&) = delete;
  KeyEventSource& operator=(const KeyEventSource&) = delete;
  explicit KeyEventSource(std::unique_ptr<Impl> impl);
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

class KeyEvent {
 public:
  struct Impl;
  // Nothing when the platform refuses to create the event.
  static std::unique_ptr<KeyEvent> create(const KeyEventSource& source, std::uint16_t keyCode,
                                          bool keyDown);
  ~KeyEvent();
  KeyEvent(const KeyEvent&) = delete;
  KeyEvent& operator=(const KeyEvent&) = delete;
  explicit KeyEvent(std::unique_ptr<Impl> impl);

  void setFlags(std::uint64_t flags);
  // Hands the event to the system at the given tap; the frontmost application handles it later.
  void post(int tap);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace axb::platform
