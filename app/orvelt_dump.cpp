// orvelt-dump: loads capture files exactly as "Open Kissfile" does and prints what was decoded.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "dump_format.hpp"
#include "ingest/file_list_loader.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-dump [--json | --hex] FILE...\n"
    "Loads the capture files as one selection, in the order given, and prints every stored\n"
    "sample as CSV (default), everything decoded as JSON (--json), or the hex log (--hex).\n"
    "The load report goes to stderr. Exit status: 0 all files read, 1 a file could not be\n"
    "read or the load stopped, 2 usage error.\n";

enum class Output { Csv, Json, Hex };

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt;
  Output output = Output::Csv;
  std::vector<std::string> files;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--json" && output == Output::Csv) {
      output = Output::Json;
    } else if (!options_done && arg == "--hex" && output == Output::Csv) {
      output = Output::Hex;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      std::cout << kUsage;
      return 0;
    } else if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      std::cerr << "orvelt-dump: unknown or repeated option " << arg << "\n" << kUsage;
      return 2;
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  TelemetryState state;
  FormModel form;
  const LoadReport report = Load_Selection(state, form, files);

  std::ios::sync_with_stdio(false);
  switch (output) {
    case Output::Csv:
      Write_Csv(std::cout, state.store);
      break;
    case Output::Json:
      Write_Json(std::cout, state.store, form, report);
      break;
    case Output::Hex:
      Write_Hex(std::cout, form);
      break;
  }
  std::cout.flush();
  std::cerr << report.Details();
  const bool all_read = report.Complete() && report.files_read == static_cast<int>(files.size());
  return all_read ? 0 : 1;
}
