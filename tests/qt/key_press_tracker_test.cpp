#include "qt/key_press_tracker.hpp"

#include <QtTest>

namespace orvelt {

// The selection rules read Shift and the right button as an asynchronous key-state query; the
// tracker must answer it from the events the application saw, including the ones that came
// with a click only.
class KeyPressTrackerTest : public QObject {
  Q_OBJECT

 private slots:
  void answersFromTheEventsSeen_data() {
    QTest::addColumn<QString>("script");  // S+/S- Shift down/up, L/LS click without/with Shift,
    QTest::addColumn<int>("shift");       // R+/R- right button down/up, Q a query of both
    QTest::addColumn<int>("right");
    QTest::newRow("Shift down") << "S+" << 0x8001 << 0;
    QTest::newRow("Shift pressed and released") << "S+ S-" << 0x0001 << 0;
    QTest::newRow("Shift press only seen on a click") << "LS" << 0x8001 << 0;
    QTest::newRow("Shift release not seen") << "S+ L" << 0x0001 << 0;
    QTest::newRow("query clears the press") << "S+ Q" << 0x8000 << 0;
    QTest::newRow("right button held") << "R+" << 0 << 0x8001;
    QTest::newRow("right click counted once") << "R+ R- Q L" << 0 << 0;
  }

  void answersFromTheEventsSeen() {
    QFETCH(QString, script);
    QWidget target;
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    KeyPressTracker tracker;
    for (const QString& step : script.split(' ')) {
      if (step == "S+") QTest::keyPress(&target, Qt::Key_Shift, Qt::ShiftModifier);
      if (step == "S-") QTest::keyRelease(&target, Qt::Key_Shift);
      if (step == "L" || step == "LS") {
        QTest::mouseClick(&target, Qt::LeftButton,
                          step == "LS" ? Qt::ShiftModifier : Qt::NoModifier);
      }
      if (step == "R+") QTest::mousePress(&target, Qt::RightButton);
      if (step == "R-") QTest::mouseRelease(&target, Qt::RightButton);
      if (step == "Q") {
        tracker.Query(AsyncKey::Shift);
        tracker.Query(AsyncKey::RightButton);
      }
    }
    QTEST(int(tracker.Query(AsyncKey::Shift)), "shift");
    QTEST(int(tracker.Query(AsyncKey::RightButton)), "right");
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::KeyPressTrackerTest)
#include "key_press_tracker_test.moc"
