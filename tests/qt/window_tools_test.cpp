#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "qt/load_monitor.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"
#include "support/test_font.hpp"
#include "window/navigation.hpp"

namespace orvelt {
namespace {

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

std::unique_ptr<MainWindow> Started_Window() {
  auto window = std::make_unique<MainWindow>(std::make_unique<testing::ScriptedPlatform>(), nullptr,
                                             testing::Test_Font_Families());
  if (!window->Start_Up()) qFatal("start-up failed");
  return window;
}

// Reads in small chunks and takes a while over each frame, so that a load of a few samples
// outlasts the delay before its progress shows.
void Slow_Down_Loads(AppState& app) {
  app.load_options.chunk_bytes = 512;
  app.load_options.on_frame = [](const FrameEvent&) {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  };
}

}  // namespace

class WindowToolsTest : public QObject {
  Q_OBJECT

 private slots:
  // Recent files and the last folder go to a scratch settings file, not the user's.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  // A long load shows its progress; Cancel keeps what was read and the status line says so;
  // a click made meanwhile is dropped, not replayed after the load.
  void longLoadShowsProgressAndCancels() {
    auto window = Started_Window();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    AppState& app = window->App();
    Slow_Down_Loads(app);
    bool dialog_seen = false;
    QTimer::singleShot(LoadMonitor::kShowAfterMs + 200, window.get(), [&] {
      QProgressDialog* dialog = window->Load_Monitor().Dialog();
      // Shown, and centred on the window whose load it shows.
      dialog_seen =
          dialog != nullptr && dialog->isVisible() &&
          (dialog->frameGeometry().center() - window->frameGeometry().center()).manhattanLength() <=
              2;
      QTest::mouseClick(window->findChild<QRadioButton*>("Option1_3"), Qt::LeftButton);
      if (dialog) QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    });
    window->Load_Files({kSample, kSample, kSample});
    QVERIFY(dialog_seen);
    QVERIFY(app.last_load.cancelled);
    QVERIFY(app.telemetry.store.Count(3) > 0);
    QVERIFY(app.form.Label3.find("cancelled") != std::string::npos);
    QVERIFY(!window->Load_Monitor().Loading());
    // The record bar reaches over what was read, no further.
    QCOMPARE(window->findChild<QScrollBar*>("HScroll1")->maximum(),
             Last_Record(app.telemetry.store));
    QCoreApplication::processEvents();
    QVERIFY(!window->findChild<QRadioButton*>("Option1_3")->isChecked());
    QCOMPARE(app.form.Frame5, std::string());
  }

  // Closing the window during a load ends the load at its next chunk.
  void closingTheWindowEndsALoad() {
    auto window = Started_Window();
    window->show();
    AppState& app = window->App();
    Slow_Down_Loads(app);
    QTimer::singleShot(100, window.get(), [&] { window->close(); });
    window->Load_Files({kSample, kSample, kSample});
    QVERIFY(app.last_load.cancelled);
    QVERIFY(!window->isVisible());
  }

  // A file name that is no valid UTF-8 loads like any other.
  void nameThatIsNoUtf8Loads() {
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/pass\xE9\xFF.kss";
    std::filesystem::copy_file(kSample, name);
    auto window = Started_Window();
    window->Load_Files({name});
    QVERIFY(window->App().last_load.files.at(0).error == FileError::None);
    QVERIFY(window->App().telemetry.store.Count(3) > 0);
  }

  // The open dialog starts in the folder of the last capture ("Recent files" is a journey).
  void lastFolderIsKept() {
    auto window = Started_Window();
    window->Load_Files({kSample});
    QCOMPARE(QSettings().value(kLastFolderSetting).toString(), QStringLiteral(ORVELT_SAMPLE_DIR));
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::WindowToolsTest)
#include "window_tools_test.moc"
