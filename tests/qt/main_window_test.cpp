#include "qt/main_window.hpp"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/channel_table.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/value_box_fit.hpp"
#include "support/scripted_platform.hpp"
#include "window/navigation.hpp"

using orvelt::MainWindow;

namespace {

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

// A started window whose dialogs are scripted.
struct Scripted {
  orvelt::testing::ScriptedPlatform* platform = new orvelt::testing::ScriptedPlatform;
  std::unique_ptr<MainWindow> window =
      std::make_unique<MainWindow>(std::unique_ptr<orvelt::QtPlatform>(platform));
  std::deque<std::optional<std::string>>& dialog_outcomes = platform->dialog_outcomes;
  const int& dialogs_shown = platform->dialogs_shown;
  const std::vector<std::string>& messages = platform->messages;

  Scripted() {
    if (const auto error = window->Start_Up())
      qFatal("start-up failed: %s", error->message().c_str());
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
  void Open_Via_Menu() { Find<QAction>("MenuFileOpen")->trigger(); }

  // Texts of every value and status box, in index order.
  QStringList Box_Texts() const {
    QStringList texts;
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        texts << box->text();
      }
    }
    return texts;
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

  void captionTabsAndMenu() {
    Scripted s;
    QCOMPARE(s.window->windowTitle(), QStringLiteral("ORVELT-1 Telemetry Decoder (KAVRO)"));
    auto* tab = s.Find<QTabWidget>("SSTab1");
    QCOMPARE(tab->count(), 2);
    QCOMPARE(tab->tabText(0), QStringLiteral("Telemetry"));
    QCOMPARE(tab->tabText(1), QStringLiteral("Safe Mode Telemetry"));
    QVERIFY(tab->widget(0)->isAncestorOf(s.Find<QGroupBox>("Frame6")));
    QVERIFY(tab->widget(1)->isAncestorOf(s.Find<QListWidget>("List1")));
    QCOMPARE(s.Find<QAction>("MenuFileOpen")->text().remove('&'), QStringLiteral("Open Kissfile"));
  }

  // Growth of the window goes to the chart; the controls below it move down with the bottom
  // edge, and the tabs above keep their place.
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
    QCOMPARE(geometry("HScroll1"), scroll.translated(0, 120));
    QCOMPARE(geometry("SSTab1"), tab);
  }

