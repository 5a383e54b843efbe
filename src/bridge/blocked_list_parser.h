// The blocked field list the host hands to start: JSON text of an object mapping bundle
// identifiers to entries {"name": <attribute>, "value": <text>}.
#pragma once

#include <cstddef>
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

// Host input is bounded: a longer list, or one nesting deeper (the top level counts as one), is
// refused before anything is built.
inline constexpr std::size_t kBlockedListMaxBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kBlockedListMaxNesting = 64;

BlockedListParse parseBlockedFieldList(std::string_view text);

}  // namespace axb::bridge
