// Outbox figures: how long accepting one frame takes (median and 99th percentile of single
// calls, each committed to disk); how fast 20 000 queued frames drain to a loopback server that
// answers after 50 ms (against the ceiling the requests in flight allow); and whether the drain
// rate stays the same after 200 000 frames were sent (against a fresh outbox, the floor).
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
    state.SkipWithError(opened.why().c_str());
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
      state.SkipWithError(queued.why().c_str());
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  if (micros.empty()) return;
  // What the forwarder does a moment after a batch of frames: wait for the disk.
  const auto start = std::chrono::steady_clock::now();
  auto written = outbox.Write_To_Disk();
  const auto end = std::chrono::steady_clock::now();
  if (!written.ok()) state.SkipWithError(written.why().c_str());
  state.counters["write_to_disk_us"] =
      std::chrono::duration<double, std::micro>(end - start).count();
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  opened.value().reset();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Accept_Frame)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Queues `frames` frames for `server` into a fresh outbox at `file`, after `history` frames that
// were sent already (queued and confirmed through the outbox itself, as a station's past).
bool Fill_Outbox(const std::filesystem::path& file, const std::string& server, int frames,
                 int history, benchmark::State& state) {
  auto opened = orvelt::Outbox::Open(file);
  if (!opened.ok()) {
    state.SkipWithError(opened.why().c_str());
    return false;
  }
  orvelt::Outbox& outbox = *opened.value();
  const auto frame = Sensor_Frame();
  for (int i = 0; i < history; ++i) {
    auto id = outbox.Enqueue(frame, i, {server});
    if (!id.ok() || !outbox.Mark_Sent(id.value(), server).ok()) {
      state.SkipWithError("filling the history failed");
      return false;
    }
  }
  for (int i = 0; i < frames; ++i) {
    if (!outbox.Enqueue(frame, history + i, {server}).ok()) {
      state.SkipWithError("queueing failed");
      return false;
    }
  }
  return true;
}

// Drains a queue to a loopback server that keeps connections open and answers each request
// after `answer_ms`. The figure covers every request and answer and every outbox update, from
// the forwarder's start until the last frame is confirmed; filling the outbox is not timed, and
// opening it (with its integrity check) is given apart as `open_ms`. `ceiling_per_s` is what
// `in_flight` requests waiting `answer_ms` each allow at best.
void Drain(benchmark::State& state, int frames, int answer_ms, int in_flight, int history) {
  orvelt::testing::SidsTestServer server;
  if (!server.Listen()) {
    state.SkipWithError("no local port");
    return;
  }
  server.Set_Keep_Alive(true);
  server.Set_Default(orvelt::testing::SidsTestServer::Answer::Status(200, {}, answer_ms));
  const std::string url = server.Url().toStdString();
  double open_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto dir = Fresh_Dir("orvelt_bench_outbox_drain");
    if (!Fill_Outbox(dir / "outbox.sqlite", url, frames, history, state)) break;
    orvelt::ForwarderConfig config;
    config.station = {"DL1ABC", 47.1, 12.345, 99999, {{url, true}}, true};
    config.requests_in_flight = in_flight;
    // Opening checks the whole file's integrity, which takes longer the larger the file has
    // grown: timed apart from the drain.
    const auto opening = std::chrono::steady_clock::now();
    auto start = orvelt::Forwarder::Start(config, dir / "outbox.sqlite");
    open_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - opening)
                   .count();
    if (!start.ok()) {
      state.SkipWithError(start.why().c_str());
      break;
    }
    state.ResumeTiming();
    orvelt::Forwarder& forwarder = *start.value();
    const bool done = orvelt::testing::Wait_Until(
        [&] { return forwarder.Status().at(0).counts.waiting == 0; }, 600'000);
    state.PauseTiming();
    const std::string status = forwarder.Status_Text().toStdString();
    start.value().reset();
    std::filesystem::remove_all(dir);
    if (!done) {
      state.SkipWithError(("drain did not finish: " + status).c_str());
      break;
    }
    state.ResumeTiming();
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  if (answer_ms > 0) state.counters["ceiling_per_s"] = in_flight * 1000.0 / answer_ms;
  state.counters["connections"] = server.connections();
  state.counters["open_ms"] =
      open_ms / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}

// A day's backlog against a server 50 ms away: args are the requests in flight per server.
void BM_Drain_20000_From_50ms_Server(benchmark::State& state) {
  Drain(state, 20'000, 50, static_cast<int>(state.range(0)), 0);
}
BENCHMARK(BM_Drain_20000_From_50ms_Server)
    ->Arg(orvelt::kDefaultRequestsInFlight)
    ->Arg(orvelt::kMaxRequestsInFlight)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The outbox's own cost: 5 000 frames to a server that answers at once, from a fresh outbox
// (arg 0, the floor) and from one that already sent 200 000 frames (arg 200000). The two rates
// should be alike: nothing the outbox does may grow with its history.
void BM_Drain_5000_After_History(benchmark::State& state) {
  Drain(state, 5'000, 0, orvelt::kDefaultRequestsInFlight, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_Drain_5000_After_History)
    ->Arg(0)
    ->Arg(200'000)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
