// The blocked field list the tracker checks before it reports a selection: bundle identifier ->
// its entry, a JSON object {"name": <attribute>, "value": <text>}.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace axb {

using BlockedFieldList = std::map<std::string, nlohmann::json::object_t>;

}  // namespace axb
