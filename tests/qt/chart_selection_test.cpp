#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <memory>
#include <string>

#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/key_press_tracker.hpp"
#include "qt/main_window.hpp"
#include "window/channel_table.hpp"

namespace orvelt {
namespace {

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

const QColor kWhite(255, 255, 255);
const QColor kLightYellow(255, 255, 192);  // 0xC0FFFF as the window stores it

// Plays a script of input events at `target` and checks the key-state words queried in
// between. Steps: "S+" / "S-" Shift down / up, "R+" / "R-" right button down / up, "L" left
// click, "L0" / "LS" left click that does not / does carry Shift whatever its key did (the key
// event went to another application), "S?xxxx" / "R?xxxx" query with the expected word in hex.
// Mouse events carry Shift while it is down, as real ones do.
void Play(QWidget* target, KeyPressTracker& tracker, const QString& script) {
  Qt::KeyboardModifiers held;
  for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
    if (step == "S+") {
      held = Qt::ShiftModifier;
      QTest::keyPress(target, Qt::Key_Shift, held);
    } else if (step == "S-") {
      held = Qt::NoModifier;
      QTest::keyRelease(target, Qt::Key_Shift);
    } else if (step == "R+") {
      QTest::mousePress(target, Qt::RightButton, held);
    } else if (step == "R-") {
      QTest::mouseRelease(target, Qt::RightButton, held);
    } else if (step == "L") {
      QTest::mouseClick(target, Qt::LeftButton, held);
    } else if (step == "L0") {
      QTest::mouseClick(target, Qt::LeftButton);
    } else if (step == "LS") {
      QTest::mouseClick(target, Qt::LeftButton, Qt::ShiftModifier);
    } else if (step.size() == 6 && step[1] == '?') {
      const AsyncKey key = step[0] == 'S' ? AsyncKey::Shift : AsyncKey::RightButton;
      const auto expected = static_cast<std::uint16_t>(step.mid(2).toUInt(nullptr, 16));
      const std::uint16_t word = tracker.Query(key);
      QVERIFY2(word == expected, qPrintable(QStringLiteral("%1 gave %2 in \"%3\"")
                                                .arg(step)
                                                .arg(word, 4, 16, QLatin1Char('0'))
                                                .arg(script)));
    } else {
      QFAIL(qPrintable("unknown step " + step));
    }
  }
}

// The main window with its start-up done and the sample pass loaded.
struct LoadedWindow {
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();

  LoadedWindow() {
    QtPlatform& platform = window->Qt_Platform();
    platform.Set_Program_Directory(ORVELT_APP_DIR);
    platform.Set_Message_Box_Hook(
        [](const std::string& text) { qFatal("unexpected message box: %s", text.c_str()); });
    if (const auto error = window->Start_Up()) qFatal("start-up failed");
    window->Load_Files({kSample});
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
  QLineEdit* Box(int i) const { return Find<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
  QString Caption() const { return Find<QGroupBox>("Frame5")->title(); }
  QCustomPlot* Plot() const { return Find<ChartWidget>("MSChart2")->Plot(); }
  int Count(int channel) const { return window->App().telemetry.store.Count(channel); }

  QStringList Series() const {
    QStringList names;
    for (int i = 0; i < Plot()->plottableCount(); ++i) names << Plot()->plottable(i)->name();
    return names;
  }
  int Points() const {
    auto* plottable = Plot()->plottableCount() > 0 ? Plot()->plottable(0) : nullptr;
    if (auto* graph = qobject_cast<QCPGraph*>(plottable)) return graph->data()->size();
    if (auto* bars = qobject_cast<QCPBars*>(plottable)) return bars->data()->size();
    return -1;
  }

  void Click(int channel) { QTest::mouseClick(Selector(channel), Qt::LeftButton); }
  void Shift_Click(int channel) {
    QTest::keyPress(Selector(channel), Qt::Key_Shift, Qt::ShiftModifier);
    QTest::mouseClick(Selector(channel), Qt::LeftButton, Qt::ShiftModifier);
    QTest::keyRelease(Selector(channel), Qt::Key_Shift);
  }
  void Right_Click(int channel) { QTest::mouseClick(Selector(channel), Qt::RightButton); }
};

}  // namespace

class ChartSelectionTest : public QObject {
  Q_OBJECT

 private slots:
  void trackerReportsFreshPresses_data() {
    QTest::addColumn<QString>("script");
    QTest::newRow("nothing pressed") << "S?0000 R?0000";
    QTest::newRow("Shift down") << "S+ S?8001 S?8000 S?8000";
    QTest::newRow("Shift pressed and let go") << "S+ S- S?0001 S?0000";
    QTest::newRow("Shift let go after the query") << "S+ S?8001 S- S?0000";
    QTest::newRow("Shift pressed again") << "S+ S?8001 S- S+ S?8001";
    QTest::newRow("repeats of a held key") << "S+ S+ S+ S?8001 S+ S?8000";
    QTest::newRow("right button down") << "R+ R?8001 R?8000 R- R?0000";
    QTest::newRow("right click") << "R+ R- R?0001";
    QTest::newRow("keys are queried apart") << "S+ R+ S?8001 R?8001 S?8000";
    QTest::newRow("Shift down, right click") << "S+ R+ R- S?8001 R?0001";
    QTest::newRow("Shift across two clicks") << "S+ L S?8001 L S?8000 S- S?0000";
    QTest::newRow("Shift release not seen") << "S+ L0 S?0001 S?0000";
    QTest::newRow("Shift press not seen") << "LS S?8001 S?8000";
    QTest::newRow("Shift again after a release not seen") << "S+ S?8001 L0 S+ S?8001";
  }

