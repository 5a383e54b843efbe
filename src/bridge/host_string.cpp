#include "bridge/host_string.h"

#include "platform/utf8.h"

namespace axb::bridge {

std::string toWellFormedUtf8(std::string_view bytes) {
  return utf8::toWellFormed(bytes);
}

std::optional<std::string> copyHostString(const char* text) {
  if (text == nullptr) return std::nullopt;
  return toWellFormedUtf8(std::string_view(text));
}

}  // namespace axb::bridge
