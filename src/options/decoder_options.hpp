#pragma once

#include "base/result.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// What the decoder's command line asks for.
struct DecoderOptions {
  enum class Request { Open, Help, Version };
  Request request = Request::Open;
  std::vector<std::string> files;  // capture files to load as one selection, in the order given
  std::string connect_to;          // --connect HOST:PORT or DEVICE@BAUD; empty: none
};

// The decoder's help, printed for --help and after a usage error.
extern const std::string_view kDecoderUsage;

// Reads the decoder's command line (without the program name; the toolkit's own options taken
// out, or --help and --version are all it can tell). --help or --version before "--" asks only
// for that, wherever it stands. Files are made absolute where the folder allows, kept as the
// file system's bytes. Anything else that looks like an option is a mistake, and its reason.
Result<DecoderOptions> Parse_Decoder_Options(const std::vector<std::string>& arguments);

}  // namespace orvelt
