#include "qt/main_window.hpp"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "archive/archive_settings.hpp"
#include "form/channel_table.hpp"
#include "forward/station_settings_store.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/value_box_fit.hpp"
#include "support/scripted_platform.hpp"
#include "support/test_font.hpp"

using orvelt::MainWindow;

namespace {

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

// A started window whose dialogs are scripted.
struct Scripted {
  orvelt::testing::ScriptedPlatform* platform = new orvelt::testing::ScriptedPlatform;
  std::unique_ptr<MainWindow> window =
      std::make_unique<MainWindow>(std::unique_ptr<orvelt::QtPlatform>(platform), nullptr,
                                   orvelt::testing::Test_Font_Families());

  Scripted() {
    if (const auto started = window->Start_Up(); !started)
      qFatal("start-up failed: %s", started.why().c_str());
  }

  template <typename T>
  T* Find(const QString& name) const {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QLineEdit* Box(int i) const { return Find<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
  QScrollBar* Scroll() const { return Find<QScrollBar>("HScroll1"); }
  double Value(int channel, int slot) const {
    return window->App().telemetry.store.Value(channel, slot);
  }

  // Every value and status box with its index.
  std::vector<std::pair<int, QLineEdit*>> Boxes() const {
    std::vector<std::pair<int, QLineEdit*>> boxes;
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        boxes.emplace_back(i, box);
      }
    }
    return boxes;
  }
};

// The record display's "0.00" form in the C locale.
QString Two_Decimals(double v) {
  return QString::number(v, 'f', 2);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Recent files and the last folder go to a scratch settings file, not the user's.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() { QLocale::setDefault(QLocale::c()); }

  // Growth of the window goes to the chart; the controls below it move down with the bottom
  // edge (the scroll bar into the corner), and the tabs above keep their place.
  void enlargingGivesTheRoomToTheChart() {
    Scripted s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    auto geometry = [&](const char* name) { return s.Find<QWidget>(name)->geometry(); };
    const QRect tab = geometry("SSTab1"), chart = geometry("MSChart2"), check = geometry("Check1"),
                scroll = geometry("HScroll1");
    s.window->resize(s.window->size() + QSize(200, 120));
    QTRY_COMPARE(geometry("MSChart2").size(), chart.size() + QSize(200, 120));
    QCOMPARE(geometry("Check1"), check.translated(200, 120));
    QCOMPARE(geometry("HScroll1"), scroll.translated(200, 120));
    QCOMPARE(geometry("SSTab1"), tab);
  }

  // Loading shows record one as the model holds it; stepping and dragging show the next ones.
  void loadingAndScrollingFillTheBoxes() {
    Scripted s;
    s.window->Load_Files({kSample});
    QVERIFY(s.window->App().telemetry.store.Count(3) > 10);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)));
    QVERIFY(s.Find<QLabel>("Label3")->text().contains("pass.kss"));
    QCOMPARE(s.Find<QListWidget>("List1")->count(), int(s.window->App().telemetry.messages.size()));
    for (const auto& [i, box] : s.Boxes()) {
      QCOMPARE(box->text().toStdString(), s.window->App().form.Text1[i].text);
    }
    s.Scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 2)));
    s.Scroll()->setValue(3);
    QCOMPARE(s.Box(8)->text(), Two_Decimals(s.Value(8, 3)));

    // Dragging the thumb shows nothing until it is released; then the record under it shows.
    const QString shown = s.Box(3)->text();
    s.Scroll()->setSliderDown(true);
    for (int p = 4; p <= 40; ++p) s.Scroll()->setSliderPosition(p);
    QCOMPARE(s.window->App().form.HScroll1, 3);
    QCOMPARE(s.Box(3)->text(), shown);
    s.Scroll()->setSliderDown(false);
    QCOMPARE(s.window->App().form.HScroll1, 40);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 40)));
  }

  // Two files of a drop or of the open dialog form one selection: the samples of the second
  // follow those of the first.
  void severalFilesLoadAsOneSelection() {
    Scripted single;
    single.window->Load_Files({kSample});
    const int one_file = single.window->App().telemetry.store.Count(3);
    Scripted s;
    const QUrl sample = QUrl::fromLocalFile(QString::fromStdString(kSample));
    QMimeData mime;
    mime.setUrls({sample, sample});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.window.get(), &drop);
    s.platform->dialog_outcomes = {
        orvelt::Selection_Text({sample.toLocalFile(), sample.toLocalFile()})};
    for (const int dialogs : {0, 1}) {
      QCOMPARE(s.platform->dialogs_shown, dialogs);
      QCOMPARE(s.window->App().form.List3.size(), std::size_t{2});
      QCOMPARE(s.window->App().telemetry.store.Count(3), 2 * one_file);
      if (dialogs == 0) s.Find<QAction>("MenuFileOpen")->trigger();
    }
  }

  // The boxes and the time of day follow the user's locale; times never carry a zone.
  void germanLocaleWritesDecimalCommas() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Scripted s;
    s.window->Load_Files({kSample});
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)).replace('.', ','));
    QCOMPARE(s.window->Qt_Platform().Decimal_Separator(), std::string(","));
    QCOMPARE(s.window->Qt_Platform().Format_Long_Time({1970, 1, 1, 13, 5, 9}),
             std::string("13:05:09"));
  }

  // Values wider than their box are shown whole (in a smaller font) and the tooltip gives the
  // whole value, its unit and its time label; a slot without a sample shows an empty box.
  void valueBoxesNeverCutAValue() {
    Scripted s;
    auto& store = s.window->App().telemetry.store;
    store.Append_Sample(47, 2000000000, "2026-11-28 09:14:01");
    store.Append_Sample(10, 18304.37, "2026-11-28 09:14:02");
    store.Append_Sample(10, 1, "2026-11-28 09:14:03");
    QVERIFY(s.window->Go_To("2").ok());
    QVERIFY(s.window->Go_To("1").ok());
    for (const auto& [index, text] : {std::pair{47, "2000000000"}, {10, "18304.37"}}) {
      QLineEdit* box = s.Box(index);
      // Whole and inside the box, or visibly cut.
      const QString whole = QString::fromLatin1(text);
      QVERIFY2(box->text() == whole || box->text().endsWith(QChar(0x2026)),
               qPrintable(box->text()));
      QVERIFY(QFontMetrics(box->font()).horizontalAdvance(box->text()) <=
              orvelt::Box_Text_Width(*box));
      QVERIFY(box->toolTip().contains(whole));
      QVERIFY(box->toolTip().contains(QStringLiteral("09:14:0")));
    }
    QVERIFY(s.Box(10)->toolTip().contains(QStringLiteral("mA")));
    QVERIFY(s.window->Go_To("2").ok());
    QCOMPARE(s.Box(47)->text(), QString());  // channel 47 has one sample only
    QCOMPARE(s.Box(10)->text(), QStringLiteral("1.00"));
    QCOMPARE(s.Box(10)->font(), s.Box(3)->font());  // a value that fits keeps the design font
  }

  // The status line keeps the load's summary whole and shortens the path in its middle; the
  // tooltip has the whole path. An open load report follows the next load.
  void statusLineKeepsTheSummary() {
    Scripted s;
    QTemporaryDir dir;
    const QString deep = dir.filePath(QString(60, u'd') + "/" + QString(60, u'e'));
    QVERIFY(QDir().mkpath(deep));
    const QString broken = deep + "/broken.kss";
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly) &&
            f.write(QByteArray("\xC0\x00\x01\xC0\x01\x02\x03", 7)) == 7);
    f.close();
    s.window->show();
    s.window->Load_Files({broken.toStdString()});
    const QString summary = QString::fromStdString(s.window->App().last_load.Summary());
    QVERIFY(!summary.isEmpty());
    auto* label3 = s.Find<QLabel>("Label3");
    QVERIFY(label3->text().contains(QStringLiteral("| 2 problems: ")));
    QVERIFY(label3->text().contains(QChar(0x2026)));
    QVERIFY(QFontMetrics(label3->font()).horizontalAdvance(label3->text()) <= label3->width());
    QVERIFY(label3->toolTip().contains(broken));
    QVERIFY(label3->toolTip().contains(summary));

    QTest::mouseClick(label3, Qt::LeftButton);
    auto* details = s.window->findChild<QPlainTextEdit*>("LoadReportDetails");
    QVERIFY(details && details->isVisible());
    QVERIFY(details->toPlainText().contains("broken.kss"));
    s.window->Load_Files({kSample});
    QVERIFY(!details->toPlainText().contains("broken.kss"));
  }

  // A click on the chart shows that record; the chart marks the record shown.
  void chartCursorFollowsAndClicksShowARecord() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QTest::mouseClick(s.Find<QRadioButton>("Option1_3"), Qt::LeftButton);
    auto* chart = s.Find<orvelt::ChartWidget>("MSChart2");
    QCOMPARE(chart->Cursor_Row(), 1);
    QVERIFY(s.window->Go_To("7").ok());
    QCOMPARE(chart->Cursor_Row(), 7);
    QCustomPlot* plot = chart->Plot();
    plot->replot();
    const QPoint at(qRound(plot->xAxis->coordToPixel(20)), plot->axisRect()->center().y());
    QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    QCOMPARE(s.Scroll()->value(), 20);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 20)));
    QCOMPARE(chart->Cursor_Row(), 20);
  }

  // The selection rules are the core's; here only that clicks reach them: a plain click charts
  // one channel and highlights its box alone, a Shift-click or a right click charts its group,
  // and "Bars" redraws the chart on show without reloading it.
  void selectorClicksReachTheChart() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.window->show();
    QCustomPlot* plot = s.Find<orvelt::ChartWidget>("MSChart2")->Plot();
    auto selector = [&](int i) {
      return s.Find<QRadioButton>(QStringLiteral("Option1_%1").arg(i));
    };
    // The value axis of the bus time reads as dates, not as "1.79586·10⁹"; the other channels
    // as numbers in their unit.
    QTest::mouseClick(selector(46), Qt::LeftButton);
    QVERIFY(!plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QTest::mouseClick(selector(3), Qt::LeftButton);
    QVERIFY(plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QCOMPARE(plot->yAxis->label(), QStringLiteral("V"));
    QCOMPARE(plot->yAxis->numberFormat(), QStringLiteral("f"));
    QVERIFY(
        s.Find<QLabel>("ChartStats")->text().startsWith(QStringLiteral("Battery 0 Volt: min ")));
    QTest::mouseClick(selector(28), Qt::LeftButton);
    QCOMPARE(plot->plottableCount(), 1);
    QCOMPARE(s.Find<QGroupBox>("Frame5")->title(), selector(28)->text());
    for (const auto& [i, box] : s.Boxes()) {
      QCOMPARE(box->palette().color(QPalette::Base) != QColor(Qt::white), i == 28);
    }
    QTest::keyPress(s.window.get(), Qt::Key_Shift, Qt::ShiftModifier);
    QTest::mouseClick(selector(8), Qt::LeftButton, Qt::ShiftModifier);
    QTest::keyRelease(s.window.get(), Qt::Key_Shift);
    QCOMPARE(plot->plottableCount(), 2);
    QTest::mousePress(selector(52), Qt::RightButton);
    QTest::mouseRelease(selector(52), Qt::RightButton);
    QCOMPARE(plot->plottableCount(), 3);
    const int points = plot->plottable(0)->interface1D()->dataCount();
    const auto revision = s.window->App().form.MSChart2.data_revision;
    QTest::mouseClick(s.Find<QCheckBox>("Check1"), Qt::LeftButton);
    QCOMPARE(plot->plottableCount(), 3);
    QCOMPARE(plot->plottable(0)->interface1D()->dataCount(), points);
    QCOMPARE(s.window->App().form.MSChart2.data_revision, revision);
  }

  // Limits from the station's settings mark the boxes outside them from the start; the selected
  // box keeps its highlight and shows its value in warning text; changed limits show at once.
  void limitsPaintTheBoxes() {
    QSettings station(QStringLiteral("orvelt"),
                      QString::fromLatin1(orvelt::kStationSettingsApplication));
    orvelt::LimitTable limits{};
    const double first = [] {
      Scripted probe;
      probe.window->Load_Files({kSample});
      return probe.Value(3, 1);
    }();
    limits[3].upper = first - 0.5;
    orvelt::Save_Limits(station, limits);
    station.sync();

    Scripted s;
    orvelt::Save_Limits(station, {});  // no test after this one inherits them
    s.window->Load_Files({kSample});
    const QColor warning(255, 200, 200), warning_text(180, 0, 0), highlight(255, 255, 192);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), warning);
    QCOMPARE(s.Box(8)->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::mouseClick(s.Find<QRadioButton>("Option1_3"), Qt::LeftButton);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), warning_text);
    QTest::mouseClick(s.Find<QRadioButton>("Option1_8"), Qt::LeftButton);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), warning);
    s.window->Set_Limits({});
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), QColor(Qt::black));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
