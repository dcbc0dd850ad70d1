// The mission archive and the frame listing, on a simulated stretch of the mission: passes of
// ten minutes, four a day, written as one KISS capture (ORVELT_BENCH_PASSES passes, default
// 100, about 0.9 million frames; 1100 passes give about 10 million).
//   - decode floor: reading and decoding the capture, nothing kept (the least adding can cost);
//   - add: the same, and every frame archived (dedup lookup, sources, samples, buckets, minutes,
//     one transaction per 100 000 frames) into a fresh archive; bytes per sample counted with
//     the archive file as a whole and with the samples table alone;
//   - a channel over the whole archive and over one pass, read back in time order;
//   - `orvelt-dump --frames` and `--frames --json` as processes, output to /dev/null, wall time
//     and peak resident memory: on the whole capture against hex_floor (the least a streaming
//     hex dump can cost), and on eight passes (which the store holds whole, so that
//     `orvelt-dump --hex` reads them to the end too) against `orvelt-dump --hex`.
//   bench_archive [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/frame_record.hpp"
#include "ingest/capture_reader.hpp"
#include "tools/capture_writer.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path& Work() {
  static const fs::path work = [] {
    const fs::path p = fs::temp_directory_path() / "orvelt_bench_archive";
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
  }();
  return work;
}

int Passes() {
  const char* text = std::getenv("ORVELT_BENCH_PASSES");
  return text ? std::max(1, std::atoi(text)) : 100;
}

// Eight passes: 4800 samples in the fullest channel, within the store's 5000.
const fs::path& Eight_Passes() {
  static const fs::path file = [] {
    const fs::path f = Work() / "eight.kss";
    std::ofstream out(f, std::ios::binary);
    orvelt::tools::PassOptions pass;
    for (int k = 0; k < 8; ++k) {
      pass.seed = static_cast<std::uint32_t>(k + 1);
      pass.start += 21600;
      const auto built = orvelt::tools::Generate_Pass(pass);
      out.write(reinterpret_cast<const char*>(built.bytes().data()),
                static_cast<std::streamsize>(built.bytes().size()));
    }
    return f;
  }();
  return file;
}

struct Capture {
  fs::path file;
  std::int64_t frames = 0;
  orvelt::UtcSeconds first_pass_start = 0;
};

// Four passes a day, about six hours apart, each with its own seed.
const Capture& Mission() {
  static const Capture capture = [] {
    Capture c;
    c.file = Work() / "mission.kss";
    std::ofstream out(c.file, std::ios::binary);
    orvelt::tools::PassOptions pass;
    c.first_pass_start = pass.start;
    for (int k = 0; k < Passes(); ++k) {
      pass.seed = static_cast<std::uint32_t>(k + 1);
      pass.start = c.first_pass_start + std::int64_t{k} * 21600 + (k * 733) % 3000;
      const auto built = orvelt::tools::Generate_Pass(pass);
      out.write(reinterpret_cast<const char*>(built.bytes().data()),
                static_cast<std::streamsize>(built.bytes().size()));
      c.frames += static_cast<std::int64_t>(built.frame_count());
    }
    return c;
  }();
  return capture;
}

void Decode_Floor(benchmark::State& state) {
  const Capture& c = Mission();
  for (auto _ : state) {
    orvelt::TelemetryState telemetry;
    telemetry.keep_frame_log = false;
    orvelt::LoadOptions options;
    options.observers.push_back(
        [&](const orvelt::FrameEvent& e) { orvelt::Keep_Store_Open(telemetry, e.taken.outcome); });
    const auto report = orvelt::Load_Files(telemetry, {c.file.string()}, options);
    benchmark::DoNotOptimize(report.Frames());
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(c.frames),
                                                  benchmark::Counter::kIsIterationInvariantRate);
  state.counters["frames"] = static_cast<double>(c.frames);
}

std::int64_t Table_Bytes(const fs::path& file, const char* table) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT sum(pgsize) FROM dbstat WHERE name = ?1", -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
  std::int64_t bytes = -1;
  if (sqlite3_step(statement) == SQLITE_ROW) bytes = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return bytes;
}

const fs::path kArchiveName = "mission.sqlite";

