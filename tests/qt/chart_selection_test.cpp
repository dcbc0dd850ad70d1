#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QtTest>

#include <memory>
#include <string>

#include "form/channel_table.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"

namespace orvelt {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kLightYellow(255, 255, 192);  // 0xC0FFFF as the window stores it

// The main window with its start-up done and the sample pass loaded.
struct LoadedWindow {
  testing::ScriptedPlatform* platform = new testing::ScriptedPlatform;
  std::unique_ptr<MainWindow> window =
      std::make_unique<MainWindow>(std::unique_ptr<QtPlatform>(platform));

  LoadedWindow() {
    if (const auto error = window->Start_Up()) qFatal("start-up failed");
    window->Load_Files({ORVELT_SAMPLE_DIR "/pass.kss"});
    window->show();
  }

  template <typename T>
  T* Find(const QString& name) const {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QRadioButton* Selector(int i) const {
    return Find<QRadioButton>(QStringLiteral("Option1_%1").arg(i));
  }
  QCustomPlot* Plot() const { return Find<ChartWidget>("MSChart2")->Plot(); }
  int Count(int channel) const { return window->App().telemetry.store.Count(channel); }
  int Points() const { return Plot()->plottable(0)->interface1D()->dataCount(); }
  // A bar series: bars, or, where bars would be thinner than a pixel, a filled step outline.
  bool Bars(int s) const {
    QCPAbstractPlottable* p = Plot()->plottable(s);
    if (qobject_cast<QCPBars*>(p)) return true;
    auto* graph = qobject_cast<QCPGraph*>(p);
    return graph && Find<ChartWidget>("MSChart2")->Bars_As_Outline() &&
           graph->lineStyle() == QCPGraph::lsStepCenter && graph->brush().style() != Qt::NoBrush;
  }
  QStringList Series() const {
    QStringList names;
    for (int i = 0; i < Plot()->plottableCount(); ++i) names << Plot()->plottable(i)->name();
    return names;
  }

  // Plays a script of input events, at the window until "@n" sends what follows to selector n.
  // Steps: "S+" / "S-" Shift down / up, "R+" / "R-" right button down / up, "L" left click,
  // "L0" / "LS" left click that does not / does carry Shift whatever its key did (the key event
  // went to another application). Mouse events carry Shift while it is down, as real ones do.
  void Play(const QString& script) {
    QWidget* target = window.get();
    Qt::KeyboardModifiers held;
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
      if (step.startsWith('@')) {
        target = Selector(step.mid(1).toInt());
      } else if (step == "S+") {
        held = Qt::ShiftModifier;
        QTest::keyPress(target, Qt::Key_Shift, held);
      } else if (step == "S-") {
        held = Qt::NoModifier;
        QTest::keyRelease(target, Qt::Key_Shift);
      } else if (step == "R+") {
        QTest::mousePress(target, Qt::RightButton, held);
      } else if (step == "R-") {
        QTest::mouseRelease(target, Qt::RightButton, held);
      } else if (step == "L" || step == "L0" || step == "LS") {
        QTest::mouseClick(target, Qt::LeftButton,
                          step == "L"    ? held
                          : step == "LS" ? Qt::ShiftModifier
                                         : Qt::NoModifier);
      } else {
        QFAIL(qPrintable("unknown step " + step));
      }
    }
  }
};

}  // namespace

class ChartSelectionTest : public QObject {
  Q_OBJECT

 private slots:
  // Recent files and the last folder go to a scratch settings file, not the user's.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  // Whatever the clicks before, the last clicked selector alone is checked and highlighted, and
  // the chart shows its channel, or its group when the click came with a fresh Shift or right
  // press; the caption always names the clicked channel.
  void clicksSelectAndChart_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("series");
    QTest::addColumn<int>("rows_of");  // the channel whose samples give the rows
    QTest::newRow("plain click") << "@28 L" << QStringList{"Pow Supply Curr"} << 28;
    QTest::newRow("Shift-click") << "S+ @8 L S-" << QStringList{"Battery 0 Volt", "Battery 1 Volt"}
                                 << 3;
    QTest::newRow("Shift press not seen")
        << "@8 LS" << QStringList{"Battery 0 Volt", "Battery 1 Volt"} << 3;
    QTest::newRow("Shift release not seen") << "S+ @8 L0" << QStringList{"Battery 1 Volt"} << 8;
    QTest::newRow("right click") << "@3 L @52 R+ R-"
                                 << QStringList{"Magn X- Axis", "Magn Y- Axis", "Magn Z- Axis"}
                                 << 51;
    QTest::newRow("right press counted once") << "@52 R+ R- L" << QStringList{"Magn Y- Axis"} << 52;
    QTest::newRow("Shift held across two clicks")
        << "S+ @13 L L S-" << QStringList{"Array Y- Curr"} << 13;
    QTest::newRow("several clicks") << "@3 L @51 R+ R- S+ @16 L S- @35 L S+ @27 L S-"
                                    << QStringList{"Array Z+ Curr", "Array Z- Curr"} << 19;
  }

  void clicksSelectAndChart() {
    QFETCH(QString, script);
    QFETCH(QStringList, series);
    QFETCH(int, rows_of);
    LoadedWindow w;
    w.Play(script);
    const int last = script.section('@', -1).section(' ', 0, 0).toInt();
    QCOMPARE(w.Find<QGroupBox>("Frame5")->title(), w.Selector(last)->text());
    QCOMPARE(w.Series(), series);
    QVERIFY(w.Count(rows_of) > 40);
    QCOMPARE(w.Points(), w.Count(rows_of));
    for (const ChannelInfo& c : Channel_Table()) {
      if (c.place == Place::Hidden) continue;
      auto* box = w.Find<QLineEdit>(QStringLiteral("Text1_%1").arg(c.index));
      QCOMPARE(box->palette().color(QPalette::Base), c.index == last ? kLightYellow : kWhite);
      QCOMPARE(w.Selector(c.index)->isChecked(), c.index == last);
    }
  }

  void check1SwitchesThePresentChartWithoutReloading() {
    LoadedWindow w;
    w.Play("S+ @51 L S-");
    const int drawn = w.Points();
    const auto revision = w.window->App().form.MSChart2.data_revision;
    // More samples arrive after the drawing; the chart keeps the history it showed.
    w.window->App().telemetry.store.Append_Sample(51, 1.0, "2026-11-28 10:00:00");
    auto* check1 = w.Find<QCheckBox>("Check1");

    QTest::mouseClick(check1, Qt::LeftButton);
    QCOMPARE(w.Plot()->plottableCount(), 3);
    for (int s = 0; s < 3; ++s) QVERIFY(w.Bars(s));
    QCOMPARE(w.Points(), drawn);
    QCOMPARE(w.window->App().form.MSChart2.data_revision, revision);

    QTest::mouseClick(check1, Qt::LeftButton);
    QCOMPARE(w.Plot()->graphCount(), 3);
    QCOMPARE(w.Points(), drawn);

    // The style stays for the next chart.
    QTest::mouseClick(check1, Qt::LeftButton);
    w.Play("@10 L");
    QVERIFY(w.Bars(0));
    QCOMPARE(w.Points(), w.Count(10));
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::ChartSelectionTest)
#include "chart_selection_test.moc"
