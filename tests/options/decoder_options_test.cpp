#include "options/decoder_options.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/command_line.hpp"

namespace orvelt {
namespace {

// The options read, in one line, or "error: " and the reason.
std::string Read(const std::vector<std::string>& arguments) {
  const Result<DecoderOptions> parsed = Parse_Decoder_Options(arguments);
  if (!parsed) return "error: " + parsed.why();
  const DecoderOptions& o = parsed.value();
  if (o.request == DecoderOptions::Request::Help) return "help";
  if (o.request == DecoderOptions::Request::Version) return "version";
  std::string text = "connect[" + o.connect_to + "]";
  for (const std::string& file : o.files) text += ' ' + file;
  return text;
}

TEST(Parse_Decoder_Options, ReadsGoodCommandLinesAndNamesTheMistakeInBadOnes) {
  const std::string here = std::filesystem::current_path().string();
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--connect", "localhost:8001", "/a.kss", "b"},
       "connect[localhost:8001] /a.kss " + here + "/b"},
      // "-" alone and everything after "--" are files, even when they look like options.
      {{"-", "--", "--help"}, "connect[] " + here + "/- " + here + "/--help"},
      // Help and the version win wherever they stand before "--", whatever else is wrong.
      {{"--connect", "-h"}, "help"},
      {{"-platform", "offscreen"}, "error: unknown option -platform"},
  };
  for (const auto& [arguments, read] : cases) {
    EXPECT_EQ(Read(arguments), read) << Command_Line_Text(arguments);
  }
}

}  // namespace
}  // namespace orvelt
