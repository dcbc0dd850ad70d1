#include "options/receive_options.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/command_line.hpp"

namespace orvelt {
namespace {

// The options read, in one line, or "error: " and the reason.
std::string Read(const std::vector<std::string>& arguments) {
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
  const struct {
    std::vector<std::string> arguments;
    std::string read;
  } cases[] = {
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
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.arguments), c.read) << Command_Line_Text(c.arguments);
  }
}

}  // namespace
}  // namespace orvelt
