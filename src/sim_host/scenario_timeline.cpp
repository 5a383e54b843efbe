// Reading a scenario's script: each step becomes a closure that performs it on the desktop (a
// world action) or calls one of the library's entry points (a host call).
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "axbridge/axbridge.h"
#include "sim_host/scenario_parse.h"

namespace axb::sim::scenario {
namespace {

constexpr std::int64_t kMaxPid = std::numeric_limits<ProcessId>::max();
constexpr std::int64_t kMaxTextOffset = std::numeric_limits<std::int32_t>::max();
constexpr double kDefaultLaunchSeconds = 1.0;

using Perform = std::function<void(Session&)>;

Desktop& desktop() {
  return Desktop::current();
}

std::string inQuotes(const std::string& text) {
  return "\"" + text + "\"";
}

ProcessId readPid(const Node& node) {
  return static_cast<ProcessId>(node.integer(1, kMaxPid));
}

// The element a step acts on, given either as an element id or as the pid of an application
// (its application element).
struct Target {
  std::optional<std::string> element;
  ProcessId pid = 0;

  std::string resolve(Desktop& d) const {
    if (element) {
      if (!d.hasElement(*element))
        throw ScenarioError("element " + inQuotes(*element) + " does not exist");
      return *element;
    }
    const std::string id = d.elementId(d.applicationElement(pid));
    if (id.empty()) throw ScenarioError("application " + std::to_string(pid) + " has no element");
    return id;
  }
};

Target readTarget(const Fields& fields, const KnownDesktop& known) {
  fields.atMostOneOf({"element", "pid"});
  Target target;
  if (auto element = fields.optional("element")) {
    target.element = element->name();
    known.requireDeclaredElement(*element, *target.element);
  } else if (auto pid = fields.optional("pid")) {
    target.pid = readPid(*pid);
    known.requireLiveApplication(*pid, target.pid);
  } else {
    fields.node().fail("needs \"element\" (an element id) or \"pid\" (the application element)");
  }
  return target;
}

std::string readLiveElement(const Fields& fields, std::string_view key, const KnownDesktop& known) {
  const Node node = fields.required(key);
  std::string id = node.name();
  known.requireLiveElement(node, id);
  return id;
}

ProcessId readLiveApplication(const Fields& fields, const KnownDesktop& known) {
  const Node node = fields.required("pid");
  const ProcessId pid = readPid(node);
  known.requireLiveApplication(node, pid);
  return pid;
}

// ---- World actions

Perform parseActivate(const Fields& fields, KnownDesktop& known) {
  const ProcessId pid = readLiveApplication(fields, known);
  return [pid](Session&) { desktop().activate(pid); };
}

Perform parseLaunch(const Fields& fields, KnownDesktop& known) {
  std::vector<ElementReference> references;
  auto app = std::make_shared<ApplicationDecl>(parseApplication(fields, known, references));
  known.requireDeclared(references);
  double seconds = kDefaultLaunchSeconds;
  if (auto launch = fields.optional("launch_seconds")) seconds = launch->duration();
  bool inBackground = false;
  if (auto background = fields.optional("in_background")) inBackground = background->boolean();
  return [app, seconds, inBackground](Session&) {
    Desktop& d = desktop();
    std::string where;
    d.launchApplication(app->spec, seconds, inBackground);
    try {
      buildApplicationElements(d, *app, where);
      buildApplicationAnswers(d, *app, where);
      buildApplicationFocus(d, *app, where);
    } catch (const std::exception& e) {
      throw ScenarioError(where + ": " + e.what());
    }
  };
}

Perform parseTerminate(const Fields& fields, KnownDesktop& known) {
  const ProcessId pid = readLiveApplication(fields, known);
  known.terminate(pid, fields.node().path());
  return [pid](Session&) { desktop().terminate(pid); };
}

Perform parseFocus(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "element", known);
  return [id](Session&) { desktop().focus(id); };
}

Perform parseClearFocus(const Fields& fields, KnownDesktop& known) {
  const ProcessId pid = readLiveApplication(fields, known);
  return [pid](Session&) { desktop().clearFocus(pid); };
}

Perform parseSelect(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "element", known);
  const auto parts = fields.required("range").tuple(2, "[location, length]");
  const Range range{parts[0].integer(0, kMaxTextOffset), parts[1].integer(0, kMaxTextOffset)};
  return [id, range](Session&) { desktop().select(id, range); };
}

