#pragma once

#include "base/result.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// What orvelt-dump's command line asks for.
struct DumpOptions {
  // Usage: no file named, so the help goes to stderr as for a mistake.
  enum class Request { Dump, Help, Version, Usage };
  // Every stored sample as CSV, everything decoded as JSON, the hex line of every decoded
  // frame, or one line per frame as it is decoded.
  enum class Output { Csv, Json, Hex, Frames };
  Request request = Request::Dump;
  Output output = Output::Csv;
  bool frames_json = false;  // --frames as JSON Lines
  bool report_all = false;   // every frame with a problem named as it is met
  std::vector<std::string> files;
};

// orvelt-dump's help, printed for --help and after a usage error.
extern const std::string_view kDumpUsage;

// Reads orvelt-dump's command line (without the program name), in order: --help or --version
// asks only for that, unless a mistake comes first; an option given twice, or two that exclude
// each other, is a mistake as much as an unknown one; "--" ends the options.
Result<DumpOptions> Parse_Dump_Options(const std::vector<std::string>& arguments);

}  // namespace orvelt