  void trackerReportsFreshPresses() {
    QFETCH(QString, script);
    QWidget target;
    target.show();
    KeyPressTracker tracker;
    Play(&target, tracker, script);
  }

  void plainClickDrawsTheChannelAlone() {
    LoadedWindow w;

    w.Click(28);

    QCOMPARE(w.Caption(), QString("Pow Supply Curr"));
    QCOMPARE(w.Series(), QStringList{"Pow Supply Curr"});
    QVERIFY(w.Count(28) > 40);
    QCOMPARE(w.Points(), w.Count(28));
    QVERIFY(w.Selector(28)->isChecked());
    QCOMPARE(w.Box(28)->palette().color(QPalette::Base), kLightYellow);
  }

  void shiftClickDrawsTheGroup() {
    LoadedWindow w;

    w.Shift_Click(8);

    QCOMPARE(w.Caption(), QString("Battery 1 Volt"));
    QCOMPARE(w.Series(), (QStringList{"Battery 0 Volt", "Battery 1 Volt"}));
    QCOMPARE(w.Points(), w.Count(3));

    w.Shift_Click(21);
    QCOMPARE(w.Caption(), QString("Array X+ Curr"));
    QCOMPARE(w.Series(), (QStringList{"Array X- Curr", "Array X+ Curr"}));
  }

  void rightClickSelectsAndDrawsTheGroup() {
    LoadedWindow w;
    w.Click(3);

    w.Right_Click(52);

    QCOMPARE(w.Caption(), QString("Magn Y- Axis"));
    QCOMPARE(w.Series(), (QStringList{"Magn X- Axis", "Magn Y- Axis", "Magn Z- Axis"}));
    QVERIFY(w.Selector(52)->isChecked());
    QVERIFY(!w.Selector(3)->isChecked());
    QCOMPARE(w.Box(52)->palette().color(QPalette::Base), kLightYellow);
    QCOMPARE(w.Box(3)->palette().color(QPalette::Base), kWhite);

    // The press was counted once: a plain click afterwards draws the channel alone.
    w.Click(52);
    QCOMPARE(w.Series(), QStringList{"Magn Y- Axis"});
  }

  void shiftHeldAcrossTwoClicksDrawsTheChannelAloneTheSecondTime() {
    LoadedWindow w;
    QTest::keyPress(w.Selector(13), Qt::Key_Shift, Qt::ShiftModifier);

    QTest::mouseClick(w.Selector(13), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(w.Series(), (QStringList{"Array Y+ Curr", "Array Y- Curr"}));
    QTest::mouseClick(w.Selector(13), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(w.Series(), QStringList{"Array Y- Curr"});

    QTest::keyRelease(w.Selector(13), Qt::Key_Shift);
  }

  void check1SwitchesThePresentChartWithoutReloading() {
    LoadedWindow w;
    w.Shift_Click(51);
    const int drawn = w.Points();
    const auto revision = w.window->App().form.MSChart2.data_revision;
    // More samples arrive after the drawing; the chart keeps the history it showed.
    w.window->App().telemetry.store.Append_Sample(51, 1.0, "2026-11-28 10:00:00");
    QCOMPARE(w.Count(51), drawn + 1);
    auto* check1 = w.Find<QCheckBox>("Check1");

    QTest::mouseClick(check1, Qt::LeftButton);

    QCOMPARE(w.window->App().form.Check1, 1);
    QCOMPARE(w.Plot()->plottableCount(), 3);
    for (int s = 0; s < 3; ++s) QVERIFY(qobject_cast<QCPBars*>(w.Plot()->plottable(s)));
    QCOMPARE(w.Points(), drawn);
    QCOMPARE(w.Caption(), QString("Magn X- Axis"));
    QCOMPARE(w.window->App().form.MSChart2.data_revision, revision);

    QTest::mouseClick(check1, Qt::LeftButton);
    QCOMPARE(w.window->App().form.Check1, 0);
    QCOMPARE(w.Plot()->graphCount(), 3);
    QCOMPARE(w.Points(), drawn);

    // The style stays for the next chart.
    QTest::mouseClick(check1, Qt::LeftButton);
    w.Click(10);
    QVERIFY(qobject_cast<QCPBars*>(w.Plot()->plottable(0)));
    QCOMPARE(w.Points(), w.Count(10));
  }

  void onlyTheLastSelectionIsHighlighted() {
    LoadedWindow w;

    w.Click(3);
    w.Right_Click(51);
    w.Shift_Click(16);
    w.Click(35);
    w.Shift_Click(27);

    for (const ChannelInfo& c : Channel_Table()) {
      if (c.place == Place::Hidden) continue;
      const QColor expected = c.index == 27 ? kLightYellow : kWhite;
      QCOMPARE(w.Box(c.index)->palette().color(QPalette::Base), expected);
      QCOMPARE(w.Selector(c.index)->isChecked(), c.index == 27);
    }
    QCOMPARE(w.Caption(), QString("Array Z- Curr"));
    QCOMPARE(w.Series(), (QStringList{"Array Z+ Curr", "Array Z- Curr"}));
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::ChartSelectionTest)
#include "chart_selection_test.moc"
