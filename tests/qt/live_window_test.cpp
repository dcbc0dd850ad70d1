// The window during live reception from a loopback TNC: it follows the newest record until the
// user moves the scroll bar, resumes with End and reports the link. The chart growing
// with the samples is checked by the journey tests.

#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ingest/capture_reader.hpp"
#include "live/follow.hpp"
#include "live/loopback_tnc.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"
#include "support/test_font.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;

namespace {

constexpr LinkTiming kFastTiming{{20, 100}, 2000};

struct LiveWindow {
  std::unique_ptr<MainWindow> window =
      std::make_unique<MainWindow>(std::make_unique<orvelt::testing::ScriptedPlatform>(), nullptr,
                                   orvelt::testing::Test_Font_Families());
  LiveController& live = window->Live();

  LiveWindow() {
    if (const auto started = window->Start_Up(); !started)
      qFatal("start-up: %s", started.why().c_str());
    live.Set_Timing(kFastTiming);
    window->show();
  }
  QScrollBar* Scroll() const { return window->findChild<QScrollBar*>("HScroll1"); }
  // The whole status line: the label may show it shortened to fit.
  QString Status() const { return QString::fromStdString(window->App().form.Label3); }
  const TelemetryState& State() const { return window->App().telemetry; }
};

// The offset just after the FEND that closes the frame in which `fraction` of the bytes end.
std::size_t Frame_Boundary(const tools::Bytes& bytes, double fraction) {
  auto at = static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction);
  while (bytes[at - 1] != kFend || bytes[at] != kFend) ++at;
  return at;
}

// A window connected to a loopback TNC that sends the first half of a pass, goes away for
// `pause_ms` and then sends the rest.
struct HalfwayDrop {
  tools::CaptureBuilder pass;
  LoopbackTnc tnc;
  LiveWindow w;
  QTemporaryDir dir;

  HalfwayDrop(const tools::PassOptions& options, int pause_ms)
      : pass(tools::Generate_Pass(options)), tnc(pass.bytes()) {
    if (!tnc.Listen()) qFatal("no loopback port");
    tnc.Drop_At(Frame_Boundary(pass.bytes(), 0.5), pause_ms);
    if (!w.live.Connect_To("127.0.0.1:" + std::to_string(tnc.Port()), dir.path().toStdString())) {
      qFatal("cannot connect");
    }
  }
  // The first half is in and the TNC is away.
  bool First_Half_In() const {
    const LinkStatus& link = w.live.Receiver().Link().Status();
    return link.connections == 1 && link.phase == LinkPhase::Waiting;
  }
};

}  // namespace

class LiveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void Follows_Until_The_User_Moves_And_Resumes_With_End();
};

void LiveWindowTest::Follows_Until_The_User_Moves_And_Resumes_With_End() {
  // The TNC stays away long enough for the checks below to run before the second half.
  HalfwayDrop session({.seconds = 30}, 1000);
  LiveWindow& w = session.w;
  LoopbackTnc& tnc = session.tnc;
  QTRY_VERIFY_WITH_TIMEOUT(session.First_Half_In(), 3000);
  QVERIFY(w.Status().contains("reconnecting to 127.0.0.1:"));
  // The TNC went away, then refused while it was down.
  QVERIFY(w.Status().contains("(closed by the TNC)") || w.Status().contains("(refused)"));
  // Following: the bar stands at the newest record and the boxes show it.
  const int newest = Newest_Record(w.State().store, -1);
  QVERIFY(newest > 1);
  QTRY_COMPARE_WITH_TIMEOUT(w.Scroll()->value(), newest, 1000);

  // The user steps back: following stops, and new frames leave the bar where the user put it.
  w.Scroll()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  QVERIFY(!w.live.Following());
  const int chosen = w.Scroll()->value();
  QTRY_VERIFY_WITH_TIMEOUT(tnc.Done() && Newest_Record(w.State().store, -1) > newest, 3000);
  QTest::qWait(100);
  QCOMPARE(w.Scroll()->value(), chosen);

  // End resumes following.
  w.window->activateWindow();
  QTest::keyClick(w.window.get(), Qt::Key_End);
  QVERIFY(w.live.Following());
  QTRY_COMPARE_WITH_TIMEOUT(w.Scroll()->value(), Newest_Record(w.State().store, -1), 1000);
  QVERIFY(w.Status().contains("connected to 127.0.0.1:"));
  QVERIFY(w.Status().contains("recording ORVELT-1_"));
  w.live.Disconnect();
  QVERIFY(w.Status().startsWith("disconnected"));
}

QTEST_MAIN(LiveWindowTest)
#include "live_window_test.moc"