Perform parseType(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "element", known);
  const std::string text = fields.required("text").string();
  return [id, text](Session&) { desktop().type(id, text); };
}

Perform parseMoveWindow(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "window", known);
  const Point origin = readPoint(fields.required("to"));
  return [id, origin](Session&) { desktop().moveWindow(id, origin); };
}

Perform parseResizeWindow(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "window", known);
  const auto parts = fields.required("size").tuple(2, "[width, height]");
  const Size size{parts[0].number(0, kMaxCoordinate), parts[1].number(0, kMaxCoordinate)};
  return [id, size](Session&) { desktop().resizeWindow(id, size); };
}

Perform parsePostNotification(const Fields& fields, KnownDesktop& known) {
  // A destroyed element may still be the subject of a notification (it announces its end).
  const Target target = readTarget(fields, known);
  const std::string notification = fields.required("notification").name();
  return [target, notification](Session&) {
    Desktop& d = desktop();
    d.postNotification(target.resolve(d), notification);
  };
}

// A user-info entry: a running application ({"application": pid}) or any value.
struct UserInfoEntry {
  std::optional<ProcessId> application;
  ValueSpec value;
};

Perform parsePostWorkspaceNotification(const Fields& fields, KnownDesktop& known) {
  const std::string name = fields.required("name").name();
  std::optional<std::map<std::string, UserInfoEntry>> userInfo;
  if (auto info = fields.optionalNonNull("user_info")) {
    if (!info->json().is_object()) {
      info->fail(std::string("must be an object or null, not ") + describeType(info->json()));
    }
    userInfo.emplace();
    std::vector<ElementReference> references;
    for (const auto& [key, value] : info->json().items()) {
      const Node entry = info->child(key, value);
      UserInfoEntry decoded;
      if (value.is_object() && value.contains("application")) {
        const Fields application(entry, {"application"});
        const Node pidNode = application.required("application");
        decoded.application = readPid(pidNode);
        known.requireLiveApplication(pidNode, *decoded.application);
      } else {
        decoded.value = decodeValue(entry, references);
      }
      userInfo->emplace(key, std::move(decoded));
    }
    known.requireDeclared(references);
  }
  return [name, userInfo](Session&) {
    Desktop& d = desktop();
    WorkspaceNotification notification{name, std::nullopt};
    if (userInfo) {
      notification.userInfo.emplace();
      for (const auto& [key, entry] : *userInfo) {
        if (entry.application) {
          auto app = d.runningApplication(*entry.application);
          if (!app)
            throw ScenarioError("no running application " + std::to_string(*entry.application));
          notification.userInfo->emplace(key, *app);
        } else {
          notification.userInfo->emplace(key, buildValue(entry.value, d));
        }
      }
    }
    d.postWorkspaceNotification(notification);
  };
}

// The answer a step installs, from its own "value", "settable" and "error" keys.
AttributeAnswer readAnswer(const Fields& fields, bool allowSettable, const KnownDesktop& known) {
  fields.atMostOneOf({"error", "value"});
  fields.atMostOneOf({"error", "settable"});
  std::vector<ElementReference> references;
  AttributeAnswer answer;
  if (auto error = fields.optional("error")) answer.error = error->errorCode(false);
  if (auto value = fields.optional("value")) answer.value = decodeValue(*value, references);
  if (auto settable = fields.optional("settable")) answer.settable = settable->boolean();
  if (!answer.error && !answer.value && !answer.settable) {
    fields.node().fail(allowSettable ? "needs \"value\", \"settable\" or \"error\""
                                     : "needs \"value\" or \"error\"");
  }
  known.requireDeclared(references);
  return answer;
}

Perform parseSetAttribute(const Fields& fields, KnownDesktop& known) {
  const Target target = readTarget(fields, known);
  const std::string name = fields.required("name").name();
  const AttributeAnswer answer = readAnswer(fields, /*allowSettable=*/true, known);
  return [target, name, answer](Session&) {
    Desktop& d = desktop();
    applyAnswer(d, target.resolve(d), name, answer);
  };
}

