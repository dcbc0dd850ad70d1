#include "options/dump_options.hpp"

namespace orvelt {

const std::string_view kDumpUsage =
    "usage: orvelt-dump [--json | --hex | --frames [--json]] [--report-all] [--] FILE...\n"
    "Loads the capture files as one selection, in the order given, and prints every stored\n"
    "sample as CSV (default), everything decoded as JSON (--json), or the hex line of every\n"
    "decoded frame (--hex). --frames writes one line per frame as it is decoded, without the\n"
    "store's limit of 5000 samples per channel: file, frame number, time label, kind, problem,\n"
    "message text or switch status, and its channel values (CSV, or JSON Lines with --json).\n"
    "FILE may be - for standard input, a pipe or any other stream; --\n"
    "ends the options, so that a file named like an option can follow. In CSV, control\n"
    "characters are written as \\xHH and a backslash as \\\\.\n"
    "The load report goes to stderr: per file, counts per problem and the first frame numbers;\n"
    "--report-all also names every frame with a problem as it is met.\n"
    "Exit status: 0 all files read, 1 a file could not be read or the load stopped, 2 usage\n"
    "error.\n";

Result<DumpOptions> Parse_Dump_Options(const std::vector<std::string>& arguments) {
  using Output = DumpOptions::Output;
  DumpOptions o;
  bool options_done = false;
  for (const std::string& arg : arguments) {
    if (options_done) {
      o.files.push_back(arg);
    } else if (arg == "--json" && o.output == Output::Frames && !o.frames_json) {
      o.frames_json = true;
    } else if (arg == "--json" && o.output == Output::Csv) {
      o.output = Output::Json;
    } else if (arg == "--frames" && o.output == Output::Csv) {
      o.output = Output::Frames;
    } else if (arg == "--frames" && o.output == Output::Json && !o.frames_json) {
      o.output = Output::Frames;
      o.frames_json = true;
    } else if (arg == "--hex" && o.output == Output::Csv) {
      o.output = Output::Hex;
    } else if (arg == "--report-all" && !o.report_all) {
      o.report_all = true;
    } else if (arg == "--help" || arg == "-h") {
      o.request = DumpOptions::Request::Help;
      return o;
    } else if (arg == "--version") {
      o.request = DumpOptions::Request::Version;
      return o;
    } else if (arg == "--") {
      options_done = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Result<DumpOptions>::Failed("unknown or repeated option " + arg);
    } else {
      o.files.push_back(arg);
    }
  }
  if (o.files.empty()) o.request = DumpOptions::Request::Usage;
  return o;
}

}  // namespace orvelt
