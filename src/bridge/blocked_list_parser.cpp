#include "bridge/blocked_list_parser.h"

#include <utility>

namespace axb::bridge {

BlockedListParse parseBlockedFieldList(std::string_view text) {
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
    // Moved, not copied: a copy of deeply nested host input would recurse as deep as it nests.
    list.emplace(bundleId, std::move(entry.get_ref<nlohmann::json::object_t&>()));
  }
  return list;
}

}  // namespace axb::bridge
