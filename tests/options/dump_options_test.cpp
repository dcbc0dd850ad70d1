#include "options/dump_options.hpp"

#include <gtest/gtest.h>

#include "support/command_line.hpp"

namespace orvelt {
namespace {

// The options read, in one line, or "error: " and the reason.
std::string Read(const std::vector<std::string>& arguments) {
  const Result<DumpOptions> parsed = Parse_Dump_Options(arguments);
  if (!parsed) return "error: " + parsed.why();
  const DumpOptions& o = parsed.value();
  static constexpr const char* kRequests[] = {"", "help", "version", "usage"};
  static constexpr const char* kOutputs[] = {"csv", "json", "hex", "frames"};
  if (o.request != DumpOptions::Request::Dump) return kRequests[static_cast<int>(o.request)];
  std::string text = kOutputs[static_cast<int>(o.output)];
  if (o.frames_json) text += " json";
  if (o.report_all) text += " report-all";
  for (const std::string& file : o.files) text += " [" + file + "]";
  return text;
}

// Which of --frames and --json comes first is the program test's to show.
TEST(Parse_Dump_Options, ReadsGoodCommandLinesAndNamesTheMistakeInBadOnes) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--hex", "--report-all", "a.kss", "-"}, "hex report-all [a.kss] [-]"},
      {{"--", "--json", "--"}, "csv [--json] [--]"},
      {{"--json"}, "usage"},
      {{"--help", "--bogus"}, "help"},
      {{"a", "--version"}, "version"},
      {{"--", "--help"}, "csv [--help]"},
      {{"--bogus", "--help"}, "error: unknown or repeated option --bogus"},  // a mistake first
      {{"--frames", "--hex", "a"}, "error: unknown or repeated option --hex"},
      {{"--frames", "--json", "--json", "a"}, "error: unknown or repeated option --json"},
  };
  for (const auto& [arguments, read] : cases) {
    EXPECT_EQ(Read(arguments), read) << Command_Line_Text(arguments);
  }
}

}  // namespace
}  // namespace orvelt
