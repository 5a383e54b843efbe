#include "bridge/blocked_list_parser.h"

#include <cstddef>
#include <string>
#include <utility>

namespace axb::bridge {
namespace {

// Counts how deep arrays and objects nest, without building anything, and stops at the first
// one past the limit.
class NestingProbe : public nlohmann::json_sax<nlohmann::json> {
 public:
  bool tooDeep = false;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return enter(); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return leave(); }
  bool start_array(std::size_t) override { return enter(); }
  bool end_array() override { return leave(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;  // the parse proper describes it
  }

 private:
  bool enter() {
    tooDeep = ++depth_ > kBlockedListMaxNesting;
    return !tooDeep;
  }
  bool leave() {
    --depth_;
    return true;
  }
  std::size_t depth_ = 0;
};

}  // namespace

BlockedListParse parseBlockedFieldList(std::string_view text) {
  if (text.size() > kBlockedListMaxBytes) {
    return BlockedListSyntaxError{"the list is larger than 16 MiB"};
  }
  NestingProbe probe;
  nlohmann::json::sax_parse(text, &probe);
  if (probe.tooDeep) {
    return BlockedListSyntaxError{"the list nests more than 64 arrays or objects"};
  }
  nlohmann::json parsed;
  try {
    parsed = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& error) {
    return BlockedListSyntaxError{error.what()};
  }
  // The list must be a container at the top level, as the platform's JSON reader demands; a
  // bare scalar is a syntax error there, not a wrong shape.
  if (!parsed.is_structured()) {
    return BlockedListSyntaxError{"the top level is a bare " + std::string(parsed.type_name()) +
                                  "; expected an object or an array"};
  }
  if (!parsed.is_object()) return BlockedListWrongShape{};
  BlockedFieldList list;
  for (auto& [bundleId, entry] : parsed.items()) {
    if (!entry.is_object()) return BlockedListWrongShape{};
    // Moved, not copied: copying host input costs as much again.
    list.emplace(bundleId, std::move(entry.get_ref<nlohmann::json::object_t&>()));
  }
  return list;
}

}  // namespace axb::bridge
