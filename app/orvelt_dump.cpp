// orvelt-dump: loads capture files exactly as the window does and prints what was decoded.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/version.hpp"
#include "decode/frame_log.hpp"
#include "dump_format.hpp"
#include "ingest/capture_reader.hpp"
#include "out_of_memory.hpp"

namespace {

constexpr const char* kUsage =
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

enum class Output { Csv, Json, Hex, Frames };

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
  bool frames_json = false;
  std::vector<std::string> files;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--json" && output == Output::Frames && !frames_json) {
      frames_json = true;
    } else if (!options_done && arg == "--json" && output == Output::Csv) {
      output = Output::Json;
    } else if (!options_done && arg == "--frames" && output == Output::Csv) {
      output = Output::Frames;
    } else if (!options_done && arg == "--frames" && output == Output::Json && !frames_json) {
      output = Output::Frames;
      frames_json = true;
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
  std::ios::sync_with_stdio(false);
  std::optional<FrameLines> lines;
  if (output == Output::Frames) {
    lines.emplace(std::cout, frames_json ? FrameLines::Form::Json : FrameLines::Form::Csv);
  }
  LoadOptions options;
  options.regular_files_only = false;
  options.allow_stdin = true;
  if (lines) {
    options.before_file = [&](std::size_t k) { lines->Start_File(files[k]); };
  }
  if (output == Output::Hex || output == Output::Frames || report_all) {
    options.on_frame = [&](const FrameEvent& e) {
      const FrameProblem problem = e.taken.outcome.problem;
      if (lines) {
        lines->Line(e.frame_number, Read_Frame_Record(state, e.stored, e.taken),
                    state.SwitchStatusText);
        Keep_Store_Open(state, e.taken.outcome);
      }
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
  if (lines) lines->Flush();

  if (output == Output::Csv) Write_Csv(std::cout, state.store);
  if (output == Output::Json) Write_Json(std::cout, state, report);
  std::cout.flush();
  std::cerr << report.Details();
  const bool all_read = report.Complete() && report.Files_Read() == static_cast<int>(files.size());
  return all_read ? 0 : 1;
}
