// The history window on a large archive (ORVELT_BENCH_ARCHIVE, default the one bench_archive's
// add leaves: /tmp/orvelt_bench_archive/mission.sqlite), battery 0 voltage:
//   - first draw: the whole mission planned from the buckets and drawn (query, envelope,
//     QCustomPlot replot), the window already open and showing another channel's pass;
//   - opening the window: the above plus the pass list with each pass's figures;
//   - a zoom step (the range shrunk to 4/5 about its middle, from the whole mission down to one
//     pass) and a pan step (a tenth of the range), each planned and drawn;
//   - the same first draw and zoom steps for the magnetometer's group (channels 51, 52, 53: three
//     queries and three envelopes per draw), as "Group" charts it;
//   - the floor: a replot of what is already drawn, no query.
// Peak resident memory of the whole run is reported as peak_MB. With ORVELT_SCREENSHOT_DIR set,
// it leaves history_mission.png and history_one_pass.png there.
//   QT_QPA_PLATFORM=offscreen bench_history   (or under xvfb-run with xcb)
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "archive/archive.hpp"
#include "qcustomplot.h"
#include "qt/history_window.hpp"
#include "qt/main_window.hpp"

namespace {

using orvelt::UtcSeconds;

std::filesystem::path Archive_File() {
  const char* file = std::getenv("ORVELT_BENCH_ARCHIVE");
  return file ? file : "/tmp/orvelt_bench_archive/mission.sqlite";
}

double Peak_Mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return 0;
}

struct Mission {
  UtcSeconds first = 0, last = 0;
  orvelt::PassSpan pass;
};

const Mission& Range() {
  static const Mission mission = [] {
    Mission m;
    auto archive = orvelt::Archive::Open(Archive_File(), false);
    if (!archive.ok()) return m;
    const auto stats = archive.value()->Stats().value();
    m.first = stats.first.value_or(0);
    m.last = stats.last.value_or(0);
    const auto passes = archive.value()->Passes(m.first, m.last).value();
    if (!passes.empty()) m.pass = passes[passes.size() / 2];
    return m;
  }();
  return mission;
}

orvelt::MainWindow& Main() {
  static orvelt::MainWindow* main = new orvelt::MainWindow;
  return *main;
}

orvelt::HistoryWindow& Window() {
  static orvelt::HistoryWindow* window = [] {
    auto* w = new orvelt::HistoryWindow(Main(), Archive_File());
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->show();
    QApplication::processEvents();
    return w;
  }();
  return *window;
}

void Screenshot(QWidget& window, const char* name) {
  const char* dir = std::getenv("ORVELT_SCREENSHOT_DIR");
  if (dir) window.grab().save(QString::fromUtf8(dir) + "/" + name);
}

void Open_Window(benchmark::State& state) {
  for (auto _ : state) {
    auto* w = new orvelt::HistoryWindow(Main(), Archive_File());
    w->show();
    QApplication::processEvents();
    state.counters["passes"] = w->Pass_List()->rowCount();
    delete w;
  }
}

// Channel `channel` (with its group when `group`) over the whole mission, drawn after another
// channel's pass.
void Draw_Whole_Mission(benchmark::State& state, int channel, bool group) {
  orvelt::HistoryWindow& w = Window();
  const Mission& m = Range();
  for (auto _ : state) {
    // Another channel first, so that nothing of the drawn channels is left in SQLite's cache.
    state.PauseTiming();
    w.Set_Group(false);
    w.Select_Channel(8);
    w.Show_Range(m.pass.start, m.pass.end);
    w.Select_Channel(channel);
    w.Set_Group(group);
    state.ResumeTiming();
    w.Show_Range(m.first - 3600, m.last + 3600);
  }
  Screenshot(w, group ? "history_mission_group.png" : "history_mission.png");
  w.Set_Group(false);
  state.counters["peak_MB"] = Peak_Mb();
}

void First_Draw(benchmark::State& state) {
  Draw_Whole_Mission(state, 3, false);
}

void First_Draw_Group(benchmark::State& state) {
  Draw_Whole_Mission(state, 51, true);
}

// From the whole mission down to one pass, the range shrunk to 4/5 about the pass each step.
void Zoom_Down(benchmark::State& state, int channel, bool group) {
  orvelt::HistoryWindow& w = Window();
  const Mission& m = Range();
  w.Select_Channel(channel);
  w.Set_Group(group);
  int steps = 0;
  for (auto _ : state) {
    double from = static_cast<double>(m.first), to = static_cast<double>(m.last);
    while (to - from > 600) {
      const double middle = static_cast<double>(m.pass.start + m.pass.end) / 2;
      const double half = (to - from) * 0.4;
      from = middle - half;
      to = middle + half;
      w.Show_Range(static_cast<UtcSeconds>(from), static_cast<UtcSeconds>(to));
      ++steps;
    }
  }
  state.counters["steps"] = steps;
  state.counters["s_per_step"] =
      benchmark::Counter(steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  w.Show_Range(m.pass.start - 60, m.pass.end + 60);
  Screenshot(w, group ? "history_one_pass_group.png" : "history_one_pass.png");
  w.Set_Group(false);
  w.Select_Channel(3);
  state.counters["peak_MB"] = Peak_Mb();
}

void Zoom_Steps(benchmark::State& state) {
  Zoom_Down(state, 3, false);
}

void Zoom_Steps_Group(benchmark::State& state) {
  Zoom_Down(state, 51, true);
}

void Pan_Steps(benchmark::State& state) {
  orvelt::HistoryWindow& w = Window();
  const Mission& m = Range();
  const UtcSeconds width = 7 * 86400;
  UtcSeconds from = m.first;
  int steps = 0;
  for (auto _ : state) {
    from += width / 10;
    if (from + width > m.last) from = m.first;
    w.Show_Range(from, from + width);
    ++steps;
  }
  state.counters["peak_MB"] = Peak_Mb();
}

void Replot_Floor(benchmark::State& state) {
  orvelt::HistoryWindow& w = Window();
  for (auto _ : state) w.Plot()->replot(QCustomPlot::rpImmediateRefresh);
}

BENCHMARK(Open_Window)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(First_Draw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Zoom_Steps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(First_Draw_Group)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Zoom_Steps_Group)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(Pan_Steps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Replot_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (Range().last == 0) {
    std::fprintf(stderr, "bench_history: no archive at %s: run bench_archive first\n",
                 Archive_File().c_str());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