Perform parseClearAttribute(const Fields& fields, KnownDesktop& known) {
  const Target target = readTarget(fields, known);
  const std::string name = fields.required("name").name();
  return [target, name](Session&) {
    Desktop& d = desktop();
    d.clearOverrides(target.resolve(d), name);
  };
}

Perform parseSetParameterized(const Fields& fields, KnownDesktop& known) {
  const Target target = readTarget(fields, known);
  const std::string name = fields.required("name").name();
  const AttributeAnswer answer = readAnswer(fields, /*allowSettable=*/false, known);
  return [target, name, answer](Session&) {
    Desktop& d = desktop();
    applyParameterizedAnswer(d, target.resolve(d), name, answer);
  };
}

Perform parseSetNotificationError(const Fields& fields, KnownDesktop& known) {
  const Target target = readTarget(fields, known);
  const std::string notification = fields.required("notification").name();
  const auto code = fields.required("error").errorCode(false);
  return [target, notification, code](Session&) {
    Desktop& d = desktop();
    d.setNotificationError(target.resolve(d), notification, code);
  };
}

Perform parseDestroy(const Fields& fields, KnownDesktop& known) {
  const std::string id = readLiveElement(fields, "element", known);
  known.destroy(id, fields.node().path());
  return [id](Session&) { desktop().destroyElement(id); };
}

Perform parseSetTrusted(const Fields& fields, KnownDesktop&) {
  const bool trusted = fields.required("value").boolean();
  return [trusted](Session&) { desktop().setTrusted(trusted); };
}

Perform parseSetResponsive(const Fields& fields, KnownDesktop& known) {
  const ProcessId pid = readLiveApplication(fields, known);
  const bool responsive = fields.required("value").boolean();
  double hangSeconds = 0;
  if (auto hang = fields.optional("hang_seconds")) {
    if (responsive) hang->fail("applies only when \"value\" is false");
    hangSeconds = hang->duration();
  }
  return [pid, responsive, hangSeconds](Session&) {
    desktop().setResponsive(pid, responsive, hangSeconds);
  };
}

Perform parseUserCopies(const Fields& fields, KnownDesktop&) {
  const std::string text = fields.required("text").string();
  return [text](Session&) { desktop().userCopies(text); };
}

Perform parseSetPasteboard(const Fields& fields, KnownDesktop&) {
  const auto items = decodePasteboardItems(fields.required("items"));
  return [items](Session&) { desktop().replacePasteboard(items); };
}

// ---- The host's windows and the user's mouse

std::string readOpenHostWindow(const Fields& fields, const KnownDesktop& known) {
  const Node node = fields.required("window");
  std::string id = node.name();
  known.requireOpenHostWindow(node, id);
  return id;
}

Perform parseMovePointer(const Fields& fields, KnownDesktop&) {
  const Point to = readPoint(fields.required("to"));
  return [to](Session&) { desktop().movePointer(to); };
}

Perform parseMouseDown(const Fields&, KnownDesktop&) {
  return [](Session&) { desktop().mouseDown(); };
}

Perform parseResizeHostWindow(const Fields& fields, KnownDesktop& known) {
  const std::string id = readOpenHostWindow(fields, known);
  const Rect frame = readFrame(fields.required("frame"));
  return [id, frame](Session&) { desktop().setHostWindowFrame(id, frame); };
}

Perform parseCloseHostWindow(const Fields& fields, KnownDesktop& known) {
  const std::string id = readOpenHostWindow(fields, known);
  known.closeHostWindow(id, fields.node().path());
  return [id](Session&) { desktop().closeHostWindow(id); };
}

// ---- Host calls: the library's own exported entry points

Perform parseInitMacAccessibility(const Fields&, KnownDesktop&) {
  return [](Session& session) { ::initMacAccessibility(session.hostCallback()); };
}

Perform parseIsAccessibilityEnabled(const Fields&, KnownDesktop&) {
  return [](Session& session) {
    session.recordHostResult("isAccessibiltyEnabled", ::isAccessibiltyEnabled());
  };
}

