#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "qt/frame_view.hpp"
#include "qt/load_monitor.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"
#include "support/test_font.hpp"

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
  // The window's export writes exactly what orvelt-dump writes for the same capture.
  void csvExportEqualsTheDumpTool() {
    auto window = Started_Window();
    window->Load_Files({kSample});
    QTemporaryDir dir;
    const QString path = dir.filePath("export.csv");
    QCOMPARE(window->Export_Csv(path).why(), std::string());
    QProcess dump;
    dump.start(ORVELT_DUMP_BINARY, {QString::fromStdString(kSample)});
    QVERIFY(dump.waitForFinished(30000));
    QCOMPARE(dump.exitCode(), 0);
    QFile exported(path);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QByteArray csv = exported.readAll();
    QVERIFY(csv.count('\n') > 1000);
    QCOMPARE(csv, dump.readAllStandardOutput());
    QVERIFY(!window->Export_Csv(dir.filePath("missing/export.csv")).ok());
  }

  // The frame view lists every logged frame with its file, its number there and what became of
  // it, filtered by kind; it opens wholly on the screen.
  void frameViewListsTheLog() {
    auto window = Started_Window();
    window->show();
    window->Load_Files({kSample});
    const FrameLog& log = window->App().telemetry.frame_log;
    FrameView* view = window->Show_Frame_View();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(view->screen()->availableGeometry().contains(view->frameGeometry()));
    QTableView* table = view->Table();
    QCOMPARE(table->model()->rowCount(), static_cast<int>(log.size()));
    const int last = table->model()->rowCount() - 1;
    QCOMPARE(table->model()->index(last, FrameLogModel::kFile).data().toString(),
             QStringLiteral("pass.kss"));
    QCOMPARE(table->model()->index(last, FrameLogModel::kNumber).data().toString(),
             QString::number(window->App().last_load.files.at(0).frames));
    const QModelIndex first_bytes = table->model()->index(0, FrameLogModel::kBytes);
    QCOMPARE(first_bytes.data().toString().toStdString(), log.Line(0));
    const int messages = static_cast<int>(Filter_Frames(log, FrameFilter::Messages).size());
    QVERIFY(messages > 0 && messages < static_cast<int>(log.size()));
    view->Filter_Box()->setCurrentIndex(static_cast<int>(FrameFilter::Messages));
    QCOMPARE(table->model()->rowCount(), messages);
    QCOMPARE(table->model()->index(0, FrameLogModel::kOutcome).data().toString(),
             QStringLiteral("message"));
    // A new load refreshes the open view and keeps its filter.
    window->Load_Files({kSample, kSample});
    QCOMPARE(table->model()->rowCount(),
             static_cast<int>(Filter_Frames(log, FrameFilter::Messages).size()));
    // Each file of a load numbers its frames from 1 again, as the load report does.
    const int rows = table->model()->rowCount();
    QCOMPARE(table->model()->index(rows - 1, FrameLogModel::kNumber).data(),
             table->model()->index(rows - 1 - messages, FrameLogModel::kNumber).data());
  }

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

  // Every load goes to the front of "Recent files", which loads it again, and the open dialog
  // starts in the folder of the last capture.
  void recentFilesAndLastFolder() {
    auto window = Started_Window();
    window->Load_Files({kSample});
    auto* recent = window->findChild<QMenu*>("MenuRecent");
    QVERIFY(recent->isEnabled());
    QAction* first = recent->actions().value(0);
    QVERIFY(first && first->text().endsWith(QStringLiteral("pass.kss")));
    window->App().telemetry.store.Reset_Store();
    first->trigger();
    QVERIFY(window->App().telemetry.store.Count(3) > 0);
    QCOMPARE(QSettings().value(kLastFolderSetting).toString(), QStringLiteral(ORVELT_SAMPLE_DIR));
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::WindowToolsTest)
#include "window_tools_test.moc"
