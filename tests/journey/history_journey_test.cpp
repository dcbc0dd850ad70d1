// View / History in a person's hands: opened from the menu with the keyboard, its time-range
// buttons and passes clicked, a pass loaded by a double click, and the window left open while
// the archive grows, all through real events on a virtual X server.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include <memory>

#include "archive/archive.hpp"
#include "archive/history_view.hpp"
#include "journey/journey_steps.hpp"
#include "qcustomplot.h"
#include "qt/history_window.hpp"
#include "qt/main_window.hpp"
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
  // its stretch up to the last pass; the wheel makes the range the user's own; the mouse over a
  // pass reads its time and value; the figures stand before the sources.
  void opensOnTheLastDayAndTheButtonsSetTheRange() {
    Journey j;
    Archive_Elsewhere({j.Write(kStart, 60, 1), j.Write(kStart + 10 * kDay + 3600, 60, 2),
                       j.Write(kStart + 20 * kDay + 7200, 60, 3)});
    const std::vector<PassSpan> passes = j.Passes();
    QCOMPARE(passes.size(), std::size_t{3});
    HistoryWindow* history = nullptr;
    Open_History(*j.window, 3, history);
    QVERIFY(history->screen()->availableGeometry().contains(history->frameGeometry()));
    QCOMPARE(Shown(history), *orvelt::Span_Range(HistorySpan::Day, passes));
    QVERIFY(Button(history, "&Day")->isChecked());
    QVERIFY(history->Plot()->graph(0)->dataCount() > 0);
    QTableWidget* list = history->Pass_List();
    QCOMPARE(list->horizontalHeaderItem(3)->text(), QString("Battery 0 Volt min"));
    QCOMPARE(list->horizontalHeaderItem(6)->text(), QString("Outside limits"));
    QCOMPARE(list->horizontalHeaderItem(7)->text(), QString("Sources"));
    QVERIFY(list->item(2, 7)->text().endsWith(QString("pass%1.kss").arg(passes[2].start)));

    const struct {
      const char* button;
      HistorySpan span;
    } steps[] = {{"&Last pass", HistorySpan::Last_Pass},
                 {"&Week", HistorySpan::Week},
                 {"&Month", HistorySpan::Month},
                 {"Whole &mission", HistorySpan::Mission},
                 {"&Day", HistorySpan::Day}};
    for (const auto& [text, span] : steps) {
      QPushButton* button = Button(history, text);
      QVERIFY2(button != nullptr, text);
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(Shown(history), *orvelt::Span_Range(span, passes));
      for (const auto& other : steps) {
        QCOMPARE(Button(history, other.button)->isChecked(), other.span == span);
      }
    }

    // The wheel zooms about the mouse: no button stands for that range.
    QCustomPlot* plot = history->Plot();
    const QPoint centre = plot->axisRect()->center();
    QTest::mouseMove(plot, centre);
    const UtcSeconds before = Shown(history).to - Shown(history).from;
    QWheelEvent wheel(centre, plot->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QVERIFY(Shown(history).to - Shown(history).from < before);
    for (const auto& step : steps) QVERIFY(!Button(history, step.button)->isChecked());

    // Over the last pass, the read-out names the second under the mouse and its value.
    QTest::mouseClick(Button(history, "&Last pass"), Qt::LeftButton);
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
  }

  // A click on a pass zooms to it; a double click loads it into the main window, written to a
  // folder only this user can enter: a link planted where a shared folder once stood is left
  // alone.
  void clickZoomsAndDoubleClickLoadsThroughAPrivateFolder() {
    QTemporaryDir temp, elsewhere;
    const QByteArray old_temp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    QVERIFY(QFile::link(elsewhere.path(), QDir(temp.path()).filePath("orvelt-passes")));
    Journey j;
    Archive_Elsewhere({j.Write(kStart, 40, 1), j.Write(kStart + kDay, 50, 2)});
    const std::vector<PassSpan> passes = j.Passes();
    HistoryWindow* history = nullptr;
    Open_History(*j.window, 2, history);
    QTableWidget* list = history->Pass_List();

    for (int row : {0, 1}) {
      const QRect cell = list->visualItemRect(list->item(row, 0));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(Shown(history), orvelt::Pass_Range(passes[static_cast<std::size_t>(row)]));
    }
    // As the window system delivers a double click: a click, then the second press.
    const QRect first = list->visualItemRect(list->item(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
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
    Pick(*j.window, 'f', "Archive", "Live sessions and loaded captures");
    HistoryWindow* history = nullptr;
    Open_History(*j.window, 2, history);
    QTableWidget* list = history->Pass_List();
    QCOMPARE(Shown(history), *orvelt::Span_Range(HistorySpan::Day, j.Passes()));

    Open_By_Typing(*j.window, QString::fromStdString(j.Write(kStart + 3 * kDay, 60, 3)));
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, kPatienceMs);
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