Perform parseShowPermissionPopup(const Fields&, KnownDesktop&) {
  return [](Session& session) {
    session.recordHostResult("showAccessibiltyPermisionPopup", ::showAccessibiltyPermisionPopup());
  };
}

Perform parseStart(const Fields& fields, KnownDesktop&) {
  fields.atMostOneOf({"blocked", "blocked_text"});
  std::string text = "{}";
  if (auto blocked = fields.optional("blocked")) text = blocked->json().dump();
  if (auto raw = fields.optional("blocked_text")) text = raw->cString();
  return [text](Session&) { ::start(text.c_str()); };
}

Perform parseSetText(const Fields& fields, KnownDesktop&) {
  const std::string text = fields.required("text").cString();
  return [text](Session&) { ::setText(text.c_str()); };
}

Perform parseGetDataForAssistant(const Fields&, KnownDesktop&) {
  return [](Session&) { ::getDataForVeskAssist(); };
}

Perform parseFocusPrevious(const Fields&, KnownDesktop&) {
  return [](Session&) { ::focusPreiov(); };
}

// Something the host may pass to addMouseTracker that is not one of its windows.
char notAWindow[] = "not a window";

Perform parseAddMouseTracker(const Fields& fields, KnownDesktop& known) {
  fields.atMostOneOf({"window", "handle"});
  if (fields.has("window")) {
    const std::string id = readOpenHostWindow(fields, known);
    return [id](Session&) { ::addMouseTracker(desktop().hostWindowHandle(id)); };
  }
  const auto handle = fields.optional("handle");
  if (!handle) {
    fields.node().fail("needs \"window\" (a host window id) or \"handle\"");
  }
  const std::string kind = handle->string(kMaxNameBytes);
  if (kind == "null") return [](Session&) { ::addMouseTracker(nullptr); };
  if (kind == "not_a_window") return [](Session&) { ::addMouseTracker(notAWindow); };
  handle->fail("must be \"null\" or \"not_a_window\", not " + inQuotes(kind));
}

struct Action {
  std::string_view name;
  StepKind kind;
  std::vector<std::string_view> keys;
  Perform (*parse)(const Fields&, KnownDesktop&);
};

const std::vector<Action>& actions() {
  using K = StepKind;
  static const std::vector<Action> table = [] {
    std::vector<std::string_view> launchKeys = kApplicationKeys;
    launchKeys.push_back("launch_seconds");
    launchKeys.push_back("in_background");
    return std::vector<Action>{
        {"activate", K::World, {"pid"}, parseActivate},
        {"launch", K::World, launchKeys, parseLaunch},
        {"terminate", K::World, {"pid"}, parseTerminate},
        {"focus", K::World, {"element"}, parseFocus},
        {"clear_focus", K::World, {"pid"}, parseClearFocus},
        {"select", K::World, {"element", "range"}, parseSelect},
        {"type", K::World, {"element", "text"}, parseType},
        {"move_window", K::World, {"window", "to"}, parseMoveWindow},
        {"resize_window", K::World, {"window", "size"}, parseResizeWindow},
        {"post_notification", K::World, {"element", "pid", "notification"}, parsePostNotification},
        {"post_workspace_notification",
         K::World,
         {"name", "user_info"},
         parsePostWorkspaceNotification},
        {"set_attribute",
         K::World,
         {"element", "pid", "name", "value", "settable", "error"},
         parseSetAttribute},
        {"clear_attribute", K::World, {"element", "pid", "name"}, parseClearAttribute},
        {"set_parameterized",
         K::World,
         {"element", "pid", "name", "value", "error"},
         parseSetParameterized},
        {"set_notification_error",
         K::World,
         {"element", "pid", "notification", "error"},
         parseSetNotificationError},
        {"destroy", K::World, {"element"}, parseDestroy},
        {"set_trusted", K::World, {"value"}, parseSetTrusted},
        {"set_responsive", K::World, {"pid", "value", "hang_seconds"}, parseSetResponsive},
        {"user_copies", K::World, {"text"}, parseUserCopies},
        {"set_pasteboard", K::World, {"items"}, parseSetPasteboard},
        {"move_pointer", K::World, {"to"}, parseMovePointer},
        {"mouse_down", K::World, {}, parseMouseDown},
        {"resize_host_window", K::World, {"window", "frame"}, parseResizeHostWindow},
        {"close_host_window", K::World, {"window"}, parseCloseHostWindow},
        {"initMacAccessibility", K::HostCall, {}, parseInitMacAccessibility},
        {"isAccessibiltyEnabled", K::HostCall, {}, parseIsAccessibilityEnabled},
        {"showAccessibiltyPermisionPopup", K::HostCall, {}, parseShowPermissionPopup},
        {"start", K::HostCall, {"blocked", "blocked_text"}, parseStart},
        {"setText", K::HostCall, {"text"}, parseSetText},
        {"getDataForVeskAssist", K::HostCall, {}, parseGetDataForAssistant},
        {"focusPreiov", K::HostCall, {}, parseFocusPrevious},
        {"addMouseTracker", K::HostCall, {"window", "handle"}, parseAddMouseTracker},
    };
  }();
  return table;
}

