// The blocked field list the host hands to start: JSON text of an object mapping bundle
// identifiers to entries {"name": <attribute>, "value": <text>}.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "tracker/blocked_field_list.h"

namespace axb::bridge {

struct BlockedListSyntaxError {
  std::string description;  // the parser's own description
};
struct BlockedListWrongShape {};  // JSON, but not an object of objects

using BlockedListParse =
    std::variant<BlockedFieldList, BlockedListSyntaxError, BlockedListWrongShape>;

BlockedListParse parseBlockedFieldList(std::string_view text);

}  // namespace axb::bridge
