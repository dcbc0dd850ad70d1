// The command lines of the programs: each row a command line and the options read from it, in
// one line, or "error: " and the reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "options/decoder_options.hpp"
#include "options/dump_options.hpp"
#include "options/receive_options.hpp"

namespace orvelt {
namespace {

std::string Read_Decoder(const std::vector<std::string>& arguments) {
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
  for (const auto& [arguments, read] : cases)
    EXPECT_EQ(Read_Decoder(arguments), read) << ::testing::PrintToString(arguments);
}

std::string Read_Dump(const std::vector<std::string>& arguments) {
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
  for (const auto& [arguments, read] : cases)
    EXPECT_EQ(Read_Dump(arguments), read) << ::testing::PrintToString(arguments);
}

std::string Read_Receive(const std::vector<std::string>& arguments) {
  const Result<ReceiveOptions> parsed = Parse_Receive_Options(arguments);
  if (!parsed) return "error: " + parsed.why();
  const ReceiveOptions& o = parsed.value();
  if (o.request == ReceiveOptions::Request::Help) return "help";
  if (o.request == ReceiveOptions::Request::Version) return "version";
  std::ostringstream text;
  text << Source_Text(o.source) << (o.record ? " record[" + o.record_folder + "]" : " no-record")
       << (o.json ? " json" : "");
  const ForwardOptions& f = o.forward;
  if (f.forward) text << " forward";
  if (f.dry_run) text << " dry-run";
  if (f.callsign) text << " call=" << *f.callsign;
  if (f.latitude) text << " lat=" << *f.latitude;
  if (f.longitude) text << " lon=" << *f.longitude;
  if (f.norad_id) text << " norad=" << *f.norad_id;
  for (const std::string& server : f.servers) text << " server=" << server;
  if (f.outbox) text << " outbox=" << *f.outbox;
  if (f.requests_in_flight) text << " in-flight=" << *f.requests_in_flight;
  return text.str();
}

TEST(Parse_Receive_Options, ReadsGoodCommandLinesAndNamesTheMistakeInBadOnes) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"localhost:8001"}, "localhost:8001 record[]"},
      {{"/dev/ttyUSB0@9600", "--record", "/r", "--json"}, "/dev/ttyUSB0@9600 record[/r] json"},
      {{"--record", "/r", "--no-record", "[::1]:8001"}, "[::1]:8001 no-record"},
      {{"localhost:8001", "--forward", "--callsign", "DL1ABC", "--lat=47.1", "--lon", "-12.5",
        "--norad", "99999", "--server", "https://a.example/", "--json", "--server=http://b:80/",
        "--dry-run", "--outbox", "/tmp/o.sqlite", "--in-flight=8"},
       "localhost:8001 record[] json forward dry-run call=DL1ABC lat=47.1 lon=-12.5 norad=99999 "
       "server=https://a.example/ server=http://b:80/ outbox=/tmp/o.sqlite in-flight=8"},
      // Help and version need no source, and win over a mistake after them, not before.
      {{"--version", "--help"}, "version"},
      {{"bad", "-h", "--bogus"}, "help"},
      {{"--lat", "95", "--help"}, "error: --lat: 95 is outside -90 to 90"},
      // A value that looks like an option is taken as the value.
      {{"h:1", "--record", "--json"}, "h:1 record[--json]"},
      {{}, "error: no source given: expected HOST:PORT or DEVICE@BAUD"},
      {{"h:1", "h:2"}, "error: more than one source"},
      {{"h:1", "--bogus"}, "error: unknown option or missing value: --bogus"},
      {{"h:1", "--callsign", "DL1ABC"},
       "error: the station and server options need --forward (or --dry-run)"},
      {{"h:1", "--forward=yes"}, "error: --forward takes no value"},
      {{"h:1", "--in-flight", "17"}, "error: --in-flight: \"17\" is not a number from 1 to 16"},
  };
  for (const auto& [arguments, read] : cases)
    EXPECT_EQ(Read_Receive(arguments), read) << ::testing::PrintToString(arguments);
}

}  // namespace
}  // namespace orvelt