void Add(benchmark::State& state) {
  const Capture& c = Mission();
  const fs::path file = Work() / kArchiveName;
  orvelt::ArchiveLoad load;
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* end : {"", "-wal", "-shm"}) fs::remove(file.string() + end);
    state.ResumeTiming();
    auto archive = orvelt::Archive::Open(file);
    if (!archive.ok()) {
      state.SkipWithError(archive.why().c_str());
      return;
    }
    load = orvelt::Add_To_Archive(*archive.value(), {c.file.string()});
    if (!load.outcome.ok()) state.SkipWithError(load.outcome.why().c_str());
  }
  auto archive = orvelt::Archive::Open(file);
  archive.value().reset();  // checkpoints the WAL into the file
  const double samples = static_cast<double>(load.counts.samples);
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(load.counts.frames),
                                                  benchmark::Counter::kIsIterationInvariantRate);
  state.counters["frames"] = static_cast<double>(load.counts.frames);
  state.counters["samples"] = samples;
  state.counters["file_B/sample"] = static_cast<double>(fs::file_size(file)) / samples;
  state.counters["samples_table_B/sample"] =
      static_cast<double>(Table_Bytes(file, "samples")) / samples;
}

std::unique_ptr<orvelt::Archive> Added_Archive(benchmark::State& state) {
  auto archive = orvelt::Archive::Open(Work() / kArchiveName, false);
  if (!archive.ok()) {
    state.SkipWithError("run with the add benchmark first");
    return nullptr;
  }
  return std::move(archive.value());
}

void Read_Channel(benchmark::State& state, bool one_pass) {
  auto archive = Added_Archive(state);
  if (!archive) return;
  const orvelt::UtcSeconds from = one_pass ? Mission().first_pass_start : 0;
  const orvelt::UtcSeconds to = one_pass ? from + 600 : std::int64_t{1} << 40;
  std::size_t n = 0;
  for (auto _ : state) {
    const auto samples = archive->Samples(3, from, to);
    n = samples.value().size();
    benchmark::DoNotOptimize(samples.value().data());
  }
  state.counters["samples"] = static_cast<double>(n);
}
void Channel_Whole_Archive(benchmark::State& state) {
  Read_Channel(state, false);
}
void Channel_One_Pass(benchmark::State& state) {
  Read_Channel(state, true);
}

// The peak resident memory of a running program in kB, from its own high-water mark (which
// starts afresh at exec); 0 once it has ended.
long Peak_Kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

// Wall time and peak resident memory of a program writing to /dev/null.
void Run_Program(benchmark::State& state, std::vector<std::string> args, const fs::path& file) {
  args.push_back(file.string());
  double peak_mb = 0;
  for (auto _ : state) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    posix_spawn_file_actions_destroy(&files);
    int status = 0;
    long peak_kb = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      peak_kb = std::max(peak_kb, Peak_Kb(pid));
      usleep(500);
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    peak_mb = static_cast<double>(peak_kb) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the program failed");
  }
  state.counters["peak_MB"] = peak_mb;
  state.counters["capture_MB"] = static_cast<double>(fs::file_size(file)) / 1048576.0;
}
void Whole_Hex_Floor(benchmark::State& state) {
  Run_Program(state, {ORVELT_HEX_FLOOR_BINARY}, Mission().file);
}
void Whole_Dump_Frames_Csv(benchmark::State& state) {
  Run_Program(state, {ORVELT_DUMP_BINARY, "--frames"}, Mission().file);
}
void Whole_Dump_Frames_Json(benchmark::State& state) {
  Run_Program(state, {ORVELT_DUMP_BINARY, "--frames", "--json"}, Mission().file);
}
void Eight_Dump_Hex(benchmark::State& state) {
  Run_Program(state, {ORVELT_DUMP_BINARY, "--hex"}, Eight_Passes());
}
void Eight_Dump_Frames_Csv(benchmark::State& state) {
  Run_Program(state, {ORVELT_DUMP_BINARY, "--frames"}, Eight_Passes());
}
void Eight_Dump_Frames_Json(benchmark::State& state) {
  Run_Program(state, {ORVELT_DUMP_BINARY, "--frames", "--json"}, Eight_Passes());
}

BENCHMARK(Decode_Floor)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Add)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Channel_Whole_Archive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Channel_One_Pass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Whole_Hex_Floor)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(Whole_Dump_Frames_Csv)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(Whole_Dump_Frames_Json)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(Eight_Dump_Hex)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(Eight_Dump_Frames_Csv)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(Eight_Dump_Frames_Json)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
