// A hostile application: every answer the library gets from another application is chosen by the
// input. Each attribute and parameterised-attribute request, each settable query, write and
// notification registration answers with an arbitrary value (ill-formed text, numbers at and
// beyond the 64-bit limits, NaN and infinities, wrapped geometry and ranges with any fields,
// elements, text markers, arrays, unknown objects) or an arbitrary error code, while the user
// switches applications, moves focus, the caret and windows, the pointer clicks, and the host asks
// for assistant context and pastes text.
//
// Input (read with FuzzedDataProvider): a count and that many two-byte steps (what, argument)
// from the end; the rest answers the requests in the order they are made. Once it is used up, the
// elements answer for themselves again. Checks: no crash or sanitizer report, every event the
// host receives is well-formed, and no diagnostic line repeats text the application supplied.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "axbridge/axbridge.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/values.h"
#include "support/sample_apps.h"

namespace {

using axb::fuzz::check;
using axb::platform::Object;
using axb::testing::kMail;
using axb::testing::kNotes;

constexpr axb::ProcessId kHost = 99;

// Every text the application hands out that is not a well-known name starts with this, so that
// a diagnostic line repeating it can be recognised.
constexpr std::string_view kAppTextMark = "\x7Fu:";

const char* const kElementIds[] = {"notes.window", "notes.body",  "notes.label",
                                   "notes.web",    "mail.window", "mail.subject"};
const char* const kWindowIds[] = {"notes.window", "mail.window"};

// Names the library compares against; arbitrary text would almost never reach the paths behind
// them.
const char* const kKnownTexts[] = {
    "AXTextArea",    "AXTextField",   "AXStaticText",      "AXWebArea", "AXWindow", "AXComboBox",
    "AXSearchField", "AXApplication", "AXSecureTextField", "",          "x"};

const char* const kNotifications[] = {
    "AXFocusedUIElementChanged", "AXSelectedTextChanged",  "AXValueChanged",      "AXWindowMoved",
    "AXWindowResized",           "AXFocusedWindowChanged", "AXUIElementDestroyed"};

const char* const kPastedTexts[] = {"", "pasted", "caf\xC3\xA9\nline two", "bad \xC3 \xED\xA0\x80"};

// Numbers at the places where conversions and arithmetic go wrong.
double hostileDouble(FuzzedDataProvider& input) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double special[] = {
      0.0,
      -0.0,
      1.0,
      -1.0,
      0.5,
      -9.223372036854775808e18,  // INT64_MIN
      9.223372036854775808e18,   // one past INT64_MAX
      9.223372036854774784e18,   // the largest double below 2^63
      -9.223372036854777856e18,  // the next double below INT64_MIN
      2147483648.0,
      -2147483649.0,
      std::numeric_limits<double>::max(),
      std::numeric_limits<double>::lowest(),
      std::numeric_limits<double>::denorm_min(),
      std::numeric_limits<double>::quiet_NaN(),
      -std::numeric_limits<double>::quiet_NaN(),
      kInf,
      -kInf,
  };
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return special[input.ConsumeIntegralInRange<std::size_t>(0, std::size(special) - 1)];
    case 1:
      return input.ConsumeIntegralInRange<int>(-3, 40);
    case 2:
      return static_cast<double>(input.ConsumeIntegral<std::int64_t>());
    default:
      return input.ConsumeFloatingPoint<double>();
  }
}

std::int64_t hostileInt64(FuzzedDataProvider& input) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  const std::int64_t special[] = {
      kMin, kMin + 1, kMax, kMax - 1,
      -1,   0,        1,    std::numeric_limits<std::int32_t>::max() + std::int64_t{1}};
  switch (input.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      return special[input.ConsumeIntegralInRange<std::size_t>(0, std::size(special) - 1)];
    case 1:
      return input.ConsumeIntegralInRange<std::int64_t>(-3, 40);
    default:
      return input.ConsumeIntegral<std::int64_t>();
  }
}

std::string hostileText(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) {
    return kKnownTexts[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKnownTexts) - 1)];
  }
  return std::string(kAppTextMark) + input.ConsumeRandomLengthString(48);
}

axb::platform::AXErrorCode hostileError(FuzzedDataProvider& input) {
  return input.ConsumeIntegralInRange<axb::platform::AXErrorCode>(-25214, -25200);
}

class HostileApplication {
 public:
  HostileApplication(axb::sim::Desktop& desk, FuzzedDataProvider& input)
      : desk_(desk), input_(input) {
    for (const char* id : kElementIds) elements_.push_back(desk.element(id).object());
    elements_.push_back(desk.applicationElement(kNotes).object());
    elements_.push_back(desk.applicationElement(kMail).object());
    elements_.push_back(desk.element("notes.gone").object());
  }

