#include "options/receive_options.hpp"

#include <algorithm>
#include <utility>

namespace orvelt {

const std::string_view kReceiveUsage =
    "usage: orvelt-receive SOURCE [--record DIR | --no-record] [--json]\n"
    "                      [--forward [--callsign CALL] [--lat DEG] [--lon DEG] [--norad N]\n"
    "                       [--server URL]... [--outbox FILE] [--in-flight N] [--dry-run]]\n"
    "       orvelt-receive --help | --version\n"
    "Receives KISS frames from a TNC and decodes them as they arrive. SOURCE is HOST:PORT for\n"
    "KISS over TCP (e.g. localhost:8001) or DEVICE@BAUD for a serial TNC (e.g.\n"
    "/dev/ttyUSB0@9600). Lost connections are retried (1 s doubling to 30 s) until the program\n"
    "ends on SIGINT or SIGTERM.\n"
    "Every frame is recorded to a capture file in DIR (default: the documents folder's\n"
    "ORVELT-1 recordings); its path goes to stderr. A full store starts a new recording.\n"
    "stdout has one line per frame received, the TNC's time-label frames aside:\n"
    "  LABEL KIND: CHANNEL CAPTION = VALUE UNIT, ...  for ORVELT-1 telemetry (KIND battery,\n"
    "                                   solar array, switchboard, magnetometer, sensor, counter)\n"
    "  LABEL message: TEXT              for a message frame\n"
    "  LABEL KIND: N bytes[, PROBLEM]: HEX  for any other frame: KIND other for frames of other\n"
    "                                   stations, N the bytes after the KISS command byte, HEX "
    "them\n"
    "Control characters in labels and messages are written as \\xHH. With --json each line is one\n"
    "JSON object: {\"time_label\", \"kind\", \"channels\", \"message\"} for telemetry,\n"
    "{\"time_label\", \"kind\", \"bytes\", \"problem\", \"hex\"} for any other frame.\n"
    "--forward sends every frame taken as ORVELT-1 telemetry to the telemetry servers (SiDS),\n"
    "through an outbox that keeps each frame until a server took it. The station settings are\n"
    "those saved in the window's \"Station...\" dialog; --callsign, --lat and --lon (decimal\n"
    "degrees, north and east positive, not both 0), --norad and --server (repeatable; replaces\n"
    "the saved servers) override them. --outbox FILE is the outbox (default: the user's data\n"
    "folder). --in-flight N sends up to N requests at once to each server (1 to 16, default 4).\n"
    "--dry-run prints on stderr the requests it would make and sends nothing.\n"
    "Forwarding that cannot start (an outbox that is damaged or in use) is said on stderr;\n"
    "reception and recording go on without it.\n"
    "Exit status: 0 ended by a signal, 2 usage error or forwarding settings that cannot be used.\n";

Result<ReceiveOptions> Parse_Receive_Options(const std::vector<std::string>& arguments) {
  using Failed = Result<ReceiveOptions>;
  ReceiveOptions options;
  // The forwarding options come out first; a mistake in them stops the reading there, so that
  // only a --help or --version before it still counts.
  std::vector<std::string> rest;
  Outcome forward_read = Outcome::Done();
  for (std::size_t i = 0; i < arguments.size();) {
    const Result<std::size_t> taken = Take_Forward_Option(options.forward, arguments, i);
    if (!taken) {
      forward_read = Outcome::Failed(taken.why());
      break;
    }
    if (taken.value() == 0) rest.push_back(arguments[i]);
    i += std::max(taken.value(), std::size_t{1});
  }
  for (const std::string& arg : rest) {
    if (arg == "--help" || arg == "-h") options.request = ReceiveOptions::Request::Help;
    if (arg == "--version") options.request = ReceiveOptions::Request::Version;
    if (options.request != ReceiveOptions::Request::Receive) return options;
  }
  if (!forward_read) return Failed::Failed(forward_read.why());

  std::string source;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-record") {
      options.record = false;
    } else if (arg == "--record" && i + 1 < rest.size()) {
      options.record_folder = rest[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return Failed::Failed("unknown option or missing value: " + arg);
    } else if (source.empty()) {
      source = arg;
    } else {
      return Failed::Failed("more than one source");
    }
  }
  Result<SourceAddress> address = Parse_Source(source);
  if (!address) return Failed::Failed(address.why());
  options.source = std::move(address).value();
  if (!options.record) options.record_folder.clear();
  // Station options alone would silently forward nothing.
  if (!options.forward.Forwarding_Asked() && options.forward.Any_Setting()) {
    return Failed::Failed("the station and server options need --forward (or --dry-run)");
  }
  return options;
}

}  // namespace orvelt
