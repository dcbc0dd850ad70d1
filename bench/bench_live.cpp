// Live reception over loopback, as a station meets it:
//   - latency from the last byte of a frame written by a TNC to the value box repainted
//     (median and 99th percentile), one frame every 40 ms;
//   - 20 000 frames/s sustained for 3 s with recording on: every frame received and recorded;
//   - CPU of the window's thread at 10 frames/s (percent of one core);
//   - resident memory over 1 000 000 frames into a full store, with recording.
// The TNC is a thread of its own writing to a plain socket on 127.0.0.1.
// Run it offscreen:  QT_QPA_PLATFORM=offscreen ./bench/bench_live
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "live/live_receiver.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "shown_window.hpp"
#include "tools/capture_writer.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using orvelt::tools::Bytes;

QTemporaryDir* work = nullptr;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Thread_Cpu_Seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long Resident_Kib() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the event loop, without spinning, until `done()` holds.
template <typename Done>
void Run_Until(Done done) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(10);
  loop.exec();
}

// A TNC on 127.0.0.1: accepts one connection and writes what it is told to, from its own thread.
class SocketTnc {
 public:
  SocketTnc() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener_, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~SocketTnc() {
    if (thread_.joinable()) thread_.join();
    if (client_ >= 0) ::close(client_);
    ::close(listener_);
  }
  std::uint16_t Port() const { return port_; }

  // Runs `job(write)` on the TNC's thread once a receiver has connected.
  template <typename Job>
  void Run(Job job) {
    thread_ = std::thread([this, job] {
      client_ = ::accept(listener_, nullptr, nullptr);
      const int one = 1;
      ::setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      job([this](const Bytes& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
          const ssize_t n = ::send(client_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
          if (n <= 0) return;
          at += static_cast<std::size_t>(n);
        }
      });
      done_ = true;
    });
  }
  bool Done() const { return done_; }

 private:
  int listener_ = -1;
  int client_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> done_{false};
};

// The Qt platform reading start-up files from the scratch folder.
class BenchPlatform : public orvelt::QtPlatform {
 public:
  std::filesystem::path Program_Directory() override { return work->path().toStdString(); }
};

std::unique_ptr<orvelt::MainWindow> Shown_Window() {
  return orvelt::bench::Start_Shown_Window(std::make_unique<BenchPlatform>());
}

// Pass frames without their time labels, as a TNC that stamps nothing sends them.
std::vector<Bytes> Pass_Frames(int seconds) {
  std::vector<Bytes> frames;
  orvelt::KissDeframer deframer;
  const Bytes pass = orvelt::tools::Generate_Pass({.seconds = seconds}).bytes();
  deframer.Feed(pass, [&](auto stored, std::size_t) {
    if (stored[0] != orvelt::kTimeLabelCommand) frames.push_back(orvelt::tools::Kiss_Frame(stored));
    return true;
  });
  return frames;
}

void Percentiles(benchmark::State& state, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return;
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  state.counters["max_ms"] = ms.back();
  state.counters["frames"] = static_cast<double>(ms.size());
}

// Last byte written by the TNC to the value box of Battery 0 Volt repainted with the new value.
void BM_Latency_To_Value_Box(benchmark::State& state) {
  constexpr int kFrames = 200;
  constexpr auto kGap = std::chrono::milliseconds(40);
  for (auto _ : state) {
    auto window = Shown_Window();
    auto* box = window->findChild<QLineEdit*>("Text1_3");
    SocketTnc tnc;
    // When the last byte of each frame was written, in nanoseconds of the steady clock.
    std::vector<std::atomic<std::int64_t>> written(kFrames);
    std::vector<double> latency;
    std::atomic<int> next{0};
    QObject::connect(box, &QLineEdit::textChanged, box, [&] {
      box->repaint();
      const int k = next;
      if (k < kFrames && written[static_cast<std::size_t>(k)] != 0) {
        const std::int64_t now = Clock::now().time_since_epoch().count();
        latency.push_back(static_cast<double>(now - written[static_cast<std::size_t>(k)]) / 1e6);
        next = static_cast<int>(latency.size());
      }
    });
    std::atomic<int> sent{0};
    tnc.Run([&](auto write) {
      for (int k = 0; k < kFrames; ++k) {
        std::this_thread::sleep_for(kGap);
        // Each frame a new value, so that the box changes with every one.
        const Bytes frame = orvelt::tools::Kiss_Frame(orvelt::tools::Raw_Word_Record(
            orvelt::kBatteryRecord, 3, static_cast<std::int16_t>(-100 - 3 * k)));
        while (next != k) std::this_thread::yield();
        write(Bytes(frame.begin(), frame.end() - 1));
        written[static_cast<std::size_t>(k)] = Clock::now().time_since_epoch().count();
        write(Bytes{orvelt::kFend});  // the last byte: it completes the frame
        sent = k + 1;
      }
    });
    if (const orvelt::Outcome connected =
            window->Live().Connect_To("127.0.0.1:" + std::to_string(tnc.Port()), {});
        !connected) {
      state.SkipWithError(connected.why().c_str());
      return;
    }
    Run_Until([&] { return tnc.Done() && static_cast<int>(latency.size()) >= sent; });
    window->Live().Disconnect();
    Percentiles(state, latency);
  }
}
BENCHMARK(BM_Latency_To_Value_Box)->Iterations(1)->Unit(benchmark::kMillisecond);

