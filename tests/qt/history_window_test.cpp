// The history window over an archive of a month: the whole month as an envelope with gaps
// between passes, one pass sample by sample, limits in the warning colour, and a double click
// on a pass that loads it into the main window as a capture would be loaded.
// With ORVELT_SCREENSHOT_DIR set, it leaves history_month.png and history_pass.png there.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <optional>

#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "live/live_session.hpp"
#include "qcustomplot.h"
#include "qt/history_window.hpp"
#include "qt/live_archiving.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;

namespace {

constexpr int kPasses = 60;
constexpr int kPassSeconds = 120;
constexpr UtcSeconds kFirst = 1795857240;  // 2026-11-28 09:14:00

int Gaps(const QCPGraph* graph) {
  int gaps = 0;
  for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
    gaps += std::isnan(it->value);
  }
  return gaps;
}

void Screenshot(QWidget* window, const char* name) {
  const QByteArray dir = qgetenv("ORVELT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) QVERIFY(window->grab().save(QString::fromUtf8(dir) + "/" + name));
}

}  // namespace

class HistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(home_.isValid());
    qputenv("XDG_DATA_HOME", home_.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
    // No limits are left from an earlier run: the test mode's settings outlive it.
    QSettings(QStringLiteral("orvelt"), QStringLiteral("orvelt-decoder")).remove("limits");
    // Two passes a day for a month, twelve hours apart.
    std::vector<std::string> files;
    for (int k = 0; k < kPasses; ++k) {
      tools::PassOptions pass;
      pass.seconds = kPassSeconds;
      pass.seed = static_cast<std::uint32_t>(k + 1);
      pass.start = kFirst + k * 43200;
      const QString file = home_.filePath(QStringLiteral("pass%1.kss").arg(k));
      QVERIFY(tools::Generate_Pass(pass).Write_File(file.toStdString()));
      files.push_back(file.toStdString());
    }
    auto archive = Archive::Open(Default_Archive_Path());
    QVERIFY(archive.ok());
    QVERIFY(Add_To_Archive(*archive.value(), files).error.empty());
  }

  void chartsPassesLimitsAndLoadsAPass() {
    auto* platform = new orvelt::testing::ScriptedPlatform;
    MainWindow main(std::unique_ptr<QtPlatform>{platform});
    QVERIFY(main.Start_Up().ok());
    main.show();
    main.findChild<QAction*>("MenuViewHistory")->trigger();
    auto* history = main.findChild<HistoryWindow*>();
    QVERIFY(history);
    QVERIFY(QTest::qWaitForWindowExposed(history));
    history->Show_Range(kFirst - 3600, kFirst + kPasses * 43200);

    // The month: an envelope, broken between passes.
    auto* status = history->findChildren<QLabel*>().last();
    QVERIFY2(status->text().contains("min/max"), qPrintable(status->text()));
    QCOMPARE(history->Plot()->graphCount(), 1);
    QCOMPARE(Gaps(history->Plot()->graph(0)), kPasses - 1);
    QCOMPARE(history->Pass_List()->rowCount(), kPasses);
    Screenshot(history, "history_month.png");

    // The wheel zooms in about the mouse, as far as one pass: then every sample is drawn.
    const QPoint centre = history->Plot()->axisRect()->center();
    const double before = history->Plot()->xAxis->range().size();
    QWheelEvent wheel(centre, history->Plot()->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(history->Plot(), &wheel);
    QVERIFY(history->Plot()->xAxis->range().size() < before);
    history->Show_Range(kFirst, kFirst + kPassSeconds);
    QVERIFY2(status->text().contains("each sample"), qPrintable(status->text()));
    QCOMPARE(history->Plot()->graph(0)->dataCount(), kPassSeconds);

    // Limits of the channel: points beyond them get a graph of the warning colour.
    auto* limits = history->findChild<QLineEdit*>();
    limits->setText("..8.05");
    QTest::keyClick(limits, Qt::Key_Return);
    QCOMPARE(history->Plot()->graphCount(), 2);
    const QCPGraph* warned = history->Plot()->graph(1);
    QVERIFY(warned->dataCount() > 0);
    QCOMPARE(warned->scatterStyle().pen().color(), QColor(220, 40, 40));
    for (auto it = warned->data()->constBegin(); it != warned->data()->constEnd(); ++it) {
      QVERIFY2(it->value > 8.05, qPrintable(QString::number(it->value)));
    }
    // The main window marks its boxes by the same limits at once.
    QCOMPARE(main.App().limits[3].upper, std::optional<double>(8.05));
    Screenshot(history, "history_pass.png");
    limits->clear();
    QTest::keyClick(limits, Qt::Key_Return);
    QVERIFY(!main.App().limits[3].upper);

    // A double click on a pass loads it into the main window, under the store's rules.
    const QRect cell = history->Pass_List()->visualItemRect(history->Pass_List()->item(1, 0));
    QTest::mouseClick(history->Pass_List()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(history->Pass_List()->viewport(), Qt::LeftButton, {}, cell.center());
    QTRY_COMPARE(main.App().telemetry.store.Count(3), kPassSeconds);
    QCOMPARE(main.App().telemetry.store.Label(3, 1), std::string_view("2026-11-28 21:14:00"));
  }

  // The window opens on the whole archive at its own width. A group is charted as the main
  // window's group chart draws it: one envelope per channel in
  // the group's colours, each broken between passes, named in a legend; a channel without a
  // group cannot be charted as one.
  void chartsAGroup() {
    MainWindow main(std::make_unique<orvelt::testing::ScriptedPlatform>());
    HistoryWindow history(main, Default_Archive_Path());
    history.show();
    QVERIFY(QTest::qWaitForWindowExposed(&history));
    // The whole month, first drawn before the window had its width, is drawn again at it.
    QTRY_COMPARE(Gaps(history.Plot()->graph(0)), kPasses - 1);
    history.Select_Channel(52);
    history.Set_Group(true);
    history.Show_Range(kFirst - 3600, kFirst + kPasses * 43200);
    QCustomPlot* plot = history.Plot();
    QCOMPARE(plot->graphCount(), 3);
    QVERIFY(plot->legend->visible());
    const struct {
      const char* caption;
      QColor colour;
    } series[] = {{"Magn X- Axis", QColor(70, 130, 180)},
                  {"Magn Y- Axis", QColor(34, 139, 34)},
                  {"Magn Z- Axis", QColor(176, 48, 96)}};
    for (int k = 0; k < 3; ++k) {
      QCOMPARE(plot->graph(k)->name(), QString::fromUtf8(series[k].caption));
      QCOMPARE(plot->graph(k)->pen().color(), series[k].colour);
      QCOMPARE(Gaps(plot->graph(k)), kPasses - 1);
    }
    QCOMPARE(plot->yAxis->label(), QString::fromUtf8("µT"));

    auto* group = history.findChild<QCheckBox*>();
    history.Select_Channel(28);  // "Pow Supply Curr" has no group
    QVERIFY(!group->isEnabled());
    QCOMPARE(plot->graphCount(), 1);
    QVERIFY(!plot->legend->visible());
  }

  // Live frames reach the archive stamped with their arrival second, only while switched on.
  void liveSessionsGoIntoTheArchive() {
    const std::filesystem::path file = home_.filePath("live.sqlite").toStdString();
    TelemetryState state;
    LiveSession session(state);
    LiveArchiving archiving(session, file, nullptr);
    QVERIFY(session.Begin({}, kFirst * 1000));
    archiving.Set_Enabled(true);
    tools::CaptureBuilder frames;
    frames.Add(tools::Raw_Word_Record(0x2C, 3, 16));
    frames.Add(tools::Raw_Word_Record(0x2C, 8, 16));
    session.Feed(frames.bytes(), kFirst * 1000 + 500);
    archiving.Set_Enabled(false);
    session.Feed(frames.bytes(), kFirst * 1000 + 1500);  // switched off: not archived
    QVERIFY(archiving.Error().empty());
    QCOMPARE(archiving.Counts().added, 2);
    auto archive = Archive::Open(file, false);
    QVERIFY(archive.ok());
    const auto samples = archive.value()->Samples(3, 0, kFirst * 2).value();
    QCOMPARE(samples.size(), std::size_t{1});
    QCOMPARE(samples[0].time, kFirst);
    QCOMPARE(archive.value()->Sources_Within(kFirst, kFirst).value()[0].kind, SourceKind::Live);

    // An archive that cannot be written is said once; reception goes on.
    const QString blocked = home_.filePath("not-a-folder");
    QFile(blocked).open(QIODevice::WriteOnly);
    LiveArchiving failing(session, (blocked + "/archive.sqlite").toStdString(), nullptr);
    QSignalSpy failed(&failing, &LiveArchiving::Failed);
    failing.Set_Enabled(true);
    session.Feed(frames.bytes(), kFirst * 1000 + 2500);
    session.Feed(frames.bytes(), kFirst * 1000 + 3500);
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.first().first().toString().startsWith("archive: "));
  }

 private:
  QTemporaryDir home_;
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
