#include "sim_host/scenario_json.h"

#include <cmath>
#include <limits>
#include <set>

namespace axb::sim::scenario {
namespace {

std::string located(const std::string& path, std::string_view message) {
  std::string text = path.empty() ? std::string("top level") : path;
  text += ": ";
  text += message;
  return text;
}

// Tracks where the parser is, so that duplicate keys and deep nesting can be reported with a path
// before the document is complete.
class PathTracker {
 public:
  bool onEvent(Json::parse_event_t event, const Json& parsed) {
    using Event = Json::parse_event_t;
    switch (event) {
      case Event::object_start:
      case Event::array_start:
        countArrayItem();
        frames_.push_back(Frame{event == Event::array_start, -1, {}, {}});
        if (frames_.size() > static_cast<std::size_t>(kMaxNestingDepth)) {
          throw ScenarioError(located(
              path(), "nesting deeper than " + std::to_string(kMaxNestingDepth) + " levels"));
        }
        break;
      case Event::key: {
        Frame& frame = frames_.back();
        frame.key = parsed.get<std::string>();
        if (!frame.keys.insert(frame.key).second) {
          throw ScenarioError(located(path(), "duplicate key \"" + frame.key + "\""));
        }
        break;
      }
      case Event::value:
        countArrayItem();
        break;
      case Event::object_end:
      case Event::array_end:
        if (!frames_.empty()) frames_.pop_back();
        break;
    }
    return true;
  }

 private:
  struct Frame {
    bool isArray = false;
    std::int64_t index = -1;
    std::string key;
    std::set<std::string> keys;
  };

  void countArrayItem() {
    if (!frames_.empty() && frames_.back().isArray) ++frames_.back().index;
  }

  // The path of the innermost container (the frames above the root name it).
  std::string path() const {
    std::string text;
    for (std::size_t i = 0; i + 1 < frames_.size(); ++i) {
      const Frame& frame = frames_[i];
      if (frame.isArray) {
        text += "[" + std::to_string(frame.index) + "]";
      } else {
        if (!text.empty()) text += ".";
        text += frame.key;
      }
    }
    return text;
  }

  std::vector<Frame> frames_;
};

}  // namespace

Json parseJson(std::string_view text) {
  if (text.size() > kMaxScenarioBytes) {
    throw ScenarioError("top level: the scenario is larger than " +
                        std::to_string(kMaxScenarioBytes >> 20) + " MiB");
  }
  PathTracker tracker;
  try {
    return Json::parse(
        text.begin(), text.end(),
        [&tracker](int, Json::parse_event_t event, Json& parsed) {
          return tracker.onEvent(event, parsed);
        },
        /*allow_exceptions=*/true, /*ignore_comments=*/false);
  } catch (const Json::exception& e) {
    std::string message = e.what();
    // Drop the library's "[json.exception.parse_error.101] " tag.
    if (const auto end = message.find("] "); message.starts_with("[json.") && end != message.npos) {
      message.erase(0, end + 2);
    }
    throw ScenarioError("not valid JSON: " + message);
  }
}

const char* describeType(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null:
      return "null";
    case Json::value_t::boolean:
      return "a boolean";
    case Json::value_t::string:
      return "a string";
    case Json::value_t::array:
      return "an array";
    case Json::value_t::object:
      return "an object";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return "a number";
    default:
      return "an unsupported value";
  }
}

void Node::fail(std::string_view message) const {
  throw ScenarioError(located(path_, message));
}

Node Node::child(std::string_view key, const Json& value) const {
  return Node(value, path_.empty() ? std::string(key) : path_ + "." + std::string(key));
}

Node Node::item(std::size_t index) const {
  return Node((*value_)[index], path_ + "[" + std::to_string(index) + "]");
}

std::string Node::string(std::size_t maxBytes) const {
  if (!value_->is_string()) fail(std::string("must be a string, not ") + describeType(*value_));
  const auto& text = value_->get_ref<const std::string&>();
  if (text.size() > maxBytes) {
    fail("is longer than " + std::to_string(maxBytes) + " bytes");
  }
  return text;
}

std::string Node::name() const {
  std::string text = string(kMaxNameBytes);
  if (text.empty()) fail("must not be empty");
  return text;
}

std::string Node::cString() const {
  std::string text = string();
  if (text.find('\0') != std::string::npos) {
    fail("contains a NUL character, which a C string cannot carry");
  }
  return text;
}

