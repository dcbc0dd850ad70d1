// orvelt-make-capture: writes a simulated ORVELT-1 pass as a KISS capture file.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/text_reading.hpp"
#include "tools/capture_writer.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-make-capture [options] OUTPUT.kss\n"
    "  --seconds N      length of the pass, one time label per second (default 600)\n"
    "  --start LABEL    first time label, \"YYYY-MM-DD HH:MM:SS\" (default 2026-11-28 09:14:00)\n"
    "  --seed N         seed of the simulation (default 1)\n"
    "  --binary-time    binary time labels (milliseconds since 1970) instead of text\n"
    "  --damaged        add frames the decoder must reject\n"
    "  --foreign        add frames of other stations\n"
    "  --fill           at least 5000 samples in every decoded channel\n"
    "  --every-kind     instead of a pass: every kind of frame, edge values and rejected frames\n";

template <typename Int>
std::optional<Int> Parse_Number(std::string_view text, Int min) {
  const auto value = orvelt::Read_Whole_Number<Int>(text);
  if (value && *value < min) return std::nullopt;
  return value;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "orvelt-make-capture: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt::tools;
  PassOptions options;
  std::string output;
  bool every_kind = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--seconds") {
      const auto seconds = has_value ? Parse_Number<int>(argv[++i], 1) : std::nullopt;
      if (!seconds) return Fail("--seconds needs a positive number");
      options.seconds = *seconds;
    } else if (arg == "--seed") {
      const auto seed = has_value ? Parse_Number<std::uint32_t>(argv[++i], 0) : std::nullopt;
      if (!seed) return Fail("--seed needs a number from 0 to 4294967295");
      options.seed = *seed;
    } else if (arg == "--start") {
      const auto start = has_value ? Parse_Time_Label(argv[++i]) : std::nullopt;
      if (!start) return Fail("--start needs a time label \"YYYY-MM-DD HH:MM:SS\"");
      options.start = *start;
    } else if (arg == "--binary-time") {
      options.binary_time = true;
    } else if (arg == "--damaged") {
      options.damaged = true;
    } else if (arg == "--foreign") {
      options.foreign = true;
    } else if (arg == "--fill") {
      options.fill = true;
    } else if (arg == "--every-kind") {
      every_kind = true;
    } else if (arg.starts_with("-") || !output.empty()) {
      return Fail("unexpected argument " + std::string(arg));
    } else {
      output = arg;
    }
  }
  if (output.empty()) return Fail("no output file given");

  const CaptureBuilder capture = every_kind ? Every_Kind_Capture() : Generate_Pass(options);
  if (!capture.Write_File(output)) {
    std::fprintf(stderr, "orvelt-make-capture: cannot write %s: %s\n", output.c_str(),
                 std::strerror(errno));
    return 1;
  }
  std::printf("%s: %zu frames, %zu bytes\n", output.c_str(), capture.frame_count(),
              capture.bytes().size());
  return 0;
}