  // Loading shows record one as the model holds it; stepping shows the next record; positions
  // beyond the stored ones leave the display alone.
  void loadingAndScrollingFillTheBoxes() {
    Scripted s;
    s.window->Load_Files({kSample});
    QVERIFY(s.window->App().telemetry.store.Count(3) > 10);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)));
    QVERIFY(s.Find<QLabel>("Label3")->text().contains("pass.kss"));
    QCOMPARE(s.Find<QListWidget>("List1")->count(), int(s.window->App().telemetry.messages.size()));
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = s.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        QCOMPARE(box->text().toStdString(), s.window->App().form.Text1[i].text);
      }
    }
    s.Scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 2)));
    s.Scroll()->setValue(3);
    QCOMPARE(s.Box(8)->text(), Two_Decimals(s.Value(8, 3)));
    const QStringList at_three = s.Box_Texts();
    const QString label2 = s.Find<QLabel>("Label2")->text();
    s.Scroll()->setValue(5001);
    QCOMPARE(s.Scroll()->value(), 5001);
    QCOMPARE(s.Box_Texts(), at_three);
    QCOMPARE(s.Find<QLabel>("Label2")->text(), label2);
  }

  // A cancelled dialog reads the last selection again; a selection too long for the dialog's
  // buffer says so, loads nothing and leaves the display as it was.
  void cancelReloadsAndTooManyFilesAreRefused() {
    Scripted s;
    std::string too_many = ORVELT_SAMPLE_DIR;
    while (too_many.size() <= 32767) too_many += std::string(1, '\0') + "capture_long_name.kss";
    s.dialog_outcomes = {kSample, std::nullopt, too_many};
    s.Open_Via_Menu();
    const auto& app = s.window->App();
    const int count = app.telemetry.store.Count(3);
    const QStringList texts = s.Box_Texts();

    s.Open_Via_Menu();
    QCOMPARE(s.dialogs_shown, 2);
    QCOMPARE(app.form.List3, std::vector<std::string>{kSample});
    QCOMPARE(app.telemetry.store.Count(3), count);
    QCOMPARE(s.Box_Texts(), texts);
    QVERIFY(s.messages.empty());

    s.Open_Via_Menu();
    QCOMPARE(s.messages, std::vector<std::string>{"too many files selected :-("});
    QCOMPARE(app.telemetry.store.Count(3), 0);
    QCOMPARE(s.Box_Texts(), texts);
  }

  // Two files of one dialog, of the command line or of a drop form one selection: the samples
  // of the second follow those of the first.
  void severalFilesLoadAsOneSelection_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("dialog") << "dialog";
    QTest::newRow("command line") << "command line";
    QTest::newRow("drop") << "drop";
  }

  void severalFilesLoadAsOneSelection() {
    QFETCH(QString, how);
    Scripted single;
    single.window->Load_Files({kSample});
    const int one_file = single.window->App().telemetry.store.Count(3);

    Scripted s;
    const QString sample = QString::fromStdString(kSample);
    if (how == "dialog") {
      s.dialog_outcomes = {orvelt::Selection_Text({sample, sample})};
      s.Open_Via_Menu();
    } else if (how == "command line") {
      s.window->Load_Files({kSample, kSample});
    } else {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(sample), QUrl::fromLocalFile(sample)});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(s.window.get(), &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(s.window.get(), &drop);
    }
    const auto& app = s.window->App();
    QCOMPARE(app.form.List3.size(), std::size_t{2});
    QCOMPARE(app.telemetry.store.Count(3), 2 * one_file);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)));
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

  // Without its configuration the program must not start; with it, it starts as configured.
  void startUpStopsOnBrokenConfiguration() {
    QTemporaryDir dir;
    // Start-up files installed on this machine, or the user's own, must not stand in.
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      qputenv(variable, QFile::encodeName(dir.filePath(QStringLiteral("none"))));
    }
    auto start_up = [&] {
      auto* platform = new orvelt::testing::ScriptedPlatform;
      platform->program_directory = dir.path().toStdString();
      MainWindow window{std::unique_ptr<orvelt::QtPlatform>(platform)};
      if (const auto error = window.Start_Up()) return QString::fromStdString(error->file);
      return window.findChild<QPushButton*>("Command1")->isHidden() ? QStringLiteral("no button")
                                                                    : QStringLiteral("button");
    };
    QCOMPARE(start_up(), QStringLiteral("conf.ini"));
    for (const auto& [name, text] :
         {std::pair{"conf.ini", "SCREENSHOT=NO\r\n"}, {"obc_offset.ini", "0"}}) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
    }
    QCOMPARE(start_up(), QStringLiteral("no button"));
  }

  // The arrow keys step the way they point; Home and End go to the first and the last loaded
  // record, not to the ends of the bar.
  void keysStepThroughTheRecords() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.window->show();
    QScrollBar* bar = s.Scroll();
    bar->setFocus();
    const struct {
      Qt::Key key;
      int expected;
    } steps[] = {{Qt::Key_Right, 2},
                 {Qt::Key_Right, 3},
                 {Qt::Key_Left, 2},
                 {Qt::Key_Up, 3},
                 {Qt::Key_Down, 2},
                 {Qt::Key_Home, 1},
                 {Qt::Key_End, orvelt::Last_Record(s.window->App().telemetry.store)}};
    for (const auto& step : steps) {
      QTest::keyClick(bar, step.key);
      QCOMPARE(bar->value(), step.expected);
      QCOMPARE(s.window->App().form.HScroll1, step.expected);
    }
  }

  // Dragging the thumb shows nothing until it is released; then the record under it shows.
  void dragShowsTheRecordOnRelease() {
    Scripted s;
    s.window->Load_Files({kSample});
    const QString first = s.Box(3)->text();
    QScrollBar* bar = s.Scroll();
    bar->setSliderDown(true);
    for (int p = 2; p <= 40; ++p) bar->setSliderPosition(p);
    QCOMPARE(s.window->App().form.HScroll1, 1);
    QCOMPARE(s.Box(3)->text(), first);
    bar->setSliderDown(false);
    QCOMPARE(s.window->App().form.HScroll1, 40);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 40)));
  }

  // Values wider than their box are shown whole (in a smaller font) and the tooltip gives the
  // whole value, its unit and its time label; a slot without a sample shows an empty box.
  void valueBoxesNeverCutAValue() {
    Scripted s;
    auto& store = s.window->App().telemetry.store;
    store.Append_Sample(47, 2000000000, "2026-11-28 09:14:01");
    store.Append_Sample(10, 18304.37, "2026-11-28 09:14:02");
    store.Append_Sample(10, 1, "2026-11-28 09:14:03");
    QVERIFY(s.window->Go_To("2").empty());
    QVERIFY(s.window->Go_To("1").empty());
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
    QVERIFY(s.window->Go_To("2").empty());
    QCOMPARE(s.Box(47)->text(), QString());  // channel 47 has one sample only
    QCOMPARE(s.Box(10)->text(), QStringLiteral("1.00"));
    QCOMPARE(s.Box(10)->font(), s.Box(3)->font());  // a value that fits keeps the design font
  }

  // Beside the bar: which record of how many is shown, and its time in the tooltip.
  void positionIsShownNearTheBar() {
    Scripted s;
    s.window->Load_Files({kSample});
    QVERIFY(s.window->Go_To("12").empty());
    const QString records = QString::number(orvelt::Last_Record(s.window->App().telemetry.store));
    QCOMPARE(s.Find<QLabel>("RecordPosition")->text(), QStringLiteral("12/") + records);
    QVERIFY(s.Scroll()->toolTip().startsWith(QStringLiteral("Record 12 of ") + records + ", "));
    QVERIFY(!s.window->Go_To("25:00").empty());
    QCOMPARE(s.Scroll()->value(), 12);
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
    QVERIFY(s.window->Go_To("7").empty());
    QCOMPARE(chart->Cursor_Row(), 7);
    QCustomPlot* plot = chart->Plot();
    plot->replot();
    const QPoint at(qRound(plot->xAxis->coordToPixel(20)), plot->axisRect()->center().y());
    QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    QCOMPARE(s.Scroll()->value(), 20);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 20)));
    QCOMPARE(chart->Cursor_Row(), 20);
  }

  // The value axis of the bus time reads as dates, not as "1.79586·10⁹"; the other channels
  // as numbers in their unit.
  void valueAxisFitsTheChannel() {
    Scripted s;
    s.window->Load_Files({kSample});
    QTest::mouseClick(s.Find<QRadioButton>("Option1_46"), Qt::LeftButton);
    QCPAxis* axis = s.Find<orvelt::ChartWidget>("MSChart2")->Plot()->yAxis;
    QVERIFY(!axis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QTest::mouseClick(s.Find<QRadioButton>("Option1_3"), Qt::LeftButton);
    QVERIFY(axis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QCOMPARE(axis->label(), QStringLiteral("V"));
    QCOMPARE(axis->numberFormat(), QStringLiteral("f"));
    QVERIFY(
        s.Find<QLabel>("ChartStats")->text().startsWith(QStringLiteral("Battery 0 Volt: min ")));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
