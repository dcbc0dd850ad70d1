#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// One link of a Link header: its target as written (maybe relative) and its relation types,
// lower-cased.
struct WebLink {
  std::string target;
  std::vector<std::string> rels;
};

// The links of a Link header as RFC 8288 writes them: several links separated by commas (a comma
// inside <...> or a quoted string belongs to it), parameters after semicolons, `rel` quoted or
// bare and holding several relation types separated by spaces; a second `rel` of a link is
// ignored. A link that cannot be read is passed over, the others still count.
std::vector<WebLink> Parse_Link_Header(std::string_view header);

// The target of the first link with relation type `rel` (lower-case); nothing when none has it.
std::optional<std::string> Link_Target(std::string_view header, std::string_view rel);

}  // namespace orvelt
