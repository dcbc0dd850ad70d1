// Timings of the main window as the user meets them, each up to the painted window:
//   - "Open Kissfile" of a capture that fills the store (5000 samples on every decoded channel),
//     the first open in a fresh window each time;
//   - one step of the scroll bar over the full store;
//   - start-up (conf.ini, obc_offset.ini, every control) to the shown window, in-process; the
//     whole process start is timed by bench_process.
// Run it offscreen:  QT_QPA_PLATFORM=offscreen ./bench/bench_window
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "qt/main_window.hpp"
#include "shown_window.hpp"
#include "tools/capture_writer.hpp"

namespace {

QTemporaryDir* work = nullptr;  // start-up files and the capture, for the whole run
std::string full_capture;

void Write_Text(const QString& path, const QByteArray& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

void Prepare_Files() {
  Write_Text(work->filePath("conf.ini"), "SCREENSHOT=YES\nHEXFILE=NO\n");
  Write_Text(work->filePath("obc_offset.ini"), "0\n");
  orvelt::tools::PassOptions options;
  options.fill = true;
  full_capture = work->filePath("full.kss").toStdString();
  if (!orvelt::tools::Generate_Pass(options).Write_File(full_capture)) {
    std::fprintf(stderr, "cannot write %s\n", full_capture.c_str());
    std::exit(1);
  }
}

// The Qt platform reading start-up files from the scratch folder; its file dialog picks the
// full capture.
class BenchPlatform : public orvelt::QtPlatform {
 public:
  std::optional<std::string> Show_Open_Dialog(const orvelt::OpenDialogSettings&) override {
    return full_capture;
  }
  std::filesystem::path Program_Directory() override { return work->path().toStdString(); }
};

std::unique_ptr<orvelt::MainWindow> Shown_Window() {
  return orvelt::bench::Start_Shown_Window(std::make_unique<BenchPlatform>());
}

std::unique_ptr<orvelt::MainWindow> Window_With_Full_Store() {
  auto window = Shown_Window();
  window->Load_Files({full_capture});
  if (window->App().telemetry.store.Count(3) != 5000) {
    std::fprintf(stderr, "the capture does not fill the store\n");
    std::exit(1);
  }
  return window;
}

// The first open of a capture into a freshly started window, as a user meets it: a re-open of
// the same capture into the same window would find every cache warm.
void BM_FileOpenToRenderedWindow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto window = Shown_Window();
    QAction* open = window->findChild<QAction*>("MenuFileOpen");
    state.ResumeTiming();
    open->trigger();
    window->repaint();
    state.PauseTiming();
    if (window->App().telemetry.store.Count(53) != 5000) state.SkipWithError("store not filled");
    window.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FileOpenToRenderedWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollStep(benchmark::State& state) {
  auto window = Window_With_Full_Store();
  auto* scroll = window->findChild<QScrollBar*>("HScroll1");
  int position = 1;
  for (auto _ : state) {
    position = position % 5000 + 1;
    scroll->setValue(position);
    QApplication::processEvents();  // paints what the step changed
  }
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_StartUpToShownWindow(benchmark::State& state) {
  for (auto _ : state) {
    auto window = Shown_Window();
    state.PauseTiming();
    window.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The offscreen platform says for every shown window that it cannot size it to its hints.
void Quiet_Platform_Notes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg && text.contains(QLatin1String("does not support"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(text));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(Quiet_Platform_Notes);
  QApplication app(argc, argv);
  QTemporaryDir dir;
  work = &dir;
  Prepare_Files();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
