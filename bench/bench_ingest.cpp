// Ingest speed: the full load (deframe, decode, store, frame log) against the floor of any
// reader: a streaming split at FEND and unescape into a 512-byte frame, nothing made per frame.
// Targets: the load within 2x the floor on telemetry, 1.3x on frames of other stations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "ingest/capture_reader.hpp"
#include "ingest/kiss.hpp"
#include "tools/capture_writer.hpp"

namespace {

using orvelt::tools::Bytes;

const Bytes& Full_Pass() {
  static const Bytes bytes = [] {
    orvelt::tools::PassOptions options;
    options.fill = true;
    return orvelt::tools::Generate_Pass(options).bytes();
  }();
  return bytes;
}

// 200 000 frames of other stations: ordinary AX.25 UI frames that are no telemetry.
const Bytes& Foreign_Frames() {
  static const Bytes bytes = [] {
    std::mt19937 random(7);
    orvelt::tools::CaptureBuilder capture;
    for (int i = 0; i < 200000; ++i) {
      Bytes frame{0x00, 0x82, 0xA0, 0xA4, 0xA6, 0x40, 0x40, 0x60, 0x9C,
                  0x60, 0x86, 0x82, 0x98, 0x98, 0x61, 0x03, 0xF0};
      const int text = 10 + static_cast<int>(random() % 50);
      for (int k = 0; k < text; ++k)
        frame.push_back(static_cast<std::uint8_t>(0x20 + random() % 95));
      capture.Add(frame);
    }
    return capture.bytes();
  }();
  return bytes;
}

std::int64_t Frame_Count(const Bytes& bytes) {
  std::int64_t n = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i) n += bytes[i] == 0xC0 && bytes[i - 1] != 0xC0;
  return n;
}

void Set_Rates(benchmark::State& state, const Bytes& bytes) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(Frame_Count(bytes)),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

// One load as the window repeats it: the store emptied, then every frame taken. Kept out of line,
// as is the floor's scan, so that an instruction count can pick out single iterations of either
// (valgrind --tool=callgrind --toggle-collect='*Load_Once*' --dump-after='*Load_Once*').
[[gnu::noinline]] bool Load_Once(orvelt::TelemetryState& telemetry, const Bytes& bytes) {
  telemetry.store.Reset_Store();
  return orvelt::Take_Kiss_Bytes(telemetry, bytes);
}

void Full_Load(benchmark::State& state, const Bytes& bytes, bool frame_log = true) {
  orvelt::TelemetryState telemetry;
  telemetry.keep_frame_log = frame_log;
  // Each timed load follows another, as a reload does: the store's pages are touched, the frame
  // log is at its bound, and the store is emptied before the load.
  Load_Once(telemetry, bytes);
  for (auto _ : state) {
    const bool complete = Load_Once(telemetry, bytes);
    benchmark::DoNotOptimize(telemetry.frames_decoded);
    if (!complete) state.SkipWithError("load stopped");
  }
  Set_Rates(state, bytes);
  // The series and the labels this load left in the store.
  const std::size_t store_bytes = sizeof(orvelt::ChannelSeries) * orvelt::kChannelCount +
                                  sizeof(orvelt::StoredLabel) * telemetry.store.Label_Count();
  state.counters["store_MB"] = static_cast<double>(store_bytes) / (1024.0 * 1024.0);
}

// The split at FEND and unescape into a 512-byte frame, over the bytes in 1 MB chunks as the
// reader reads files; returns a sum over the frames so that nothing can be left out.
[[gnu::noinline]] std::uint64_t Split_Unescape(const Bytes& bytes) {
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  std::array<std::uint8_t, 512> frame{};
  std::uint64_t seen = 0;
  std::size_t n = 0;
  bool escaped = false;
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    const std::size_t end = std::min(bytes.size(), at + kChunk);
    for (std::size_t i = at; i < end; ++i) {
      std::uint8_t b = bytes[i];
      if (b == 0xC0) {
        if (n > 0 && n <= frame.size()) seen += frame[0] + n;
        n = 0;
        escaped = false;
        continue;
      }
      if (escaped) {
        escaped = false;
        if (b == 0xDC || b == 0xDD) {
          b = b == 0xDC ? 0xC0 : 0xDB;
        } else {
          if (n < frame.size()) frame[n] = 0xDB;
          ++n;
        }
      } else if (b == 0xDB) {
        escaped = true;
        continue;
      }
      if (n < frame.size()) frame[n] = b;
      ++n;
    }
  }
  return seen;
}

void Floor(benchmark::State& state, const Bytes& bytes) {
  for (auto _ : state) benchmark::DoNotOptimize(Split_Unescape(bytes));
  Set_Rates(state, bytes);
}

// The load's own deframer with nothing behind it: what the load spends on deframing, so that
// the rest of its time is what decoding, storing and logging cost.
[[gnu::noinline]] std::uint64_t Deframe_Only(const Bytes& bytes) {
  orvelt::KissDeframer deframer;
  std::uint64_t seen = 0;
  deframer.Feed(bytes, [&](auto stored, std::size_t length) {
    seen += stored[0] + length;
    return true;
  });
  return seen;
}

void Deframe(benchmark::State& state, const Bytes& bytes) {
  for (auto _ : state) benchmark::DoNotOptimize(Deframe_Only(bytes));
  Set_Rates(state, bytes);
}

// The load and the floor in turn, each timed on its own: the machine's slow spells, which can
// last for seconds and move a case run alone by a fifth, fall on both. Reports the load's time
// and the ratios of the fastest load to the fastest floor and of the totals.
void BM_FullStore_LoadOverFloor(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const Bytes& bytes = Full_Pass();
  orvelt::TelemetryState telemetry;
  Load_Once(telemetry, bytes);
  double floor_total = 0, load_total = 0;
  double floor_best = 1e9, load_best = 1e9;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(Split_Unescape(bytes));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(Load_Once(telemetry, bytes));
    const auto t2 = Clock::now();
    const double floor_s = std::chrono::duration<double>(t1 - t0).count();
    const double load_s = std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(load_s);
    floor_total += floor_s;
    load_total += load_s;
    floor_best = std::min(floor_best, floor_s);
    load_best = std::min(load_best, load_s);
  }
  state.counters["floor_ms"] = floor_best * 1e3;
  state.counters["load_ms"] = load_best * 1e3;
  state.counters["x_floor_best"] = load_best / floor_best;
  state.counters["x_floor_total"] = load_total / floor_total;
}

void BM_FullStore_Load(benchmark::State& s) {
  Full_Load(s, Full_Pass());
}
void BM_FullStore_Floor(benchmark::State& s) {
  Floor(s, Full_Pass());
}
void BM_FullStore_DeframeOnly(benchmark::State& s) {
  Deframe(s, Full_Pass());
}
// As orvelt-dump loads: no frame log.
void BM_FullStore_LoadWithoutFrameLog(benchmark::State& s) {
  Full_Load(s, Full_Pass(), false);
}
void BM_Foreign200k_Load(benchmark::State& s) {
  Full_Load(s, Foreign_Frames());
}
void BM_Foreign200k_Floor(benchmark::State& s) {
  Floor(s, Foreign_Frames());
}

BENCHMARK(BM_FullStore_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStore_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStore_LoadWithoutFrameLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStore_DeframeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullStore_LoadOverFloor)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Foreign200k_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Foreign200k_Load)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
