// The history window on a large archive (ORVELT_BENCH_ARCHIVE, default the one bench_archive's
// add leaves: /tmp/orvelt_bench_archive/mission.sqlite), battery 0 voltage:
//   - first draw: the whole mission planned from the buckets and drawn (query, envelope,
//     QCustomPlot replot), the window already open and showing another channel's pass;
//   - opening the window from its menu entry, as its key runs it, to the chart drawn on the
//     screen (shown_ms), and on to the pass list filled with every pass's figures (list_ms): the
//     first open of the run, so that nothing of the archive is in SQLite's cache; against the
//     floor, a window of the same size with an empty chart and an empty list opened the same
//     way (the least a window costs from a key to the screen);
//   - a zoom step (the range shrunk to 4/5 about its middle, from the whole mission down to one
//     pass) and a pan step (a tenth of the range), each planned and drawn;
//   - the same first draw and zoom steps for the magnetometer's group (channels 51, 52, 53: three
//     queries and three envelopes per draw), as "Group" charts it;
//   - following the archive: one commit by another connection, and the window's list, figures
//     and chart read again (what a live session's commit every second costs the open window);
//   - the floor: a replot of what is already drawn, no query.
// Peak resident memory of the whole run is reported as peak_MB. With ORVELT_SCREENSHOT_DIR set,
// it leaves history_mission.png and history_one_pass.png there.
//   QT_QPA_PLATFORM=offscreen bench_history   (or under xvfb-run with xcb)
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "archive/archive.hpp"
#include "qcustomplot.h"
#include "qt/history_window.hpp"
#include "qt/main_window.hpp"
#include "shown_window.hpp"

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

// The main window shown, as a person has it before opening History from its menu.
orvelt::MainWindow& Main() {
  static orvelt::MainWindow* main =
      orvelt::bench::Start_Shown_Window(std::make_unique<orvelt::QtPlatform>()).release();
  return *main;
}

// Notes the first paint of a chart in the window `opened` names, after Arm().
class FirstPaint : public QObject {
 public:
  void Arm(std::function<QWidget*()> opened) {
    opened_ = std::move(opened);
    painted_ = false;
  }
  bool Painted() const { return painted_; }
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!painted_ && event->type() == QEvent::Paint) {
      auto* plot = qobject_cast<QCustomPlot*>(object);
      if (plot != nullptr && plot->window() == opened_()) painted_ = true;
    }
    return false;
  }

 private:
  std::function<QWidget*()> opened_;
  bool painted_ = true;
};

// From the trigger of a menu entry to the first paint of the chart of the window it opens
// (`opened` names it once it exists), and on until `done` says that window is complete.
void Key_To_Screen(benchmark::State& state, QAction& action,
                   const std::function<QWidget*()>& opened, const std::function<bool()>& done) {
  static auto* painted = [] {
    auto* filter = new FirstPaint;
    qApp->installEventFilter(filter);
    return filter;
  }();
  double shown_ms = 0, complete_ms = 0;
  for (auto _ : state) {
    painted->Arm(opened);
    QElapsedTimer clock;
    clock.start();
    action.trigger();
    while (!painted->Painted()) QApplication::processEvents();
    shown_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    while (!done()) QApplication::processEvents();
    complete_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    state.PauseTiming();
    delete opened();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["shown_ms"] = shown_ms;
  state.counters["complete_ms"] = complete_ms;
}

QSize g_history_size(1100, 600);

// View / History, the first time in the run.
void Open_Window(benchmark::State& state) {
  auto* action = Main().findChild<QAction*>(QStringLiteral("MenuViewHistory"));
  int passes = 0;
  const auto opened = [] { return Main().findChild<orvelt::HistoryWindow*>(); };
  const auto complete = [&] {
    auto* w = Main().findChild<orvelt::HistoryWindow*>();
    if (w == nullptr || w->Pass_List()->rowCount() == 0) return false;
    passes = w->Pass_List()->rowCount();
    g_history_size = w->size();
    return true;
  };
  Key_To_Screen(state, *action, opened, complete);
  state.counters["passes"] = passes;
}

// The floor: a window of History's size holding an empty chart and an empty list, opened from a
// menu entry of the main window.
void Open_Floor(benchmark::State& state) {
  QAction action;
  QPointer<QWidget> window;
  QObject::connect(&action, &QAction::triggered, [&] {
    window = new QWidget(&Main(), Qt::Window);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QCustomPlot(window), 3);
    layout->addWidget(new QTableWidget(window), 2);
    window->resize(g_history_size);
    window->show();
  });
  Key_To_Screen(
      state, action, [&]() -> QWidget* { return window; }, [] { return true; });
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

void Follow_Step(benchmark::State& state) {
  orvelt::HistoryWindow& w = Window();
  w.Show_Span(orvelt::HistorySpan::Day);
  auto writer = orvelt::Archive::Open(Archive_File(), false);
  if (!writer.ok()) return state.SkipWithError(writer.why().c_str());
  orvelt::UtcSeconds mark = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!writer.value()->Set_Fetched_Until("bench", 99999, ++mark)) {
      return state.SkipWithError("cannot write");
    }
    state.ResumeTiming();
    w.Follow_Archive();
  }
}

void Replot_Floor(benchmark::State& state) {
  orvelt::HistoryWindow& w = Window();
  for (auto _ : state) w.Plot()->replot(QCustomPlot::rpImmediateRefresh);
}

BENCHMARK(Open_Window)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(Open_Floor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(First_Draw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Zoom_Steps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(First_Draw_Group)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Zoom_Steps_Group)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(Pan_Steps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Follow_Step)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Replot_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // View / History opens the archive of the user's data folder, the benchmark's here, where the
  // window also finds its start-up files.
  QTemporaryDir data;
  QDir(data.path()).mkpath(QStringLiteral("orvelt"));
  QFile::link(QString::fromStdString(std::filesystem::absolute(Archive_File()).string()),
              data.filePath(QStringLiteral("orvelt/archive.sqlite")));
  std::ofstream(data.filePath(QStringLiteral("orvelt/conf.ini")).toStdString())
      << "SCREENSHOT=YES\nHEXFILE=NO\n";
  std::ofstream(data.filePath(QStringLiteral("orvelt/obc_offset.ini")).toStdString()) << "0\n";
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
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