  // Decides the answer to the request about to be made.
  void answer(const axb::sim::RequestInfo& request) {
    if (input_.remaining_bytes() == 0 || !desk_.hasElement(request.elementId)) return;
    const std::string& id = request.elementId;
    const std::string& name = request.attribute;
    // 0: the element's own answer, 1: an error, 2: a value of any kind, 3: a value of the kind
    // the attribute has, with hostile fields (which reaches far deeper than any kind).
    const int choice = input_.ConsumeIntegralInRange<int>(0, 3);
    if (choice == 0) {  // the element answers for itself
      if (!name.empty()) desk_.clearOverrides(id, name);
      return;
    }
    if (request.operation == "copyAttributeValue") {
      if (choice == 1) return desk_.setAttributeError(id, name, hostileError(input_));
      return desk_.setAttribute(id, name, choice == 3 ? typedValue(name) : value(0));
    }
    if (request.operation == "copyParameterizedAttributeValue") {
      if (choice == 1) return desk_.setParameterizedAttributeError(id, name, hostileError(input_));
      return desk_.setParameterizedAttribute(id, name, choice == 3 ? typedValue(name) : value(0));
    }
    if (request.operation == "isAttributeSettable" || request.operation == "setAttributeValue") {
      if (choice == 1) return desk_.setAttributeError(id, name, hostileError(input_));
      return desk_.setSettable(id, name, input_.ConsumeBool());
    }
    if (request.operation == "addNotification" || request.operation == "removeNotification") {
      desk_.setNotificationError(id, name, choice == 1 ? hostileError(input_) : 0);
    }
  }

 private:
  Object element() {
    return elements_[input_.ConsumeIntegralInRange<std::size_t>(0, elements_.size() - 1)];
  }

  Object marker() {
    const auto node = input_.ConsumeBool() ? axb::sim::nodeOf(element()) : nullptr;
    return axb::sim::makeTextMarker(node, hostileInt64(input_));
  }

  // A value of the kind the attribute normally has; any kind for the others.
  Object typedValue(std::string_view name) {
    if (name == "AXNumberOfCharacters") return Object::makeNumber(hostileDouble(input_));
    if (name == "AXSelectedTextRange" || name == "AXVisibleCharacterRange") {
      const std::int64_t location = hostileInt64(input_);
      return axb::sim::makeRangeValue({location, hostileInt64(input_)});
    }
    if (name == "AXBoundsForRange" || name == "AXBoundsForTextMarkerRange" || name == "AXFrame") {
      return value(0, 8);
    }
    if (name == "AXPosition") return value(0, 6);
    if (name == "AXSize") return value(0, 7);
    if (name == "AXFocusedUIElement" || name == "AXFocusedWindow" || name == "AXWindow") {
      return element();
    }
    if (name == "AXSelectedTextMarkerRange") return value(1, 13);
    if (name.find("Marker") != std::string_view::npos) return marker();
    return Object::makeString(hostileText(input_));
  }

  Object value(int depth) { return value(depth, input_.ConsumeIntegralInRange<int>(0, 15)); }

  Object value(int depth, int kind) {
    using axb::platform::AXValueType;
    switch (kind) {
      case 0:
        return Object();
      case 1:
        return Object::makeString(hostileText(input_));
      case 2:
        return axb::sim::makeAttributedString(hostileText(input_));
      case 3:
      case 4:
        return Object::makeNumber(hostileDouble(input_));
      case 5:
        return Object::makeBoolean(input_.ConsumeBool());
      case 6: {
        const double x = hostileDouble(input_);
        return axb::sim::makePointValue({x, hostileDouble(input_)});
      }
      case 7: {
        const double width = hostileDouble(input_);
        return axb::sim::makeSizeValue({width, hostileDouble(input_)});
      }
      case 8: {
        const double x = hostileDouble(input_);
        const double y = hostileDouble(input_);
        const double width = hostileDouble(input_);
        return axb::sim::makeRectValue({x, y, width, hostileDouble(input_)});
      }
      case 9: {
        const std::int64_t location = hostileInt64(input_);
        return axb::sim::makeRangeValue({location, hostileInt64(input_)});
      }
      case 10:
        return input_.ConsumeBool() ? axb::sim::makeErrorValue(hostileError(input_))
                                    : axb::sim::makeUnextractableValue(static_cast<AXValueType>(
                                          input_.ConsumeIntegralInRange<int>(0, 5)));
      case 11:
        return element();
      case 12:
        return marker();
      case 13: {
        // Usually two markers; sometimes ends that are not markers at all.
        if (depth > 0 || input_.ConsumeBool()) {
          Object start = marker();
          return axb::sim::makeTextMarkerRange(start, marker());
        }
        Object start = value(depth + 1);
        return axb::sim::makeTextMarkerRange(start, value(depth + 1));
      }
      case 14: {
        std::vector<Object> items;
        const int count = depth > 1 ? 0 : input_.ConsumeIntegralInRange<int>(0, 4);
        for (int i = 0; i < count; ++i) items.push_back(value(depth + 1));
        return axb::sim::makeArray(std::move(items));
      }
      default:
        return axb::sim::makeOther("hostile");
    }
  }

