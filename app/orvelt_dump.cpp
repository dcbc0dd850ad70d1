// orvelt-dump: loads capture files exactly as the window does and prints what was decoded.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/version.hpp"
#include "decode/frame_log.hpp"
#include "decode/printable_text.hpp"
#include "dump_format.hpp"
#include "ingest/capture_reader.hpp"
#include "options/dump_options.hpp"
#include "out_of_memory.hpp"

namespace {

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
  const Result<DumpOptions> parsed = Parse_Dump_Options({argv + 1, argv + argc});
  if (!parsed) {
    std::cerr << "orvelt-dump: " << Printable_Text(parsed.why()) << "\n" << kDumpUsage;
    return 2;
  }
  switch (parsed.value().request) {
    case DumpOptions::Request::Help:
      std::cout << kDumpUsage;
      return 0;
    case DumpOptions::Request::Version:
      std::cout << "orvelt-dump " << kVersion << '\n';
      return 0;
    case DumpOptions::Request::Usage:
      std::cerr << kDumpUsage;
      return 2;
    case DumpOptions::Request::Dump:
      break;
  }
  using Output = DumpOptions::Output;
  const Output output = parsed.value().output;
  const bool report_all = parsed.value().report_all;
  const std::vector<std::string>& files = parsed.value().files;

  TelemetryState state;
  state.keep_frame_log = false;
  HexStream hex;
  std::ios::sync_with_stdio(false);
  std::optional<FrameLines> lines;
  if (output == Output::Frames) {
    lines.emplace(std::cout,
                  parsed.value().frames_json ? FrameLines::Form::Json : FrameLines::Form::Csv);
  }
  LoadOptions options;
  options.regular_files_only = false;
  options.allow_stdin = true;
  if (lines) {
    options.before_file = [&](std::size_t k) { lines->Start_File(files[k]); };
  }
  if (output == Output::Hex || output == Output::Frames || report_all) {
    options.observers.push_back([&](const FrameEvent& e) {
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
    });
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