bool Node::boolean() const {
  if (!value_->is_boolean()) {
    fail(std::string("must be true or false, not ") + describeType(*value_));
  }
  return value_->get<bool>();
}

double Node::number(double min, double max) const {
  if (!value_->is_number()) fail(std::string("must be a number, not ") + describeType(*value_));
  const double value = value_->get<double>();
  if (!std::isfinite(value)) fail("must be a finite number");
  if (value < min || value > max) {
    fail("must be between " + Json(min).dump() + " and " + Json(max).dump() + ", not " +
         value_->dump());
  }
  return value;
}

std::int64_t Node::integer(std::int64_t min, std::int64_t max) const {
  std::int64_t value = 0;
  bool inRange = true;
  if (value_->is_number_unsigned()) {
    const auto raw = value_->get<std::uint64_t>();
    inRange = raw <= static_cast<std::uint64_t>(max);
    value = inRange ? static_cast<std::int64_t>(raw) : max;
  } else if (value_->is_number_integer()) {
    value = value_->get<std::int64_t>();
  } else if (value_->is_number_float()) {
    const double raw = value_->get<double>();
    if (!std::isfinite(raw)) fail("must be a finite whole number");
    if (raw != std::trunc(raw)) fail("must be a whole number, not " + value_->dump());
    inRange = std::fabs(raw) <= static_cast<double>(kMaxExactInteger);
    value = inRange ? static_cast<std::int64_t>(raw) : 0;
  } else {
    fail(std::string("must be a whole number, not ") + describeType(*value_));
  }
  if (!inRange || value < min || value > max) {
    fail("must be between " + std::to_string(min) + " and " + std::to_string(max) + ", not " +
         value_->dump());
  }
  return value;
}

std::int32_t Node::errorCode(bool allowSuccess) const {
  const auto code = static_cast<std::int32_t>(
      integer(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
  if (code == 0 && !allowSuccess) fail("0 means success, not an error code");
  return code;
}

std::vector<Node> Node::items(std::size_t maxLength) const {
  if (!value_->is_array()) fail(std::string("must be an array, not ") + describeType(*value_));
  if (value_->size() > maxLength) {
    fail("has more than " + std::to_string(maxLength) + " elements");
  }
  std::vector<Node> result;
  result.reserve(value_->size());
  for (std::size_t i = 0; i < value_->size(); ++i) result.push_back(item(i));
  return result;
}

std::vector<Node> Node::tuple(std::size_t count, std::string_view shape) const {
  if (!value_->is_array() || value_->size() != count) {
    fail("must be " + std::string(shape));
  }
  return items(count);
}

Fields::Fields(const Node& node, std::vector<std::string_view> known) : node_(node) {
  if (!node.json().is_object()) {
    node.fail(std::string("must be an object, not ") + describeType(node.json()));
  }
  for (const auto& [key, value] : node.json().items()) {
    if (key == "comment") {
      node.child(key, value).string();
      continue;
    }
    bool isKnown = false;
    for (const auto candidate : known) isKnown = isKnown || candidate == key;
    if (isKnown) continue;
    std::string expected;
    for (const auto candidate : known) {
      expected += expected.empty() ? "" : ", ";
      expected += candidate;
    }
    node.fail("unknown key \"" + key + "\"" +
              (expected.empty() ? std::string(" (no keys belong here)")
                                : " (expected " + expected + ")"));
  }
}

bool Fields::has(std::string_view key) const {
  return node_.json().contains(key);
}

std::optional<Node> Fields::optional(std::string_view key) const {
  const auto it = node_.json().find(key);
  if (it == node_.json().end()) return std::nullopt;
  return node_.child(key, *it);
}

std::optional<Node> Fields::optionalNonNull(std::string_view key) const {
  auto node = optional(key);
  if (node && node->json().is_null()) return std::nullopt;
  return node;
}

Node Fields::required(std::string_view key) const {
  auto node = optional(key);
  if (!node) node_.fail("missing key \"" + std::string(key) + "\"");
  return *node;
}

void Fields::atMostOneOf(std::initializer_list<std::string_view> keys) const {
  std::string present;
  int count = 0;
  for (const auto key : keys) {
    if (!has(key)) continue;
    present += count++ ? " and \"" : "\"";
    present += std::string(key) + "\"";
  }
  if (count > 1) node_.fail("takes only one of " + present);
}

}  // namespace axb::sim::scenario