// 20 000 frames per second for 3 s, recording on (synced after every piece received).
void BM_Sustained_20000_Frames_Per_Second(benchmark::State& state) {
  constexpr int kRate = 20000;
  constexpr int kSeconds = 3;
  const std::vector<Bytes> frames = Pass_Frames(600);
  for (auto _ : state) {
    QTemporaryDir dir;
    orvelt::TelemetryState telemetry;
    telemetry.keep_frame_log = false;
    orvelt::LiveReceiver receiver(telemetry);
    receiver.Session().Set_Roll_Over(true);  // decoding goes on past a full store
    SocketTnc tnc;
    tnc.Run([&](auto write) {
      // 20 frames every millisecond, on a schedule that catches up when it falls behind.
      const auto start = Clock::now();
      Bytes batch;
      std::size_t k = 0;
      for (int tick = 0; tick < kRate / 20 * kSeconds; ++tick) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * tick));
        batch.clear();
        for (int j = 0; j < 20; ++j, ++k) {
          const Bytes& f = frames[k % frames.size()];
          batch.insert(batch.end(), f.begin(), f.end());
        }
        write(batch);
      }
    });
    const double cpu0 = Thread_Cpu_Seconds();
    const auto t0 = Clock::now();
    const orvelt::Outcome started =
        receiver.Start(orvelt::TcpAddress{"127.0.0.1", tnc.Port()}, dir.path().toStdString());
    if (!started) state.SkipWithError(started.why().c_str());
    const std::uint64_t expected = std::uint64_t{kRate} * kSeconds;
    Run_Until([&] {
      return receiver.Session().Counts().frames >= expected ||
             Clock::now() - t0 > std::chrono::seconds(kSeconds * 4);
    });
    const double seconds = Ms(Clock::now() - t0) / 1000;
    const double cpu = Thread_Cpu_Seconds() - cpu0;
    const orvelt::LiveCounts counts = receiver.Session().Counts();
    receiver.Stop();
    state.counters["frames_sent"] = static_cast<double>(expected);
    state.counters["frames_received"] = static_cast<double>(counts.frames);
    state.counters["frames_decoded"] = static_cast<double>(counts.decoded);
    state.counters["lost"] = static_cast<double>(expected - counts.frames);
    state.counters["recording_lost"] = static_cast<double>(receiver.Session().Recording().lost);
    state.counters["frames_per_s"] = static_cast<double>(counts.frames) / seconds;
    state.counters["cpu_percent"] = 100 * cpu / seconds;
  }
}
BENCHMARK(BM_Sustained_20000_Frames_Per_Second)->Iterations(1)->Unit(benchmark::kMillisecond);

// The window's thread at 10 frames per second for 10 s, with and without recording.
void BM_Cpu_At_10_Frames_Per_Second(benchmark::State& state) {
  constexpr int kSeconds = 10;
  const std::vector<Bytes> frames = Pass_Frames(60);
  for (auto _ : state) {
    auto window = Shown_Window();
    QTemporaryDir dir;
    SocketTnc tnc;
    tnc.Run([&](auto write) {
      const auto start = Clock::now();
      for (int k = 0; k < 10 * kSeconds; ++k) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(100 * k));
        write(frames[static_cast<std::size_t>(k) % frames.size()]);
      }
    });
    const double cpu0 = Thread_Cpu_Seconds();
    const auto t0 = Clock::now();
    if (const orvelt::Outcome connected = window->Live().Connect_To(
            "127.0.0.1:" + std::to_string(tnc.Port()), dir.path().toStdString());
        !connected) {
      state.SkipWithError(connected.why().c_str());
      return;
    }
    Run_Until([&] { return tnc.Done(); });
    const double seconds = Ms(Clock::now() - t0) / 1000;
    const double cpu = Thread_Cpu_Seconds() - cpu0;
    state.counters["frames"] =
        static_cast<double>(window->Live().Receiver().Session().Counts().frames);
    window->Live().Disconnect();
    state.counters["cpu_percent_of_one_core"] = 100 * cpu / seconds;
  }
}
// Argument: recording on (1) or off (0).
BENCHMARK(BM_Cpu_At_10_Frames_Per_Second)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// 1 000 000 frames into a session whose store fills early, recording on: resident memory after
// the first 100 000 frames and after all of them.
void BM_Memory_Over_A_Million_Frames(benchmark::State& state) {
  const std::vector<Bytes> frames = Pass_Frames(600);
  Bytes piece;
  for (int k = 0; k < 100; ++k)
    piece.insert(piece.end(), frames[std::size_t(k) % frames.size()].begin(),
                 frames[std::size_t(k) % frames.size()].end());
  for (auto _ : state) {
    QTemporaryDir dir;
    orvelt::TelemetryState telemetry;
    orvelt::LiveSession session(telemetry);
    if (const orvelt::Outcome begun = session.Begin(dir.path().toStdString(), 0); !begun) {
      state.SkipWithError(begun.why().c_str());
    }
    long after_100k = 0;
    std::int64_t now = 1796638500000;
    for (int k = 0; k < 10000; ++k, now += 5) {
      session.Feed(piece, now);
      if (k == 999) after_100k = Resident_Kib();
    }
    state.counters["frames"] = static_cast<double>(session.Counts().frames);
    state.counters["store_full"] = session.Store_Full();
    state.counters["rss_kib_at_100k"] = static_cast<double>(after_100k);
    state.counters["rss_kib_at_1M"] = static_cast<double>(Resident_Kib());
    state.counters["rss_growth_kib"] = static_cast<double>(Resident_Kib() - after_100k);
  }
}
BENCHMARK(BM_Memory_Over_A_Million_Frames)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStandardPaths::setTestModeEnabled(true);
  QTemporaryDir dir;
  work = &dir;
  std::ofstream(dir.filePath("conf.ini").toStdString()) << "SCREENSHOT=YES\nHEXFILE=NO\n";
  std::ofstream(dir.filePath("obc_offset.ini").toStdString()) << "0\n";
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
