// The programs as a user runs them, each a fresh process: wall time and peak resident memory
// (the high-water mark of the program's resident memory, read while it runs).
//   - `orvelt-dump --hex` against hex_floor, the least a streaming hex dump can cost;
//   - peak memory of `orvelt-dump` on a 1 GB capture (one pass, then other stations' traffic, so
//     that it is read to its end), a 100 MB damaged capture, a 5 GB sparse file, 30 MB of short
//     frames and /dev/zero piped in for three seconds (target < 64 MB);
//   - peak memory of the window holding the 1 GB and the 100 MB damaged capture (< 150 MB);
//   - process start to the shown window, without and with a full-store capture to load.
// The window cases run `orvelt-decoder-smoke`, the decoder built with the test hook that writes
// what the window shows once its load is over and it has repainted (the released program has no
// such hook, and nothing else tells from outside when the window is up); that file's appearance
// ends the timing. The window runs offscreen unless QT_QPA_PLATFORM says otherwise (e.g. xcb
// under xvfb-run). Captures are written to a scratch folder first; the sparse file takes no disk
// space. A case whose program does not read its capture to the end, or never shows its window
// within two minutes, is reported as an error instead of a figure.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/capture_writer.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using orvelt::tools::Bytes;

fs::path work;

struct Child {
  double seconds = 0;
  double peak_mb = 0;
  int status = 0;
  bool marked = false;  // until_file appeared
};

struct Spawn {
  std::vector<std::string> args;
  std::string stdin_file = "/dev/null";
  std::vector<std::string> env;  // NAME=value added to the environment
  double kill_after = 0;         // seconds; 0: wait for the end
  fs::path until_file;           // SIGTERM once this file exists
};

// No case takes this long; a program that hangs is ended and reported.
constexpr double kLimitSeconds = 120;

Spawn Command(std::vector<std::string> args, std::string stdin_file = "/dev/null",
              double kill_after = 0) {
  Spawn spawn;
  spawn.args = std::move(args);
  spawn.stdin_file = std::move(stdin_file);
  spawn.kill_after = kill_after;
  return spawn;
}

// The peak resident memory of the running program, in kB: its address space's high-water mark,
// which starts afresh at exec (the rusage maximum would include this process's pages that the
// child carried until then). 0 once it has ended.
long Peak_Kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

Child Run(const Spawn& spawn) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, spawn.stdin_file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  const std::string err = (work / "child.err").string();
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  std::vector<char*> argv, envp;
  for (const std::string& a : spawn.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  for (const std::string& e : spawn.env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&files);
  Child child;
  int status = 0;
  rusage usage{};
  bool signalled = false;
  long peak_kb = 0;
  while (wait4(pid, &status, WNOHANG, &usage) == 0) {
    peak_kb = std::max(peak_kb, Peak_Kb(pid));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    struct stat st {};
    const bool marked = !spawn.until_file.empty() && stat(spawn.until_file.c_str(), &st) == 0;
    const double limit = spawn.kill_after > 0 ? spawn.kill_after : kLimitSeconds;
    if (!signalled && (marked || elapsed > limit)) {
      if (marked) child.seconds = elapsed;
      child.marked = marked;
      kill(pid, SIGTERM);
      signalled = true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (child.seconds == 0)
    child.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  child.peak_mb = static_cast<double>(peak_kb) / 1024.0;
  child.status = status;
  return child;
}

void Write(const fs::path& path, const Bytes& bytes, std::uint64_t total) {
  std::ofstream out(path, std::ios::binary);
  for (std::uint64_t n = 0; n < total; n += bytes.size()) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
}

Bytes Pass(bool fill, int seconds, bool foreign) {
  orvelt::tools::PassOptions options;
  options.fill = fill;
  options.seconds = seconds;
  options.foreign = foreign;
  return orvelt::tools::Generate_Pass(options).bytes();
}

// 200 000 AX.25 UI frames of other stations.
Bytes Foreign_Frames() {
  orvelt::tools::CaptureBuilder capture;
  for (int i = 0; i < 200000; ++i) {
    Bytes frame{0x00, 0x82, 0xA0, 0xA4, 0xA6, 0x40, 0x40, 0x60, 0x9C,
                0x60, 0x86, 0x82, 0x98, 0x98, 0x61, 0x03, 0xF0};
    for (int k = 0; k < 10 + i % 50; ++k)
      frame.push_back(static_cast<std::uint8_t>(0x20 + (i * 7 + k) % 95));
    capture.Add(frame);
  }
  return capture.bytes();
}

// Frames every one of which is rejected and stores nothing: counters with the top bit set,
// message frames too short, records cut short, over-long frames.
Bytes Damaged_Frames() {
  orvelt::tools::CaptureBuilder capture;
  capture.Add(orvelt::tools::Counter_Frame(0xE1, 0x80000001u));
  capture.Add(Bytes{0x00, 0xC0, 0x80, 0x00, 0x01, 0xC0, 'a', 'b'});
  capture.Add(Bytes{0x00, 0xC0, 0x80, 0x00, 0x01, 0x02, 0x2C, 0x03, 0x00, 0x10});
  capture.Add(Bytes(600, 0x55));
  return capture.bytes();
}

// One pass that fits the store, then other stations' frames until the file holds 1 GB, as a
// station that records its channel for weeks writes: read to its end, never stopped by a full
// store.
void Write_1G(const fs::path& path) {
  const Bytes pass = Pass(false, 600, true);
  const Bytes traffic = Foreign_Frames();
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(pass.data()), static_cast<std::streamsize>(pass.size()));
  for (std::uint64_t n = pass.size(); n < (std::uint64_t{1} << 30); n += traffic.size()) {
    out.write(reinterpret_cast<const char*>(traffic.data()),
              static_cast<std::streamsize>(traffic.size()));
  }
}

void Prepare() {
  Write(work / "long.kss", Pass(false, 4900, true), 1);
  Write(work / "foreign.kss", Foreign_Frames(), 1);
  Write(work / "full.kss", Pass(true, 5000, false), 1);
  Write_1G(work / "1g.kss");
  Write(work / "damaged100m.kss", Damaged_Frames(), 100u << 20);
  Write(work / "short30m.kss", Bytes{0x00, 0xC0}, 30u << 20);
  std::filesystem::resize_file((std::ofstream(work / "sparse5g.kss"), work / "sparse5g.kss"),
                               std::uint64_t{5} << 30);
}

void Report(benchmark::State& state, const Child& child, double seconds_sum) {
  state.SetIterationTime(child.seconds);
  state.counters["peak_MB"] = child.peak_mb;
  state.counters["exit"] =
      WIFEXITED(child.status) ? WEXITSTATUS(child.status) : 128 + WTERMSIG(child.status);
  benchmark::DoNotOptimize(seconds_sum);
}

void Process(benchmark::State& state, const Spawn& spawn) {
  double sum = 0;
  for (auto _ : state) {
    const Child child = Run(spawn);
    sum += child.seconds;
    Report(state, child, sum);
  }
}

void BM_DumpHex(benchmark::State& s, const char* file) {
  Process(s, Command({ORVELT_DUMP_BINARY, "--hex", (work / file).string()}));
}
void BM_HexFloor(benchmark::State& s, const char* file) {
  Process(s, Command({ORVELT_HEX_FLOOR_BINARY, (work / file).string()}));
}
BENCHMARK_CAPTURE(BM_HexFloor, long_pass, "long.kss")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DumpHex, long_pass, "long.kss")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HexFloor, foreign200k, "foreign.kss")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DumpHex, foreign200k, "foreign.kss")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// orvelt-dump ends with status 0 only when it has read every file to its end.
void BM_DumpMemory(benchmark::State& s, const char* file) {
  for (auto _ : s) {
    const Child child = Run(Command({ORVELT_DUMP_BINARY, (work / file).string()}));
    Report(s, child, child.seconds);
    if (!WIFEXITED(child.status) || WEXITSTATUS(child.status) != 0) {
      s.SkipWithError("orvelt-dump did not read the capture to its end");
    }
  }
}
BENCHMARK_CAPTURE(BM_DumpMemory, capture_1g, "1g.kss")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DumpMemory, damaged_100m, "damaged100m.kss")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DumpMemory, sparse_5g, "sparse5g.kss")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DumpMemory, short_frames_30m, "short30m.kss")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_DumpMemory_DevZero_3s(benchmark::State& s) {
  Process(s, Command({ORVELT_DUMP_BINARY, "-"}, "/dev/zero", 3.0));
}
BENCHMARK(BM_DumpMemory_DevZero_3s)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

