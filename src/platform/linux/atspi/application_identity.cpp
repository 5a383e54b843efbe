#include "platform/linux/atspi/application_identity.h"

#include <fstream>
#include <iterator>
#include <map>
#include <string_view>

#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/wayland/session.h"
#include "platform/linux/x11/x11_desktop.h"

namespace axb::platform::atspi {
namespace {

struct Identity {
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> name;
};

std::map<ProcessId, Identity>& identities() {
  static auto* const known = new std::map<ProcessId, Identity>();
  return *known;
}

// The desktop-file id a launcher (GIO, and the desktops built on it) left in the environment.
std::optional<std::string> launchedDesktopFile(ProcessId pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
  if (!file) return std::nullopt;
  const std::string environment((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  constexpr std::string_view kKey = "GIO_LAUNCHED_DESKTOP_FILE=";
  for (std::size_t start = 0; start < environment.size();) {
    std::size_t end = environment.find('\0', start);
    if (end == std::string::npos) end = environment.size();
    const std::string_view entry(environment.data() + start, end - start);
    if (entry.substr(0, kKey.size()) == kKey) {
      std::string_view path = entry.substr(kKey.size());
      if (const auto slash = path.rfind('/'); slash != std::string_view::npos) {
        path = path.substr(slash + 1);
      }
      constexpr std::string_view kSuffix = ".desktop";
      if (path.size() > kSuffix.size() && path.substr(path.size() - kSuffix.size()) == kSuffix) {
        path = path.substr(0, path.size() - kSuffix.size());
      }
      if (!path.empty()) return std::string(path);
    }
    start = end + 1;
  }
  return std::nullopt;
}

// A GTK application without an application id gives its Wayland windows its program name as
// their app_id, and its accessible application the same name.
std::optional<std::string> gtkProgramName(ProcessId pid) {
  if (!wayland::waylandSession()) return std::nullopt;
  const GRef<AtspiAccessible> application = applicationOf(pid);
  if (!application) return std::nullopt;
  GErrorSlot error;
  const GText toolkit(atspi_accessible_get_toolkit_name(application.get(), error.out()));
  if (error || !toolkit || g_ascii_strcasecmp(toolkit.get(), "gtk") != 0) return std::nullopt;
  const auto name = readName(application.get());
  if (!name.ok() || name.value.empty()) return std::nullopt;
  return name.value;
}

}  // namespace

std::optional<std::string> bundleIdentifierOf(ProcessId pid) {
  Identity& identity = identities()[pid];
  if (identity.bundleIdentifier) return identity.bundleIdentifier;
  std::optional<std::string> found = launchedDesktopFile(pid);
  // The compositor's application id (a native Wayland window's app_id).
  if (!found) found = wayland::applicationIdOf(pid);
  if (!found) found = x11::applicationIdOf(pid);
  if (!found) found = x11::windowClassOf(pid);
  if (!found) found = gtkProgramName(pid);
  // Remembered only once known: a window may appear after the first question.
  if (found) identity.bundleIdentifier = textFrom(found->c_str());
  return identity.bundleIdentifier;
}

std::optional<std::string> applicationNameOf(ProcessId pid) {
  Identity& identity = identities()[pid];
  if (identity.name) return identity.name;
  const GRef<AtspiAccessible> application = applicationOf(pid);
  if (!application) return std::nullopt;
  const auto name = readName(application.get());
  if (!name.ok() || name.value.empty()) return std::nullopt;
  identity.name = name.value;
  return identity.name;
}

void forgetIdentity(ProcessId pid) {
  identities().erase(pid);
}

}  // namespace axb::platform::atspi
