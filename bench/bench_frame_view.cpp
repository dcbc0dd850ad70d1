// The frame view with a full frame log (100 000 frames): one scroll step (three lines, as a
// wheel notch moves), one page, a jump to the end, and a change of filter, each up to the
// repainted table. Target: < 16 ms per scroll step.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_frame_view

#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "decode/frame_log.hpp"
#include "qt/frame_view.hpp"

namespace {

constexpr int kWheelLines = 3;

// A log as a long pass leaves it: sensor records, counters, messages and foreign frames, with
// now and then a frame that had a problem.
std::unique_ptr<orvelt::FrameLog> Full_Log() {
  auto log = std::make_unique<orvelt::FrameLog>();
  std::array<std::uint8_t, 64> bytes{};
  for (std::size_t i = 0; i < orvelt::FrameLog::kMaxLines; ++i) {
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(i + k);
    orvelt::FrameOutcome outcome;
    const std::size_t kind = i % 4;
    outcome.kind = kind == 0   ? orvelt::FrameKind::Sensor
                   : kind == 1 ? orvelt::FrameKind::Counter
                   : kind == 2 ? orvelt::FrameKind::Message
                               : orvelt::FrameKind::Other;
    outcome.type = kind == 0 ? 0x2D : 0xE1;
    outcome.selector = 13;
    if (i % 97 == 0) outcome.problem = orvelt::FrameProblem::RecordTooShort;
    const std::size_t length = 20 + i % 40;
    log->Append({bytes.data(), length}, "2026-11-28 09:14:01", outcome);
  }
  return log;
}

const orvelt::FrameLog& Log() {
  static const std::unique_ptr<orvelt::FrameLog> log = Full_Log();
  return *log;
}

std::unique_ptr<orvelt::FrameView> Shown_View() {
  auto view = std::make_unique<orvelt::FrameView>(Log());
  view->resize(1100, 700);
  view->show();
  QApplication::processEvents();
  if (view->Table()->model()->rowCount() != static_cast<int>(orvelt::FrameLog::kMaxLines)) {
    std::fprintf(stderr, "the view does not list the whole log\n");
    std::exit(1);
  }
  return view;
}

// Moves the table's scroll bar by `lines` and repaints what came into view.
void Scroll_Steps(benchmark::State& state, int lines) {
  auto view = Shown_View();
  QTableView* table = view->Table();
  QScrollBar* bar = table->verticalScrollBar();
  const int step = lines > 0 ? lines : bar->pageStep();
  for (auto _ : state) {
    const int next = bar->value() + step;
    bar->setValue(next > bar->maximum() ? 0 : next);
    table->viewport()->repaint();
  }
  state.counters["rows"] = table->model()->rowCount();
}

void BM_ScrollStep(benchmark::State& state) {
  Scroll_Steps(state, kWheelLines);
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollPage(benchmark::State& state) {
  Scroll_Steps(state, 0);
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JumpToEndAndBack(benchmark::State& state) {
  auto view = Shown_View();
  QTableView* table = view->Table();
  bool end = false;
  for (auto _ : state) {
    end = !end;
    if (end) {
      table->scrollToBottom();
    } else {
      table->scrollToTop();
    }
    table->viewport()->repaint();
  }
}
BENCHMARK(BM_JumpToEndAndBack)->Unit(benchmark::kMillisecond)->UseRealTime();

// Choosing a filter lists its frames anew from the whole log.
void BM_ChangeFilter(benchmark::State& state) {
  auto view = Shown_View();
  QComboBox* filter = view->Filter_Box();
  int k = 0;
  for (auto _ : state) {
    k = k % (orvelt::kFrameFilterCount - 1) + 1;
    filter->setCurrentIndex(k);
    view->Table()->viewport()->repaint();
  }
}
BENCHMARK(BM_ChangeFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Log();  // built once, outside every measurement
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
