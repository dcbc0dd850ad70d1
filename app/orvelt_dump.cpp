// orvelt-dump: loads capture files exactly as the window does and prints what was decoded.

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "decode/frame_log.hpp"
#include "dump_format.hpp"
#include "ingest/capture_reader.hpp"
#include "out_of_memory.hpp"
#include "version.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-dump [--json | --hex] [--report-all] [--] FILE...\n"
    "Loads the capture files as one selection, in the order given, and prints every stored\n"
    "sample as CSV (default), everything decoded as JSON (--json), or the hex line of every\n"
    "decoded frame (--hex). FILE may be - for standard input, a pipe or any other stream; --\n"
    "ends the options, so that a file named like an option can follow. In CSV, control\n"
    "characters are written as \\xHH and a backslash as \\\\.\n"
    "The load report goes to stderr: per file, counts per problem and the first frame numbers;\n"
    "--report-all also names every frame with a problem as it is met.\n"
    "Exit status: 0 all files read, 1 a file could not be read or the load stopped, 2 usage\n"
    "error.\n";

enum class Output { Csv, Json, Hex };

// Hex lines straight to standard output as frames are decoded, so that no log of them is kept
// and none is left out, whatever the capture's size.
class HexStream {
 public:
  ~HexStream() { Flush(); }
  void Line(std::span<const std::uint8_t> frame) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (buffer_.size() - used_ < frame.size() * 3 + 1) Flush();
    char* p = buffer_.data() + used_;
    for (const std::uint8_t b : frame) {
      p[0] = kHex[b >> 4];
      p[1] = kHex[b & 0x0F];
      p[2] = ' ';
      p += 3;
    }
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.data());
  }
  void Flush() {
    if (used_) std::fwrite(buffer_.data(), 1, used_, stdout);
    used_ = 0;
  }

 private:
  std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
  std::size_t used_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt;
  Exit_Clearly_When_Out_Of_Memory("orvelt-dump");
  Output output = Output::Csv;
  bool report_all = false;
  std::vector<std::string> files;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--json" && output == Output::Csv) {
      output = Output::Json;
    } else if (!options_done && arg == "--hex" && output == Output::Csv) {
      output = Output::Hex;
    } else if (!options_done && arg == "--report-all" && !report_all) {
      report_all = true;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      std::cout << kUsage;
      return 0;
    } else if (!options_done && arg == "--version") {
      std::cout << "orvelt-dump " << kVersion << '\n';
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
  state.keep_frame_log = false;
  HexStream hex;
  LoadOptions options;
  options.regular_files_only = false;
  options.allow_stdin = true;
  if (output == Output::Hex || report_all) {
    options.on_frame = [&](const FrameEvent& e) {
      const FrameProblem problem = e.taken.outcome.problem;
      if (output == Output::Hex && !e.taken.time_label && problem != FrameProblem::FrameTooLong) {
        hex.Line(e.stored);
      }
      if (report_all && problem != FrameProblem::None) {
        std::cerr << state.CaptureFileName << ", frame " << e.frame_number << ": "
                  << Problem_Text(problem) << '\n';
      }
    };
  }
  const LoadReport report = Load_Files(state, files, options);
  hex.Flush();

  std::ios::sync_with_stdio(false);
  if (output == Output::Csv) Write_Csv(std::cout, state.store);
  if (output == Output::Json) Write_Json(std::cout, state, report);
  std::cout.flush();
  std::cerr << report.Details();
  const bool all_read = report.Complete() && report.Files_Read() == static_cast<int>(files.size());
  return all_read ? 0 : 1;
}
