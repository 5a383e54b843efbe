// Reading a scenario's starting desktop: applications, their elements, the pasteboard.
#include "sim_host/scenario_parse.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <limits>
#include <new>
#include <set>
#include <utility>

#include "sim_desktop/desktop_text.h"

namespace axb::sim::scenario {
namespace {

constexpr std::int64_t kMaxPid = std::numeric_limits<ProcessId>::max();
constexpr std::int64_t kMaxTextOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kMaxPasteboardItems = 100;
// The desktop names each application element "app:<pid>".
constexpr std::string_view kApplicationElementPrefix = "app:";

std::string inQuotes(const std::string& text) {
  return "\"" + text + "\"";
}

TextKind readTextKind(const Node& node) {
  const std::string name = node.string(kMaxNameBytes);
  if (const std::optional<TextKind> kind = textKindNamed(name)) return *kind;
  node.fail("must be \"none\", \"native\", \"web\" or \"markers\", not " + inQuotes(name));
}

std::optional<std::string> optionalText(const Fields& fields, std::string_view key,
                                        std::size_t maxBytes) {
  if (auto node = fields.optionalNonNull(key)) return node->string(maxBytes);
  return std::nullopt;
}

ElementDecl parseElement(const Node& node, ProcessId pid, const std::set<std::string>& windows,
                         KnownDesktop& known, std::vector<ElementReference>& references) {
  const Fields fields(node, {"id", "role", "subrole", "title", "window", "frame", "text_kind",
                             "text", "selection", "editable", "selects_all_on_focus", "attributes",
                             "parameterized", "notification_errors"});
  ElementDecl decl;
  decl.path = node.path();
  ElementSpec& spec = decl.spec;
  const Node idNode = fields.required("id");
  spec.id = idNode.name();
  if (spec.id.starts_with(kApplicationElementPrefix)) {
    idNode.fail("ids starting with \"app:\" are reserved for application elements");
  }
  known.declareElement(idNode, spec.id, pid);

  spec.role = optionalText(fields, "role", kMaxNameBytes);
  spec.subrole = optionalText(fields, "subrole", kMaxNameBytes);
  spec.title = optionalText(fields, "title", kMaxTextBytes);
  if (auto window = fields.optionalNonNull("window")) {
    spec.window = window->name();
    if (!windows.contains(*spec.window)) {
      window->fail(inQuotes(*spec.window) +
                   " is not an element declared earlier in this application");
    }
  }
  if (auto frame = fields.optional("frame")) spec.frame = readFrame(*frame);
  if (auto kind = fields.optional("text_kind")) spec.text = readTextKind(*kind);
  if (auto text = fields.optional("text")) {
    if (spec.text == TextKind::None) text->fail("needs a text_kind other than \"none\"");
    spec.value = text->string();
  }
  if (auto selection = fields.optional("selection")) {
    if (spec.text == TextKind::None) selection->fail("needs a text_kind other than \"none\"");
    const auto parts = selection->tuple(2, "[location, length]");
    spec.selection =
        Range{parts[0].integer(0, kMaxTextOffset), parts[1].integer(0, kMaxTextOffset)};
    const std::int64_t length = textLength(spec.value);
    if (spec.selection.location + spec.selection.length > length) {
      selection->fail("runs past the end of the text (" + std::to_string(length) +
                      " UTF-16 units)");
    }
  }
  if (auto editable = fields.optional("editable")) spec.editable = editable->boolean();
  if (auto selectsAll = fields.optional("selects_all_on_focus")) {
    spec.selectsAllOnFocus = selectsAll->boolean();
  }
  if (auto attributes = fields.optional("attributes")) {
    decl.attributes = decodeAnswers(*attributes, /*allowSettable=*/true, references);
  }
  if (auto parameterized = fields.optional("parameterized")) {
    decl.parameterized = decodeAnswers(*parameterized, /*allowSettable=*/false, references);
  }
  if (auto errors = fields.optional("notification_errors")) {
    if (!errors->json().is_object()) {
      errors->fail(std::string("must be an object of notification names, not ") +
                   describeType(errors->json()));
    }
    for (const auto& [name, code] : errors->json().items()) {
      const Node child = errors->child(name, code);
      if (name.empty()) child.fail("a notification name must not be empty");
      decl.notificationErrors.emplace_back(name, child.errorCode(/*allowSuccess=*/false));
    }
  }
  return decl;
}

std::vector<HostWindowDecl> parseHostWindows(const Node& node, KnownDesktop& known) {
  std::vector<HostWindowDecl> windows;
  for (const Node& windowNode : node.items()) {
    const Fields fields(windowNode, {"id", "frame", "content_view", "host_delegate"});
    HostWindowDecl decl;
    decl.path = windowNode.path();
    const Node idNode = fields.required("id");
    decl.spec.id = idNode.name();
    known.declareHostWindow(idNode, decl.spec.id);
    decl.spec.frame = readFrame(fields.required("frame"));
    if (auto contentView = fields.optional("content_view")) {
      decl.spec.contentView = contentView->boolean();
    }
    if (auto delegate = fields.optional("host_delegate")) {
      decl.spec.hostDelegate = delegate->boolean();
    }
    windows.push_back(std::move(decl));
  }
  return windows;
}

std::string applicationElementId(Desktop& desktop, ProcessId pid) {
  std::string id = desktop.elementId(desktop.applicationElement(pid));
  if (id.empty()) throw ScenarioError("the application element has no id on the desktop");
  return id;
}

Scenario parseTopLevel(const Node& root) {
  const Fields fields(root, {"host_pid", "trusted", "applications", "pasteboard", "host_windows",
                             "pointer", "timeline"});
  Scenario scenario;
  if (auto comment = fields.optional("comment")) scenario.comment = comment->string();
  if (auto hostPid = fields.optional("host_pid")) {
    scenario.hostPid = static_cast<ProcessId>(hostPid->integer(1, kMaxPid));
  }
  if (auto trusted = fields.optional("trusted")) scenario.trusted = trusted->boolean();

  KnownDesktop known;
  std::vector<ElementReference> references;
  std::optional<std::string> frontmostAt;
  if (auto applications = fields.optional("applications")) {
    for (const Node& node : applications->items()) {
      std::vector<std::string_view> keys = kApplicationKeys;
      keys.insert(keys.end(), {"finished_launching", "frontmost"});
      const Fields appFields(node, keys);
      ApplicationDecl app = parseApplication(appFields, known, references);
      if (auto finished = appFields.optional("finished_launching")) {
        app.spec.finishedLaunching = finished->boolean();
      }
      if (auto frontmost = appFields.optional("frontmost")) {
        app.frontmost = frontmost->boolean();
        if (app.frontmost && frontmostAt) {
          frontmost->fail("only one application can be frontmost (" + *frontmostAt +
                          " already is)");
        }
        if (app.frontmost) frontmostAt = node.path();
      }
      scenario.applications.push_back(std::move(app));
    }
  }
  // Attribute values may name elements of any application, declared before or after them.
  known.requireDeclared(references);

  if (auto pasteboard = fields.optional("pasteboard")) {
    scenario.pasteboard = decodePasteboardItems(*pasteboard);
  }
  if (auto hostWindows = fields.optional("host_windows")) {
    scenario.hostWindows = parseHostWindows(*hostWindows, known);
  }
  if (auto pointer = fields.optional("pointer")) scenario.pointer = readPoint(*pointer);
  if (auto timeline = fields.optional("timeline")) {
    scenario.timeline = parseTimeline(*timeline, known);
  }
  return scenario;
}

}  // namespace

void KnownDesktop::declareApplication(const Node& pidNode, ProcessId pid) {
  if (applications_.contains(pid)) {
    pidNode.fail("pid " + std::to_string(pid) + " is already used by another application");
  }
  applications_[pid] = Application{};
}

void KnownDesktop::declareElement(const Node& idNode, const std::string& id, ProcessId pid) {
  if (const auto it = elements_.find(id); it != elements_.end()) {
    idNode.fail("element " + inQuotes(id) + " is already declared at " + it->second.declaredAt);
  }
  elements_[id] = Element{pid, idNode.path(), std::nullopt};
}

void KnownDesktop::terminate(ProcessId pid, const std::string& where) {
  applications_[pid].terminatedAt = where;
}

void KnownDesktop::destroy(const std::string& id, const std::string& where) {
  elements_[id].destroyedAt = where;
}

void KnownDesktop::declareHostWindow(const Node& idNode, const std::string& id) {
  if (hostWindows_.contains(id))
    idNode.fail("host window " + inQuotes(id) + " is already declared");
  hostWindows_[id] = std::nullopt;
}

void KnownDesktop::closeHostWindow(const std::string& id, const std::string& where) {
  hostWindows_[id] = where;
}

void KnownDesktop::requireOpenHostWindow(const Node& node, const std::string& id) const {
  const auto it = hostWindows_.find(id);
  if (it == hostWindows_.end()) node.fail("no host window " + inQuotes(id));
  if (it->second) node.fail("host window " + inQuotes(id) + " was closed at " + *it->second);
}

void KnownDesktop::requireDeclaredApplication(const Node& node, ProcessId pid) const {
  if (!applications_.contains(pid)) node.fail("no application with pid " + std::to_string(pid));
}

void KnownDesktop::requireLiveApplication(const Node& node, ProcessId pid) const {
  requireDeclaredApplication(node, pid);
  if (const auto& at = applications_.at(pid).terminatedAt) {
    node.fail("application " + std::to_string(pid) + " was terminated at " + *at);
  }
}

void KnownDesktop::requireDeclaredElement(const Node& node, const std::string& id) const {
  if (!elements_.contains(id)) node.fail("no element " + inQuotes(id));
}

void KnownDesktop::requireLiveElement(const Node& node, const std::string& id) const {
  requireDeclaredElement(node, id);
  const Element& element = elements_.at(id);
  if (element.destroyedAt)
    node.fail("element " + inQuotes(id) + " was destroyed at " + *element.destroyedAt);
  if (const auto& at = applications_.at(element.pid).terminatedAt) {
    node.fail("element " + inQuotes(id) + " belongs to application " + std::to_string(element.pid) +
              ", terminated at " + *at);
  }
}

void KnownDesktop::requireDeclared(const std::vector<ElementReference>& references) const {
  for (const ElementReference& reference : references) {
    if (!elements_.contains(reference.id)) {
      throw ScenarioError(reference.path + ": no element " + inQuotes(reference.id));
    }
  }
}

std::optional<ProcessId> KnownDesktop::ownerOf(const std::string& id) const {
  const auto it = elements_.find(id);
  if (it == elements_.end()) return std::nullopt;
  return it->second.pid;
}

Point readPoint(const Node& node) {
  const auto parts = node.tuple(2, "[x, y]");
  return Point{parts[0].number(-kMaxCoordinate, kMaxCoordinate),
               parts[1].number(-kMaxCoordinate, kMaxCoordinate)};
}

Rect readFrame(const Node& node) {
  const auto parts = node.tuple(4, "[x, y, width, height]");
  return Rect{parts[0].number(-kMaxCoordinate, kMaxCoordinate),
              parts[1].number(-kMaxCoordinate, kMaxCoordinate), parts[2].number(0, kMaxCoordinate),
              parts[3].number(0, kMaxCoordinate)};
}

ApplicationDecl parseApplication(const Fields& fields, KnownDesktop& known,
                                 std::vector<ElementReference>& references) {
  ApplicationDecl app;
  app.path = fields.node().path();
  const Node pidNode = fields.required("pid");
  app.spec.pid = static_cast<ProcessId>(pidNode.integer(1, kMaxPid));
  known.declareApplication(pidNode, app.spec.pid);
  app.spec.bundleId = optionalText(fields, "bundle_id", kMaxNameBytes);
  app.spec.name = optionalText(fields, "name", kMaxNameBytes);
  if (auto seconds = fields.optional("activation_seconds")) {
    app.spec.activationSeconds = seconds->duration();
  }
  if (auto refuses = fields.optional("refuses_activation")) {
    app.spec.refusesActivation = refuses->boolean();
  }
  if (auto announces = fields.optional("announces_focus_on_activation")) {
    app.spec.announcesFocusOnActivation = announces->boolean();
  }
  if (auto attributes = fields.optional("attributes")) {
    app.attributes = decodeAnswers(*attributes, /*allowSettable=*/true, references);
  }
  if (auto elements = fields.optional("elements")) {
    std::set<std::string> declared;
    for (const Node& node : elements->items()) {
      app.elements.push_back(parseElement(node, app.spec.pid, declared, known, references));
      declared.insert(app.elements.back().spec.id);
    }
  }
  if (auto focused = fields.optionalNonNull("focused")) {
    app.focused = focused->name();
    if (known.ownerOf(*app.focused) != app.spec.pid) {
      focused->fail(inQuotes(*app.focused) + " is not an element of this application");
    }
  }
  return app;
}

std::vector<platform::PasteboardItem> decodePasteboardItems(const Node& node) {
  std::vector<platform::PasteboardItem> items;
  for (const Node& itemNode : node.items(kMaxPasteboardItems)) {
    platform::PasteboardItem item;
    for (const Node& representation : itemNode.items(kMaxPasteboardItems)) {
      const Fields fields(representation, {"type", "data"});
      item.representations.emplace_back(fields.required("type").name(),
                                        fields.required("data").string());
    }
    items.push_back(std::move(item));
  }
  return items;
}

double Scenario::scriptEnd() const {
  double end = 0;
  for (const Step& step : timeline) {
    end = std::max(end, step.at + (step.kind == StepKind::RunLoop ? step.duration : 0));
  }
  return end;
}

ParseResult parseScenario(std::string_view json) {
  ParseResult result;
  try {
    const Json root = parseJson(json);
    result.scenario = parseTopLevel(Node(root, ""));
  } catch (const ScenarioError& e) {
    result.error = e.what();
  } catch (const std::bad_alloc&) {
    result.error = "top level: out of memory while reading the scenario";
  } catch (const std::exception& e) {
    result.error = std::string("top level: ") + e.what();
  } catch (...) {
    result.error = "top level: the scenario could not be read";
  }
  if (!result.error.empty()) result.scenario.reset();
  return result;
}

void buildApplicationElements(Desktop& desktop, const ApplicationDecl& app, std::string& where) {
  for (const ElementDecl& element : app.elements) {
    where = element.path;
    if (desktop.hasElement(element.spec.id)) {
      throw ScenarioError("the desktop already has an element " + inQuotes(element.spec.id));
    }
    desktop.addElement(app.spec.pid, element.spec);
  }
}

void buildApplicationAnswers(Desktop& desktop, const ApplicationDecl& app, std::string& where) {
  if (!app.attributes.empty()) {
    where = app.path + ".attributes";
    const std::string id = applicationElementId(desktop, app.spec.pid);
    for (const auto& [name, answer] : app.attributes) applyAnswer(desktop, id, name, answer);
  }
  for (const ElementDecl& element : app.elements) {
    where = element.path;
    for (const auto& [name, answer] : element.attributes) {
      applyAnswer(desktop, element.spec.id, name, answer);
    }
    for (const auto& [name, answer] : element.parameterized) {
      applyParameterizedAnswer(desktop, element.spec.id, name, answer);
    }
    for (const auto& [notification, code] : element.notificationErrors) {
      desktop.setNotificationError(element.spec.id, notification, code);
    }
  }
}

void buildApplicationFocus(Desktop& desktop, const ApplicationDecl& app, std::string& where) {
  if (!app.focused) return;
  where = app.path + ".focused";
  desktop.focus(*app.focused);
}

}  // namespace axb::sim::scenario