#if defined(ORVELT_DECODER_SMOKE_BINARY)
// The window with the captures named on the command line, until it shows what it loaded.
Spawn Window(const std::vector<std::string>& files, const fs::path& mark) {
  Spawn spawn;
  fs::remove(mark);
  spawn.args = {ORVELT_DECODER_SMOKE_BINARY};
  for (const std::string& f : files) spawn.args.push_back((work / f).string());
  spawn.env = {"ORVELT_SMOKE_DUMP=" + mark.string()};
  if (!std::getenv("QT_QPA_PLATFORM")) spawn.env.push_back("QT_QPA_PLATFORM=offscreen");
  spawn.until_file = mark;
  return spawn;
}

// The status line the window showed, from the smoke hook's "Label3=" line.
std::string Shown_Status(const fs::path& mark) {
  std::ifstream in(mark);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Label3=", 0) == 0) return line.substr(7);
  }
  return {};
}

// read_to_end: the capture fits the store, so a status line that says it was full is an error.
void BM_Window(benchmark::State& s, std::vector<std::string> files, bool read_to_end) {
  const fs::path mark = work / "shown.txt";
  double sum = 0;
  for (auto _ : s) {
    const Child child = Run(Window(files, mark));
    sum += child.seconds;
    Report(s, child, sum);
    if (!child.marked) {
      s.SkipWithError("the window did not show its load within the limit");
    } else if (read_to_end && Shown_Status(mark).find("store full") != std::string::npos) {
      s.SkipWithError("the window stopped its load at a full store");
    }
  }
}
BENCHMARK_CAPTURE(BM_Window, start_to_shown, std::vector<std::string>{}, true)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Window, start_to_shown_full_store, std::vector<std::string>{"full.kss"}, false)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Window, memory_1g, std::vector<std::string>{"1g.kss"}, true)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Window, memory_damaged_100m, std::vector<std::string>{"damaged100m.kss"}, true)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  work = fs::temp_directory_path() / ("orvelt_bench_process_" + std::to_string(getpid()));
  fs::create_directories(work);
  // The program reads its start-up files from its own folder, which the build provides.
  Prepare();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (std::getenv("ORVELT_BENCH_KEEP")) {
    std::fprintf(stderr, "captures and the programs' stderr kept in %s\n", work.c_str());
  } else {
    fs::remove_all(work);
  }
  return 0;
}
