#include "ingest/dump_options.hpp"

#include <gtest/gtest.h>

#include "support/command_line.hpp"

namespace orvelt {
namespace {

// The options read, in one line, or "error: " and the reason.
std::string Read(const std::vector<std::string>& arguments) {
  const Result<DumpOptions> parsed = Parse_Dump_Options(arguments);
  if (!parsed) return "error: " + parsed.why();
  const DumpOptions& o = parsed.value();
  switch (o.request) {
    case DumpOptions::Request::Help:
      return "help";
    case DumpOptions::Request::Version:
      return "version";
    case DumpOptions::Request::Usage:
      return "usage";
    case DumpOptions::Request::Dump:
      break;
  }
  static constexpr const char* kOutputs[] = {"csv", "json", "hex", "frames"};
  std::string text = kOutputs[static_cast<int>(o.output)];
  if (o.frames_json) text += " json";
  if (o.report_all) text += " report-all";
  for (const std::string& file : o.files) text += " [" + file + "]";
  return text;
}

TEST(Parse_Dump_Options, ReadsGoodCommandLinesAndNamesTheMistakeInBadOnes) {
  const struct {
    std::vector<std::string> arguments;
    std::string read;
  } cases[] = {
      {{"a.kss", "b.kss"}, "csv [a.kss] [b.kss]"},
      {{"--json", "a"}, "json [a]"},
      {{"--hex", "--report-all", "-"}, "hex report-all [-]"},
      // --frames with --json in either order is the frames as JSON Lines.
      {{"--frames", "--json", "a"}, "frames json [a]"},
      {{"--json", "--frames", "a"}, "frames json [a]"},
      {{"--", "--json", "--"}, "csv [--json] [--]"},
      {{}, "usage"},
      {{"--json"}, "usage"},
      {{"--help", "--bogus"}, "help"},
      {{"a", "--version"}, "version"},
      {{"--", "--help"}, "csv [--help]"},
      // A mistake before --help is a mistake.
      {{"--bogus", "--help"}, "error: unknown or repeated option --bogus"},
      {{"--json", "--json", "a"}, "error: unknown or repeated option --json"},
      {{"--frames", "--hex", "a"}, "error: unknown or repeated option --hex"},
      {{"--hex", "--json", "a"}, "error: unknown or repeated option --json"},
      {{"--frames", "--json", "--json", "a"}, "error: unknown or repeated option --json"},
      {{"--report-all", "--report-all"}, "error: unknown or repeated option --report-all"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.arguments), c.read) << Command_Line_Text(c.arguments);
  }
}

}  // namespace
}  // namespace orvelt
