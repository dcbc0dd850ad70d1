#pragma once

#include "base/result.hpp"
#include "live/source_address.hpp"
#include "options/forward_options.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// What the headless receiver's command line asks for.
struct ReceiveOptions {
  enum class Request { Receive, Help, Version };
  Request request = Request::Receive;
  SourceAddress source;
  bool record = true;
  std::string record_folder;  // --record DIR; empty: the default recordings folder
  bool json = false;
  ForwardOptions forward;
};

// The receiver's help, printed for --help and after a usage error.
extern const std::string_view kReceiveUsage;

// Reads the receiver's command line (without the program name): SOURCE [--record DIR |
// --no-record] [--json] and the forwarding options. --help or --version met before a mistake
// asks only for that. A mistake gives the reason to print before the help.
Result<ReceiveOptions> Parse_Receive_Options(const std::vector<std::string>& arguments);

}  // namespace orvelt