const Action& actionNamed(const Node& node) {
  const std::string name = node.string(kMaxNameBytes);
  for (const Action& action : actions()) {
    if (action.name == name) return action;
  }
  std::string known;
  for (const Action& action : actions()) {
    known += known.empty() ? "" : ", ";
    known += action.name;
  }
  node.fail("unknown action " + inQuotes(name) + " (known: " + known + ")");
}

RunLoopMode modeNamed(const Node& node) {
  const std::string name = node.string(kMaxNameBytes);
  if (name == "default") return RunLoopMode::Default;
  if (name == "tracking") return RunLoopMode::EventTracking;
  if (name == "modal") return RunLoopMode::ModalPanel;
  node.fail("must be \"default\", \"tracking\" or \"modal\", not " + inQuotes(name));
}

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g s", value);
  return text;
}

}  // namespace

std::vector<Step> parseTimeline(const Node& node, KnownDesktop& known) {
  std::vector<Step> steps;
  double previousAt = 0;
  double runLoopEnd = 0;
  std::string runLoopPath;
  for (const Node& stepNode : node.items()) {
    if (!stepNode.json().is_object()) {
      stepNode.fail(std::string("must be an object, not ") + describeType(stepNode.json()));
    }
    Step step;
    step.path = stepNode.path();
    const auto at = stepNode.json().find("at");
    if (at == stepNode.json().end()) stepNode.fail("missing key \"at\"");
    const Node atNode = stepNode.child("at", *at);
    step.at = atNode.time();
    if (step.at < previousAt) {
      atNode.fail(seconds(step.at) + " comes before the previous step's " + seconds(previousAt) +
                  "; steps must be in time order");
    }
    previousAt = step.at;
    const bool isAction = stepNode.json().contains("do");
    const bool isRunLoop = stepNode.json().contains("run_loop_mode");
    if (isAction == isRunLoop) {
      stepNode.fail("needs either \"do\" (an action) or \"run_loop_mode\"");
    }
    if (isRunLoop) {
      const Fields fields(stepNode, {"at", "run_loop_mode", "for"});
      step.action = "run_loop_mode";
      step.kind = StepKind::RunLoop;
      step.mode = modeNamed(fields.required("run_loop_mode"));
      const Node duration = fields.required("for");
      step.duration = duration.duration();
      if (step.duration <= 0) duration.fail("must be more than 0 seconds");
    } else {
      const Action& action = actionNamed(stepNode.child("do", stepNode.json().at("do")));
      std::vector<std::string_view> keys = {"at", "do"};
      keys.insert(keys.end(), action.keys.begin(), action.keys.end());
      const Fields fields(stepNode, keys);
      step.action = std::string(action.name);
      step.kind = action.kind;
      step.perform = action.parse(fields, known);
    }
    if (step.kind == StepKind::RunLoop) {
      // The main thread runs one run loop at a time; other steps may fall inside one.
      if (step.at < runLoopEnd) {
        atNode.fail(seconds(step.at) + " falls inside the run loop step at " + runLoopPath +
                    ", which lasts until " + seconds(runLoopEnd));
      }
      runLoopEnd = step.at + step.duration;
      runLoopPath = step.path;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace axb::sim::scenario
