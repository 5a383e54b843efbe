// Internal to the scenario loader: what it knows of the desktop at each point of the script, so
// that a reference to an application or element that does not exist (any more) is an error
// with a path, not a surprise while playing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim_host/scenario.h"

namespace axb::sim::scenario {

class KnownDesktop {
 public:
  void declareApplication(const Node& pidNode, ProcessId pid);
  void declareElement(const Node& idNode, const std::string& id, ProcessId pid);
  void terminate(ProcessId pid, const std::string& where);
  void destroy(const std::string& id, const std::string& where);
  void declareHostWindow(const Node& idNode, const std::string& id);
  void closeHostWindow(const std::string& id, const std::string& where);

  // The application exists and has not been terminated.
  void requireLiveApplication(const Node& node, ProcessId pid) const;
  void requireDeclaredApplication(const Node& node, ProcessId pid) const;
  // The element exists, has not been destroyed and its application still runs.
  void requireLiveElement(const Node& node, const std::string& id) const;
  void requireDeclaredElement(const Node& node, const std::string& id) const;
  void requireDeclared(const std::vector<ElementReference>& references) const;
  std::optional<ProcessId> ownerOf(const std::string& id) const;
  // The host window was declared and has not been closed.
  void requireOpenHostWindow(const Node& node, const std::string& id) const;

 private:
  struct Application {
    std::optional<std::string> terminatedAt;
  };
  struct Element {
    ProcessId pid = 0;
    std::string declaredAt;
    std::optional<std::string> destroyedAt;
  };
  std::map<ProcessId, Application> applications_;
  std::map<std::string, Element> elements_;
  std::map<std::string, std::optional<std::string>> hostWindows_;  // id -> where it was closed
};

// Screen geometry: [x, y] and [x, y, width, height], within kMaxCoordinate, sizes not negative.
Point readPoint(const Node& node);
Rect readFrame(const Node& node);

// Reads an application's common keys (pid, bundle_id, name, attributes, elements, focused)
// from fields whose known keys the caller has set. Element references found in attribute
// values are appended to references.
ApplicationDecl parseApplication(const Fields& fields, KnownDesktop& known,
                                 std::vector<ElementReference>& references);
inline const std::vector<std::string_view> kApplicationKeys = {"pid",
                                                               "bundle_id",
                                                               "name",
                                                               "attributes",
                                                               "elements",
                                                               "focused",
                                                               "activation_seconds",
                                                               "refuses_activation",
                                                               "announces_focus_on_activation"};

std::vector<Step> parseTimeline(const Node& node, KnownDesktop& known);

// Builds an application's elements, their attribute answers and its focus on the desktop (the
// application itself must exist). where is updated to the path being built, for messages.
void buildApplicationElements(Desktop& desktop, const ApplicationDecl& app, std::string& where);
void buildApplicationAnswers(Desktop& desktop, const ApplicationDecl& app, std::string& where);
void buildApplicationFocus(Desktop& desktop, const ApplicationDecl& app, std::string& where);

}  // namespace axb::sim::scenario
