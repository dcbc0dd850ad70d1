#include "config/decoder_options.hpp"

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
  const struct {
    std::vector<std::string> arguments;
    std::string read;
  } cases[] = {
      {{}, "connect[]"},
      {{"/a.kss", "b.kss"}, "connect[] /a.kss " + here + "/b.kss"},
      {{"--connect", "localhost:8001", "/a.kss"}, "connect[localhost:8001] /a.kss"},
      // "-" alone and everything after "--" are files, even when they look like options.
      {{"-", "--", "--connect", "-x", "--help"},
       "connect[] " + here + "/- " + here + "/--connect " + here + "/-x " + here + "/--help"},
      // Help and the version win wherever they stand before "--", whatever else is wrong.
      {{"-platform", "offscreen", "--help"}, "help"},
      {{"--connect", "-h"}, "help"},
      {{"--version", "--bogus"}, "version"},
      {{"--bogus"}, "error: unknown option --bogus"},
      {{"/a.kss", "--connect"}, "error: unknown option --connect"},
      {{"-platform", "offscreen"}, "error: unknown option -platform"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.arguments), c.read) << Command_Line_Text(c.arguments);
  }
}

}  // namespace
}  // namespace orvelt
