// View / History in a person's hands: opened from the menu with the keyboard, its time-range
// buttons and passes clicked, a pass loaded by a double click, and the window left open while
// the archive grows, all through real events on a virtual X server.

#include <QtTest>

#include <unistd.h>

#include <cmath>
#include <memory>
#include <optional>

#include "archive/archive.hpp"
#include "archive/history_view.hpp"
#include "charts/chart_routines.hpp"
#include "journey/journey_steps.hpp"
#include "qcustomplot.h"
#include "qt/capture_archiving.hpp"
#include "qt/history_window.hpp"
#include "qt/main_window.hpp"
#include "qt/warning_colour.hpp"
#include "tools/capture_writer.hpp"

namespace {

using orvelt::HistorySpan;
using orvelt::HistoryWindow;
using orvelt::MainWindow;
using orvelt::PassSpan;
using orvelt::TimeRange;
using orvelt::UtcSeconds;
using namespace orvelt::journey;

constexpr UtcSeconds kStart = 1795857240;  // 2026-11-28 09:14:00 UTC
constexpr UtcSeconds kDay = 86400;
constexpr int kPatienceMs = 10000;

// The time range the chart shows, in whole seconds.
TimeRange Shown(HistoryWindow* history) {
  const QCPRange range = history->Plot()->xAxis->range();
  return {static_cast<UtcSeconds>(std::llround(range.lower)),
          static_cast<UtcSeconds>(std::llround(range.upper))};
}

// Breaks in a graph: the samples that are no number.
int Gaps(const QCPGraph* graph) {
  int gaps = 0;
  for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
    gaps += std::isnan(it->value);
  }
  return gaps;
}

// The read-out under the mouse, or empty while none is shown.
QString Readout(HistoryWindow* history) {
  QCustomPlot* plot = history->Plot();
  for (int k = 0; k < plot->itemCount(); ++k) {
    auto* text = qobject_cast<QCPItemText*>(plot->item(k));
    if (text != nullptr && text->visible()) return text->text();
  }
  return {};
}

struct Journey {
  QTemporaryDir dir;
  QTemporaryDir data;  // the user's data folder, where the archive lives
  std::unique_ptr<MainWindow> window;

  Journey() {
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    window = Started_Window(dir.path());
  }
  ~Journey() {
    window.reset();
    qunsetenv("XDG_DATA_HOME");
  }

  // A capture of a pass of `seconds` from `start`.
  std::string Write(UtcSeconds start, int seconds, std::uint32_t seed) {
    const std::string path = dir.filePath(QStringLiteral("pass%1.kss").arg(start)).toStdString();
    orvelt::tools::PassOptions pass{.start = start, .seconds = seconds, .seed = seed};
    if (!orvelt::tools::Generate_Pass(pass).Write_File(path)) qFatal("no file");
    return path;
  }
  std::vector<PassSpan> Passes() {
    auto archive = orvelt::Archive::Open(orvelt::Default_Archive_Path(), false);
    if (!archive.ok()) return {};
    return archive.value()->Passes(0, std::int64_t{1} << 40).value();
  }
};

}  // namespace

class HistoryJourneyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { Prepare_Journeys(); }

  // The window opens wholly on the screen, on the last pass's day; each time-range button shows
  // its stretch up to the last pass, the whole mission as envelopes broken between passes, a
  // pass sample by sample; the wheel makes the range the user's own; the mouse over a pass reads
  // its time and value; the figures stand before the sources. Limits typed in mark the points
  // beyond them, and the main window's boxes at once. The magnetometer picked from the channel
  // list with the mouse charts its group in the main window's group colours. A click on a pass
  // zooms to it; a double click loads it into the main window, written to a folder only this
  // user can enter: a link planted where a shared folder once stood is left alone.
  void rangesLimitsGroupsAndPasses() {
    QTemporaryDir temp, elsewhere;
    const QByteArray old_temp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    QVERIFY(QFile::link(elsewhere.path(), QDir(temp.path()).filePath("orvelt-passes")));
    Journey j;
    Archive_Elsewhere({j.Write(kStart, 40, 1), j.Write(kStart + 10 * kDay + 3600, 60, 2),
                       j.Write(kStart + 20 * kDay + 7200, 60, 3)});
    const std::vector<PassSpan> passes = j.Passes();
    QCOMPARE(passes.size(), std::size_t{3});
    HistoryWindow* history = nullptr;
    Open_History(*j.window, 3, history);
    QVERIFY(history->screen()->availableGeometry().contains(history->frameGeometry()));
    QCOMPARE(Shown(history), *orvelt::Span_Range(HistorySpan::Day, passes));
    QVERIFY(Button(history, "&Day")->isChecked());
    QCustomPlot* plot = history->Plot();
    QTableWidget* list = history->Pass_List();
    QCOMPARE(list->horizontalHeaderItem(3)->text(), QString("Battery 0 Volt min"));
    QCOMPARE(list->horizontalHeaderItem(6)->text(), QString("Outside limits"));
    QCOMPARE(list->horizontalHeaderItem(7)->text(), QString("Sources"));
    QVERIFY(list->item(2, 7)->text().endsWith(QString("pass%1.kss").arg(passes[2].start)));
    // A pass's mean shows six digits; its tooltip holds the stored value exactly.
    const QTableWidgetItem* mean = list->item(0, 5);
    QCOMPARE(mean->text(), QString::number(mean->toolTip().toDouble(), 'g', 6));
    QVERIFY2(mean->toolTip().size() > mean->text().size(), qPrintable(mean->toolTip()));

    const struct {
      const char* button;
      HistorySpan span;
    } steps[] = {{"Whole &mission", HistorySpan::Mission},
                 {"&Week", HistorySpan::Week},
                 {"&Month", HistorySpan::Month},
                 {"&Day", HistorySpan::Day},
                 {"&Last pass", HistorySpan::Last_Pass}};
    for (const auto& [text, span] : steps) {
      QPushButton* button = Button(history, text);
      QVERIFY2(button != nullptr, text);
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(Shown(history), *orvelt::Span_Range(span, passes));
      for (const auto& other : steps) {
        QCOMPARE(Button(history, other.button)->isChecked(), other.span == span);
      }
      if (span == HistorySpan::Mission) QTRY_COMPARE(Gaps(plot->graph(0)), 2);
    }
    QCOMPARE(plot->graph(0)->dataCount(), 60);  // the last pass, every sample

    // Over the last pass, the read-out names the second under the mouse and its value.
    const QPoint centre = plot->axisRect()->center();
    const UtcSeconds t = passes[2].start + 30;
    const QPoint over(static_cast<int>(plot->xAxis->coordToPixel(static_cast<double>(t) + 0.5)),
                      centre.y());
    QTest::mouseMove(plot, over);
    // The read-out of the mouse's last place may still stand until this move is taken.
    QTRY_VERIFY2(Readout(history).startsWith("2026-12-18 11:14:30 UTC"),
                 qPrintable(Readout(history)));
    QVERIFY(Readout(history).contains("Battery 0 Volt: "));
    QTest::mouseMove(list->viewport(), list->viewport()->rect().center());
    QTRY_VERIFY(Readout(history).isEmpty());

    // The wheel zooms about the mouse: no button stands for that range.
    QTest::mouseMove(plot, centre);
    const UtcSeconds before = Shown(history).to - Shown(history).from;
    QWheelEvent wheel(centre, plot->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QVERIFY(Shown(history).to - Shown(history).from < before);
    for (const auto& step : steps) QVERIFY(!Button(history, step.button)->isChecked());

    // Limits of the channel: points beyond them get a graph of the main window's warning colour.
    const double upper =
        (list->item(2, 3)->text().toDouble() + list->item(2, 4)->text().toDouble()) / 2;
    auto* limits = history->findChild<QLineEdit*>();
    Type_Into(limits, ".." + QString::number(upper));
    QTest::keyClick(Keys(), Qt::Key_Return);
    QTRY_COMPARE(plot->graphCount(), 2);
    const QCPGraph* warned = plot->graph(1);
    QVERIFY(warned->dataCount() > 0);
    QCOMPARE(warned->scatterStyle().pen().color(), orvelt::Window_Colour(orvelt::kTextWarning));
    for (auto it = warned->data()->constBegin(); it != warned->data()->constEnd(); ++it) {
      QVERIFY2(it->value > upper, qPrintable(QString::number(it->value)));
    }
    QCOMPARE(j.window->App().limits[3].upper,
             std::optional<double>(QString::number(upper).toDouble()));
    Type_Into(limits, "");
    QTest::keyClick(Keys(), Qt::Key_Delete);
    QTest::keyClick(Keys(), Qt::Key_Return);
    QTRY_VERIFY(!j.window->App().limits[3].upper);

    // The list opens under the mouse and the magnetometer's Y axis is clicked in it.
    auto* channels = history->findChild<QComboBox*>();
    auto* group = history->findChild<QCheckBox*>();
    QTest::mouseClick(channels, Qt::LeftButton);
    QAbstractItemView* choices = channels->view();
    QTRY_VERIFY_WITH_TIMEOUT(choices->isVisible(), kPatienceMs);
    const QModelIndex y_axis = channels->model()->index(channels->findData(52), 0);
    choices->scrollTo(y_axis);
    // A list that has just opened takes no click for a double-click interval, as for a person.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QPoint item = choices->visualRect(y_axis).center();
    QTest::mouseMove(choices->viewport(), item);
    QTest::mouseClick(choices->viewport(), Qt::LeftButton, {}, item);
    QTRY_COMPARE_WITH_TIMEOUT(channels->currentData().toInt(), 52, kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(!choices->isVisible(), kPatienceMs);
    QCOMPARE(plot->graphCount(), 1);
    QVERIFY(plot->yAxis->label().endsWith(QString::fromUtf8("(µT)")));
    // Ticked, the three axes in a legend in the group's colours; unticked, the chosen one alone.
    QTest::mouseClick(group, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 3, kPatienceMs);
    const orvelt::ChartGroup magnetometer = orvelt::Chart_Group(52);
    for (int k = 0; k < 3; ++k) {
      const orvelt::Rgb colour = magnetometer.colours[std::size_t(k)];
      QCOMPARE(plot->graph(k)->pen().color(), QColor(colour.red, colour.green, colour.blue));
      QCOMPARE(plot->graph(k)->name(), QStringLiteral("Magn %1- Axis").arg(QChar('X' + k)));
      QVERIFY(plot->graph(k)->dataCount() > 0);
    }
    QVERIFY(plot->legend->visible());
    QTest::mouseClick(group, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 1, kPatienceMs);
    QCOMPARE(plot->graph(0)->name(), QString("Magn Y- Axis"));

    for (int row : {1, 0}) {
      const QRect cell = list->visualItemRect(list->item(row, 0));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(Shown(history), orvelt::Pass_Range(passes[static_cast<std::size_t>(row)]));
    }
    // As the window system delivers a double click: a click, then the second press.
    const QRect first = list->visualItemRect(list->item(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTRY_COMPARE_WITH_TIMEOUT(j.window->App().telemetry.store.Count(3), 40, kPatienceMs);
    QCOMPARE(Shown(history), orvelt::Pass_Range(passes[0]));
    const std::vector<std::string>& loaded = j.window->App().form.List3;
    QCOMPARE(loaded.size(), std::size_t{1});
    const QFileInfo file(QString::fromStdString(loaded[0]));
    QVERIFY(file.exists());
    const QFileInfo folder(file.absolutePath());
    QCOMPARE(folder.canonicalFilePath(), folder.absoluteFilePath());  // no link on the way
    QVERIFY(folder.absolutePath() == temp.path());
    QCOMPARE(folder.ownerId(), static_cast<uint>(getuid()));
    QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QDir(elsewhere.path()).isEmpty());
    history->close();
    old_temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", old_temp);
  }

  // With the window open, a capture loaded while captures are archived, then passes another
  // program adds: the list, its figures and the chart on the last pass's day follow each; a
  // range the user chose stays while the list goes on following.
  void listAndChartFollowTheArchiveWhileOpen() {
    Journey j;
    Archive_Elsewhere({j.Write(kStart, 60, 1), j.Write(kStart + kDay, 60, 2)});
    // Not archived while File / Archive says "Live sessions", as for a new station.
    const orvelt::CaptureArchiving& archiving = j.window->Capture_Archiving();
    Open_By_Typing(*j.window, QString::fromStdString(j.Write(kStart + 2 * kDay, 60, 6)));
    QVERIFY(!archiving.Busy() && archiving.Counts().added == 0);
    Pick(*j.window, 'f', "Archive", "Live sessions and loaded captures");
    HistoryWindow* history = nullptr;
    Open_History(*j.window, 2, history);
    QTableWidget* list = history->Pass_List();
    QCOMPARE(Shown(history), *orvelt::Span_Range(HistorySpan::Day, j.Passes()));

    const QString third = QString::fromStdString(j.Write(kStart + 3 * kDay, 60, 3));
    Open_By_Typing(*j.window, third);
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, kPatienceMs);
    Open_By_Typing(*j.window, third);  // the same capture again adds nothing
    QTRY_VERIFY(!archiving.Busy());
    QCOMPARE(archiving.Counts().already, archiving.Counts().added);
    std::vector<PassSpan> passes = j.Passes();
    QCOMPARE(passes.size(), std::size_t{3});
    QTRY_COMPARE_WITH_TIMEOUT(Shown(history), *orvelt::Span_Range(HistorySpan::Day, passes),
                              kPatienceMs);
    QVERIFY(Button(history, "&Day")->isChecked());
    QVERIFY(history->Plot()->graph(0)->dataCount() > 0);
    {
      auto archive = orvelt::Archive::Open(orvelt::Default_Archive_Path(), false);
      QVERIFY(archive.ok());
      const auto summary = archive.value()->Summary(3, passes[2].start, passes[2].end).value();
      QCOMPARE(list->item(2, 3)->text(), QString::number(summary.min, 'g', 6));
      QCOMPARE(list->item(2, 4)->text(), QString::number(summary.max, 'g', 6));
    }

    Give_Focus(history);
    QTest::mouseClick(Button(history, "Whole &mission"), Qt::LeftButton);
    Archive_Elsewhere({j.Write(kStart + 5 * kDay, 60, 4)});
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 4, kPatienceMs);
    passes = j.Passes();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(history), *orvelt::Span_Range(HistorySpan::Mission, passes),
                              kPatienceMs);

    // A pass clicked: the range is the user's, and stays when the archive grows again.
    const QRect first = list->visualItemRect(list->item(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    const TimeRange chosen = Shown(history);
    Archive_Elsewhere({j.Write(kStart + 6 * kDay, 60, 5)});
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 5, kPatienceMs);
    QCOMPARE(Shown(history), chosen);
    Pick(*j.window, 'f', "Archive", "Live sessions");
  }
};

QTEST_MAIN(HistoryJourneyTest)
#include "history_journey_test.moc"
