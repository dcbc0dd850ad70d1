#include <gtest/gtest.h>

#include <string>

#include "export/csv_export.hpp"

namespace orvelt {
namespace {

// Labels and messages come from stations and may hold anything: each stays one field.
TEST(CsvField, QuotesWhatWouldSplitAFieldAndShowsControlsAsText) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"2026-11-28 09:14:00", "2026-11-28 09:14:00"},
      {"28.11.2026, 09:14", "\"28.11.2026, 09:14\""},
      {"say \"73\"", "\"say \"\"73\"\"\""},
      {"tab\there", "tab\\x09here"},
      {"a\\b", "a\\\\b"},
      {"\xC2\xB5T", "\xC2\xB5T"},
  };
  for (const auto& c : cases) {
    std::string out;
    Append_Csv_Field(out, c.text);
    EXPECT_EQ(out, c.field) << c.text;
  }
}

}  // namespace
}  // namespace orvelt
