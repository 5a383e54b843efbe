// Reading scenario JSON with a path for every message: each accessor checks the type and range
// of one value and throws ScenarioError naming where it sits ("timeline[3].pid: ...").
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace axb::sim::scenario {

using Json = nlohmann::ordered_json;

// A scenario that cannot be used. The message starts with the path of the offending value.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Limits that keep a hostile scenario from exhausting the stack, memory or virtual time.
inline constexpr std::size_t kMaxScenarioBytes = 16u << 20;
inline constexpr int kMaxNestingDepth = 64;
inline constexpr std::size_t kMaxListLength = 10000;
inline constexpr std::size_t kMaxTextBytes = 1u << 20;
inline constexpr std::size_t kMaxNameBytes = 256;
inline constexpr double kMaxScenarioSeconds = 86400;  // one virtual day
inline constexpr double kMaxDurationSeconds = 3600;
inline constexpr double kMaxCoordinate = 1e7;  // screen points
// Integers above this are not exact in a double and are refused where one is expected.
inline constexpr std::int64_t kMaxExactInteger = std::int64_t{1} << 53;

// Parses JSON text, refusing duplicate keys and nesting deeper than kMaxNestingDepth.
Json parseJson(std::string_view text);

// "a string", "a number", ... for messages.
const char* describeType(const Json& value);

// A JSON value and its path in the scenario.
class Node {
 public:
  Node(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {}

  const Json& json() const { return *value_; }
  const std::string& path() const { return path_; }
  [[noreturn]] void fail(std::string_view message) const;

  Node child(std::string_view key, const Json& value) const;
  Node item(std::size_t index) const;

  std::string string(std::size_t maxBytes = kMaxTextBytes) const;
  // A non-empty string that is used as a name or an identifier.
  std::string name() const;
  // Like string(), but refuses NUL, which a C string cannot carry.
  std::string cString() const;
  bool boolean() const;
  // A finite number within [min, max].
  double number(double min, double max) const;
  // An integer within [min, max]; a number with a fraction is refused.
  std::int64_t integer(std::int64_t min, std::int64_t max) const;
  std::int32_t errorCode(bool allowSuccess) const;
  double time() const { return number(0, kMaxScenarioSeconds); }
  double duration() const { return number(0, kMaxDurationSeconds); }
  // The array's elements; fails unless an array of at most maxLength elements.
  std::vector<Node> items(std::size_t maxLength = kMaxListLength) const;
  // An array of exactly count elements.
  std::vector<Node> tuple(std::size_t count, std::string_view shape) const;

 private:
  const Json* value_;
  std::string path_;
};

// An object whose keys must all be known ("comment" is always allowed).
class Fields {
 public:
  Fields(const Node& node, std::vector<std::string_view> known);

  const Node& node() const { return node_; }
  bool has(std::string_view key) const;
  std::optional<Node> optional(std::string_view key) const;
  // Treats JSON null like an absent key.
  std::optional<Node> optionalNonNull(std::string_view key) const;
  Node required(std::string_view key) const;
  // Fails when more than one of the keys is present.
  void atMostOneOf(std::initializer_list<std::string_view> keys) const;

 private:
  Node node_;
};

}  // namespace axb::sim::scenario
