#include "net/link_header.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvelt {
namespace {

// Each row: a Link header as servers write it, and the next and prev targets read from it
// ("-" for none).
TEST(Link_Target, ReadsEveryLinkOfAHeader) {
  const struct {
    const char* header;
    const char* next;
    const char* prev;
  } cases[] = {
      // Both links, as a page in the middle of a listing has them.
      {R"(<https://db/api/telemetry/?cursor=cD0y&satellite=9>; rel="next", <https://db/api/telemetry/?cursor=cj0x>; rel="prev")",
       "https://db/api/telemetry/?cursor=cD0y&satellite=9",
       "https://db/api/telemetry/?cursor=cj0x"},
      {R"(<a>; rel="prev", <b>; rel="next")", "b", "a"},
      {"<a>; rel=next", "a", "-"},
      {R"(<a>;rel="prev next")", "a", "a"},
      {R"(<a>; REL="Next")", "a", "-"},
      {R"(<a>; title="x, y; z"; rel="next")", "a", "-"},
      // A comma inside the address belongs to it.
      {R"(<p?ids=1,2,3>; rel="next")", "p?ids=1,2,3", "-"},
      {R"(<a>; rel="next"; rel="prev")", "a", "-"},  // a second rel is ignored
      {R"(<a>; rel="nextpage", <b>; rel=last)", "-", "-"},
      {R"(<a>; rel="prev")", "-", "a"},
      {"", "-", "-"},
      // What cannot be read is passed over, the rest still counts.
      {R"(garbage, <b>; rel="next")", "b", "-"},
      {R"(<a; rel="next")", "-", "-"},
      {R"(<a>; title="open, <b>; rel="next")", "-", "-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(Link_Target(c.header, "next").value_or("-"), c.next);
    EXPECT_EQ(Link_Target(c.header, "prev").value_or("-"), c.prev);
  }
}

}  // namespace
}  // namespace orvelt
