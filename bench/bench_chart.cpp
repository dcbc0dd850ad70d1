// Chart speed: building the magnetometer chart model (three series of 5000 samples) and
// drawing it at the design size of the chart area, as bars and as lines. Run it offscreen:
//   QT_QPA_PLATFORM=offscreen ./bench/bench_chart
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include <cstdlib>
#include <memory>

#include "charts/chart_routines.hpp"
#include "charts/selection.hpp"
#include "ingest/capture_reader.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "tools/capture_writer.hpp"

namespace {

// 9135 x 4335 twips at 15 twips per pixel.
constexpr int kChartWidth = 609;
constexpr int kChartHeight = 289;

// A pass long enough to fill every decoded channel to 5000 samples, loaded as the program
// loads a capture file.
orvelt::AppState& Full_App() {
  static const std::unique_ptr<orvelt::AppState> app = [] {
    auto state = std::make_unique<orvelt::AppState>();
    orvelt::tools::PassOptions options;
    options.fill = true;
    const auto bytes = orvelt::tools::Generate_Pass(options).bytes();
    orvelt::Take_Kiss_Bytes(state->telemetry, bytes);
    return state;
  }();
  return *app;
}

bool Check_Full(benchmark::State& state, orvelt::AppState& app) {
  for (int c = 51; c <= 53; ++c) {
    if (app.telemetry.store.Count(c) != orvelt::kSeriesCapacity) {
      state.SkipWithError("the generated pass did not fill the magnetometer channels");
      return false;
    }
  }
  return true;
}

void BM_Model_Only(benchmark::State& state) {
  orvelt::AppState& app = Full_App();
  if (!Check_Full(state, app)) return;
  for (auto _ : state) {
    orvelt::Draw_Mag_Chart(app, 51);
    benchmark::DoNotOptimize(app.form.MSChart2.data.data());
  }
}

// Model, plottables, layout and painting of every bar or line, then the widget's picture; the
// same work as a click on a magnetometer selector with Shift down.
void Model_And_Drawing(benchmark::State& state, bool bars) {
  orvelt::AppState& app = Full_App();
  if (!Check_Full(state, app)) return;
  app.form.Check1 = bars ? 1 : 0;
  orvelt::Check1_Click(app);
  orvelt::ChartWidget widget;
  widget.resize(kChartWidth, kChartHeight);
  widget.show();
  QApplication::processEvents();
  for (auto _ : state) {
    orvelt::Draw_Mag_Chart(app, 51);
    widget.Render(app.form.MSChart2);  // new revision: rebuilds and replots at once
    QPixmap picture = widget.grab();
    benchmark::DoNotOptimize(picture.cacheKey());
    state.PauseTiming();
    QApplication::processEvents();  // queued repaints must not pile up
    state.ResumeTiming();
  }
  state.counters["rows"] = app.form.MSChart2.row_count;
  state.counters["series"] = app.form.MSChart2.column_count;
}

void BM_Model_And_Bars(benchmark::State& state) {
  Model_And_Drawing(state, true);
}
void BM_Model_And_Lines(benchmark::State& state) {
  Model_And_Drawing(state, false);
}

BENCHMARK(BM_Model_Only)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Model_And_Bars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Model_And_Lines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt_app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
