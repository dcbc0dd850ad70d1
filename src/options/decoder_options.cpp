#include "options/decoder_options.hpp"

#include <filesystem>
#include <system_error>

namespace orvelt {

const std::string_view kDecoderUsage =
    "usage: orvelt-decoder [--connect SOURCE] [--] [FILE...]\n"
    "Opens the ORVELT-1 telemetry decoder's window and loads the capture files named, in the\n"
    "order given, as one selection.\n"
    "\n"
    "  --connect SOURCE  receive live from a TNC: HOST:PORT (KISS over TCP) or DEVICE@BAUD\n"
    "                    (a serial TNC), recording into the folder last chosen\n"
    "  -h, --help        print this help and end\n"
    "  --version         print the version and end\n"
    "  --                every argument after it is a file, even one that starts with \"-\"\n"
    "\n"
    "The start-up files conf.ini and obc_offset.ini are each read from the first of these\n"
    "folders that has it: the program's own folder, $XDG_CONFIG_HOME/orvelt (normally\n"
    "~/.config/orvelt), the installation's share/orvelt, then orvelt/ in $XDG_DATA_HOME and\n"
    "each folder of $XDG_DATA_DIRS. Qt's own options (-platform, -style, ...) are accepted.\n";

Result<DecoderOptions> Parse_Decoder_Options(const std::vector<std::string>& arguments) {
  DecoderOptions options;
  // Help and the version need no window, nor a command line that is right otherwise.
  for (const std::string& arg : arguments) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") options.request = DecoderOptions::Request::Help;
    if (arg == "--version") options.request = DecoderOptions::Request::Version;
    if (options.request != DecoderOptions::Request::Open) return options;
  }
  bool options_done = false;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string& arg = arguments[k];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg == "--connect" && k + 1 < arguments.size()) {
      options.connect_to = arguments[++k];
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return Result<DecoderOptions>::Failed("unknown option " + arg);
    } else {
      std::error_code ec;
      const std::filesystem::path absolute = std::filesystem::absolute(arg, ec);
      options.files.push_back(ec ? arg : absolute.string());
    }
  }
  return options;
}

}  // namespace orvelt
