// The blocked field list the host hands to start: JSON text of an object mapping bundle
// identifiers to entries {"name": <attribute>, "value": <text>}.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <variant>

namespace axb {

// Bundle identifier -> its entry (a JSON object).
using BlockedFieldList = std::map<std::string, nlohmann::json::object_t>;

}  // namespace axb

namespace axb::bridge {

struct BlockedListSyntaxError {
  std::string description;  // the parser's own description
};
struct BlockedListWrongShape {};  // JSON, but not an object of objects

using BlockedListParse =
    std::variant<BlockedFieldList, BlockedListSyntaxError, BlockedListWrongShape>;

BlockedListParse parseBlockedFieldList(std::string_view text);

}  // namespace axb::bridge