  axb::sim::Desktop& desk_;
  FuzzedDataProvider& input_;
  std::vector<Object> elements_;
};

void buildDesktop(axb::sim::Desktop& desk) {
  axb::testing::addNotesApp("first line\nsecond", {3, 0});
  desk.addElement(kNotes, {.id = "notes.web",
                           .role = "AXTextArea",
                           .subrole = "AXWebArea",
                           .window = "notes.window",
                           .frame = {110, 500, 580, 100},
                           .text = axb::sim::TextKind::Web,
                           .value = "web text with markers",
                           .selection = {2, 3}});
  desk.addElement(kNotes, {.id = "notes.gone", .role = "AXTextArea"});
  desk.destroyElement("notes.gone");
  axb::testing::addMailApp();
  desk.addApplication({.pid = kHost, .bundleId = "com.example.host", .name = "Host"});
  desk.setHostProcess(kHost);
  desk.focus("notes.body");
}

void checkDiagnostics(const axb::sim::Desktop& desk) {
  for (const std::string& line : desk.diagnosticLines()) {
    check(line.find(kAppTextMark) == std::string::npos, "a diagnostic line holds application text");
  }
}

}  // namespace

void axb::fuzz::fuzzOne(std::string_view bytes, sim::Desktop& desk) {
  auto input = provider(bytes);
  std::vector<std::uint8_t> steps(input.ConsumeIntegralInRange<std::size_t>(0, 24) * 2);
  for (auto& byte : steps) byte = input.ConsumeIntegral<std::uint8_t>();

  buildDesktop(desk);
  void* hostWindow = desk.addHostWindow({.id = "panel", .frame = {1000, 100, 300, 200}});
  desk.movePointer({10, 10});
  initMacAccessibility(&recordHostEvent);
  start("{}");
  addMouseTracker(hostWindow);

  HostileApplication application(desk, input);
  desk.setRequestHook(
      [&application](const axb::sim::RequestInfo& request) { application.answer(request); });
  desk.activate(kNotes);
  desk.runFor(0.3);

  const axb::ProcessId pids[] = {kNotes, kMail, kHost};
  using Step = std::function<void(int arg, const char* id)>;
  const Step kinds[] = {
      [&](int arg, auto) { desk.activate(pids[arg % std::size(pids)]); },
      [&](int, const char* id) { desk.focus(id); },
      [&](int arg, const char* id) {
        desk.select(id, {arg % 24, (arg / 24) % 6});
      },
      [&](int arg, auto) {
        desk.moveWindow(kWindowIds[arg % 2], {arg * 3.0, arg * 2.0});
      },
      [&](int arg, auto) {
        desk.resizeWindow(kWindowIds[arg % 2], {100.0 + arg, 50.0 + arg});
      },
      [](int, auto) { getDataForVeskAssist(); },
      [](int, auto) { getDataForVeskAssist(); },
      [](int arg, auto) { setText(kPastedTexts[arg % std::size(kPastedTexts)]); },
      [&](int arg, const char* id) {
        desk.postNotification(id, kNotifications[arg % std::size(kNotifications)]);
      },
      [&](int arg, auto) {
        desk.movePointer(arg % 2 == 0 ? axb::Point{1100, 150} : axb::Point{10, 10});
      },
      [&](int, auto) { desk.mouseDown(); },
      [&](int arg, const char* id) { desk.type(id, arg % 2 == 0 ? "x" : ""); },
      [](int, auto) { focusPreiov(); },
      [&](int arg, auto) {
        desk.setResponsive(arg % 2 == 0 ? kNotes : kMail, false, 1.0 + arg % 4);
      },
  };
  for (std::size_t i = 0; i + 1 < steps.size(); i += 2) {
    const std::uint8_t arg = steps[i + 1];
    kinds[steps[i] % std::size(kinds)](arg, kElementIds[arg % std::size(kElementIds)]);
    desk.runFor(0.3);
  }
  desk.runFor(3.0);
  checkDiagnostics(desk);
  desk.setRequestHook(nullptr);
}
