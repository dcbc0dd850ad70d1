// Outbox figures: how long accepting one frame takes (median and 99th percentile of single
// calls, each committed to disk), and how fast 10 000 queued frames drain to a local server.
#include "forward/forwarder.hpp"
#include "forward/outbox.hpp"

#include "sids_test_server.hpp"

#include <QCoreApplication>
#include "wait_until.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

namespace {

std::filesystem::path Fresh_Dir(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::vector<std::uint8_t> Sensor_Frame() {
  std::vector<std::uint8_t> frame(64, 0x5A);
  frame[0] = 0x00;
  return frame;
}

void BM_Accept_Frame(benchmark::State& state) {
  const auto dir = Fresh_Dir("orvelt_bench_outbox_accept");
  auto opened = orvelt::Outbox::Open(dir / "outbox.sqlite");
  if (!opened.ok()) {
    state.SkipWithError(opened.error().c_str());
    return;
  }
  auto& outbox = *opened.value();
  const std::vector<std::string> servers = {"https://a.example/", "https://b.example/"};
  const auto frame = Sensor_Frame();
  std::vector<double> micros;
  std::int64_t time = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto queued = outbox.Enqueue(frame, ++time, servers);
    const auto end = std::chrono::steady_clock::now();
    if (!queued.ok()) {
      state.SkipWithError(queued.error().c_str());
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  if (micros.empty()) return;
  // What the forwarder does a moment after a batch of frames: wait for the disk.
  const auto start = std::chrono::steady_clock::now();
  auto written = outbox.Write_To_Disk();
  const auto end = std::chrono::steady_clock::now();
  if (!written.ok()) state.SkipWithError(written.error().c_str());
  state.counters["write_to_disk_us"] =
      std::chrono::duration<double, std::micro>(end - start).count();
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  opened.value().reset();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Accept_Frame)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_Drain_10000(benchmark::State& state) {
  const int kFrames = static_cast<int>(state.range(0));
  orvelt::testing::SidsTestServer server;
  if (!server.Listen()) {
    state.SkipWithError("no local port");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    const auto dir = Fresh_Dir("orvelt_bench_outbox_drain");
    {
      auto opened = orvelt::Outbox::Open(dir / "outbox.sqlite");
      const auto frame = Sensor_Frame();
      for (int i = 0; i < kFrames; ++i)
        opened.value()->Enqueue(frame, i, {server.Url().toStdString()});
    }
    orvelt::ForwarderConfig config;
    config.station = {"DL1ABC", 47.1, 12.345, 99999, {{server.Url().toStdString(), true}}, true};
    state.ResumeTiming();
    auto start = orvelt::Forwarder::Start(config, dir / "outbox.sqlite");
    if (start.error) {
      state.SkipWithError(start.error->c_str());
      break;
    }
    orvelt::Forwarder& forwarder = *start.forwarder;
    const bool done = orvelt::testing::Wait_Until(
        [&] { return forwarder.Status().at(0).counts.sent == kFrames; }, 120'000);
    state.PauseTiming();
    const std::string status = forwarder.Status_Text().toStdString();
    start.forwarder.reset();
    std::filesystem::remove_all(dir);
    if (!done) {
      state.SkipWithError(("drain did not finish: " + status).c_str());
      break;
    }
    state.ResumeTiming();
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Drain_10000)->Arg(10'000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
