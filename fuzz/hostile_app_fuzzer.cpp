// A hostile application: every answer the library gets from another application (attribute and
// parameterised-attribute values, settable queries, writes, notification registrations) is
// chosen by the input, while the user and the host do everything they can.
//
// Input (read with FuzzedDataProvider): a count and that many two-byte steps (what, argument)
// from the end; the rest answers the requests in the order they are made. Once it is used up, the
// elements answer for themselves again. Checks: no crash or sanitizer report, every event the
// host receives is well-formed, and no diagnostic line repeats text the application supplied.
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

template <typename Values>
const auto& pick(FuzzedDataProvider& input, const Values& values) {
  return values[input.ConsumeIntegralInRange<std::size_t>(0, std::size(values) - 1)];
}

// Numbers at the places where conversions and arithmetic go wrong: the 32-bit and 64-bit limits
// and the doubles beside them (2^63 - 1024 is the largest below 2^63), the extremes, NaN and the
// infinities.
double hostileDouble(FuzzedDataProvider& input) {
  using limits = std::numeric_limits<double>;
  constexpr double kMax = limits::max(), kTiny = limits::denorm_min(), kInf = limits::infinity();
  const double kNaN = limits::quiet_NaN();
  const double special[] = {
      0.0,    -0.0,    1.0,           -1.0,           0.5,  2147483648.0, -2147483649.0,
      0x1p63, -0x1p63, 0x1p63 - 1024, -0x1p63 - 2048, kMax, -kMax,        kTiny,
      kNaN,   -kNaN,   kInf,          -kInf};
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return pick(input, special);
    case 1:
      return input.ConsumeIntegralInRange<int>(-3, 40);
    case 2:
      return static_cast<double>(input.ConsumeIntegral<std::int64_t>());
    default:
      return input.ConsumeFloatingPoint<double>();
  }
}

std::int64_t hostileInt64(FuzzedDataProvider& input) {
  using limits = std::numeric_limits<std::int64_t>;
  const std::int64_t special[] = {
      limits::min(),        limits::min() + 1, limits::max(), limits::max() - 1, -1, 0, 1,
      std::int64_t{1} << 31};
  switch (input.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      return pick(input, special);
    case 1:
      return input.ConsumeIntegralInRange<std::int64_t>(-3, 40);
    default:
      return input.ConsumeIntegral<std::int64_t>();
  }
}

std::string hostileText(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return pick(input, kKnownTexts);
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
    const std::string& operation = request.operation;
    // 0: the element's own answer, 1: an error, 2: a value of any kind, 3: a value of the kind
    // the attribute has, with hostile fields (which reaches far deeper than any kind).
    const int choice = input_.ConsumeIntegralInRange<int>(0, 3);
    if (choice == 0) {
      if (!name.empty()) desk_.clearOverrides(id, name);
      return;
    }
    if (operation == "copyAttributeValue") {
      if (choice == 1) return desk_.setAttributeError(id, name, hostileError(input_));
      return desk_.setAttribute(id, name, choice == 3 ? typedValue(name) : value(0));
    }
    if (operation == "copyParameterizedAttributeValue") {
      if (choice == 1) return desk_.setParameterizedAttributeError(id, name, hostileError(input_));
      return desk_.setParameterizedAttribute(id, name, choice == 3 ? typedValue(name) : value(0));
    }
    if (operation == "isAttributeSettable" || operation == "setAttributeValue") {
      if (choice == 1) return desk_.setAttributeError(id, name, hostileError(input_));
      return desk_.setSettable(id, name, input_.ConsumeBool());
    }
    if (operation == "addNotification" || operation == "removeNotification") {
      desk_.setNotificationError(id, name, choice == 1 ? hostileError(input_) : 0);
    }
  }

 private:
  Object element() { return pick(input_, elements_); }

  Object marker() {
    const auto node = input_.ConsumeBool() ? axb::sim::nodeOf(element()) : nullptr;
    return axb::sim::makeTextMarker(node, hostileInt64(input_));
  }

  // A value of the kind the attribute normally has; any kind for the others.
  Object typedValue(std::string_view name) {
    if (name == "AXNumberOfCharacters") return Object::makeNumber(hostileDouble(input_));
    if (name == "AXSelectedTextRange" || name == "AXVisibleCharacterRange") return value(0, 9);
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

  // Braced lists read the input left to right.
  Object value(int depth, int kind) {
    namespace sim = axb::sim;
    if (kind == 0) return Object();
    if (kind == 1) return Object::makeString(hostileText(input_));
    if (kind == 2) return sim::makeAttributedString(hostileText(input_));
    if (kind <= 4) return Object::makeNumber(hostileDouble(input_));
    if (kind == 5) return Object::makeBoolean(input_.ConsumeBool());
    if (kind == 6) return sim::makePointValue({hostileDouble(input_), hostileDouble(input_)});
    if (kind == 7) return sim::makeSizeValue({hostileDouble(input_), hostileDouble(input_)});
    if (kind == 8) {
      return sim::makeRectValue({hostileDouble(input_), hostileDouble(input_),
                                 hostileDouble(input_), hostileDouble(input_)});
    }
    if (kind == 9) return sim::makeRangeValue({hostileInt64(input_), hostileInt64(input_)});
    if (kind == 10 && input_.ConsumeBool()) return sim::makeErrorValue(hostileError(input_));
    if (kind == 10) {
      using Type = axb::platform::AXValueType;
      return sim::makeUnextractableValue(static_cast<Type>(input_.ConsumeIntegralInRange(0, 5)));
    }
    if (kind == 11) return element();
    if (kind == 12) return marker();
    if (kind == 13) {
      // Usually two markers; sometimes ends that are not markers at all.
      const bool markers = depth > 0 || input_.ConsumeBool();
      Object start = markers ? marker() : value(depth + 1);
      return sim::makeTextMarkerRange(start, markers ? marker() : value(depth + 1));
    }
    if (kind == 14) {
      std::vector<Object> items(depth > 1 ? 0 : input_.ConsumeIntegralInRange(0, 4));
      for (Object& item : items) item = value(depth + 1);
      return sim::makeArray(std::move(items));
    }
    return sim::makeOther("hostile");
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
      [&](int arg, auto) { desk.activate(pids[arg % 3]); },
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
      [](int arg, auto) { setText(kPastedTexts[arg % std::size(kPastedTexts)]); },
      [&](int arg, const char* id) { desk.postNotification(id, kNotifications[arg % 7]); },
      [&](int arg, auto) {
        desk.movePointer(arg % 2 == 0 ? Point{1100, 150} : Point{10, 10});
      },
      [&](int, auto) { desk.mouseDown(); },
      [&](int arg, const char* id) { desk.type(id, arg % 2 == 0 ? "x" : ""); },
      [](int, auto) { focusPreiov(); },
      [&](int arg, auto) { desk.setResponsive(arg % 2 ? kMail : kNotes, false, 1.0 + arg % 4); },
  };
  for (std::size_t i = 0; i + 1 < steps.size(); i += 2) {
    const std::uint8_t arg = steps[i + 1];
    kinds[steps[i] % std::size(kinds)](arg, kElementIds[arg % std::size(kElementIds)]);
    desk.runFor(0.3);
  }
  desk.runFor(3.0);
  for (const std::string& line : desk.diagnosticLines()) {
    check(line.find(kAppTextMark) == std::string::npos, "a diagnostic line holds application text");
  }
  desk.setRequestHook(nullptr);
}
