// Forwarding in the window: "Station..." saves the station and starts forwarding, live
// telemetry reaches a telemetry server started by the test on 127.0.0.1, "Outbox..." shows the
// outbox, and "Forward loaded frames..." asks first and stamps the frames with their labels.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include "decode/time_label.hpp"
#include "forward/sids_test_server.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_session.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "qt/outbox_view.hpp"
#include "qt/station_dialog.hpp"
#include "support/example_station.hpp"
#include "support/scripted_platform.hpp"
#include "support/test_font.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;
using orvelt::testing::SidsTestServer;

namespace {

// Runs `answer` on the modal dialog that `trigger` opens; false when none opened.
bool Answer_Modal(QAction* trigger, const std::function<void(QWidget*)>& answer) {
  bool answered = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      answered = true;
      answer(modal);
    }
  });
  trigger->trigger();
  return answered;
}

// A window whose station is saved with forwarding off, sending to the test's server from a
// scratch outbox once "Station..." turns forwarding on.
struct ForwardingWindow {
  QTemporaryDir dir;
  SidsTestServer server;
  std::unique_ptr<MainWindow> window;

  ForwardingWindow() {
    if (!server.Listen()) qFatal("no loopback port");
    QSettings settings;
    settings.clear();
    StationSettings station = orvelt::testing::Example_Station(server.Url().toStdString());
    station.forwarding = false;
    Save_Station_Settings(settings, station);
    window = std::make_unique<MainWindow>(std::make_unique<orvelt::testing::ScriptedPlatform>(),
                                          nullptr, orvelt::testing::Test_Font_Families());
    if (const auto started = window->Start_Up(); !started)
      qFatal("start-up: %s", started.why().c_str());
    window->Forwarding().Set_Outbox_Path(
        dir.filePath(QStringLiteral("outbox.sqlite")).toStdString());
    window->show();
  }
  QAction* Action(const char* name) const { return window->findChild<QAction*>(name); }
  ForwardingController& Forwarding() const { return window->Forwarding(); }

  // What "Forward loaded frames..." asks or tells, answered with `button` or closed; empty when
  // no message box opened.
  QString Forward_Loaded(QMessageBox::StandardButton button = QMessageBox::NoButton) {
    QString text;
    Answer_Modal(Action("MenuFileForwardLoaded"), [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      text = box != nullptr ? box->text() : QString();
      if (box == nullptr || button == QMessageBox::NoButton) modal->close();
      if (box != nullptr && button != QMessageBox::NoButton) box->button(button)->click();
    });
    return text;
  }

  // File / Station...: the saved station is shown; forwarding is turned on and kept.
  bool Turn_On_Forwarding() {
    QString callsign;
    const bool answered = Answer_Modal(Action("MenuFileStation"), [&](QWidget* modal) {
      auto* dialog = qobject_cast<StationDialog*>(modal);
      if (dialog == nullptr) {
        modal->close();
        return;
      }
      callsign = dialog->findChild<QLineEdit*>("callsign")->text();
      dialog->findChild<QCheckBox*>("forwarding")->setChecked(true);
      dialog->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok)->click();
    });
    return answered && callsign == QStringLiteral("DL1ABC") && Forwarding().forwarder() != nullptr;
  }
};

}  // namespace

class ForwardingWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    // Settings of this test's own, apart from the other window tests that run beside it.
    QCoreApplication::setOrganizationName(QStringLiteral("orvelt-forwarding-window-test"));
  }
  void Station_Menu_Turns_Forwarding_On_And_Live_Telemetry_Is_Sent();
  void Loaded_Frames_Are_Sent_After_Asking_Stamped_With_Their_Labels();
  void A_Damaged_Outbox_Is_Said_At_Start_And_Left_As_It_Was();
};

void ForwardingWindowTest::A_Damaged_Outbox_Is_Said_At_Start_And_Left_As_It_Was() {
  // Forwarding was left on, and the outbox it sends from has since been damaged.
  QSettings settings;
  settings.clear();
  StationSettings station = orvelt::testing::Example_Station("http://127.0.0.1:9/");
  station.forwarding = true;
  Save_Station_Settings(settings, station);
  const QString outbox = QString::fromStdString(Default_Outbox_Path().string());
  QVERIFY(QDir().mkpath(QFileInfo(outbox).path()));
  const QByteArray damaged(8192, 'x');
  {
    QFile file(outbox);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(damaged);
  }
  MainWindow window(std::make_unique<orvelt::testing::ScriptedPlatform>());
  QVERIFY(window.Start_Up().ok());
  window.show();
  QMessageBox* notice = nullptr;
  QTRY_VERIFY((notice = window.findChild<QMessageBox*>("ForwardingOffNotice")) != nullptr &&
              notice->isVisible());
  QVERIFY2(notice->text().startsWith("Forwarding is off: the outbox ") &&
               notice->text().contains("is damaged") &&
               notice->text().contains("Reception and recording go on"),
           qPrintable(notice->text()));
  // Not modal: the window goes on taking input.
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QVERIFY(window.Forwarding().forwarder() == nullptr);
  notice->close();
  QFile file(outbox);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), damaged);
  file.remove();
  settings.clear();
}

void ForwardingWindowTest::Station_Menu_Turns_Forwarding_On_And_Live_Telemetry_Is_Sent() {
  ForwardingWindow w;
  QVERIFY(w.Forwarding().forwarder() == nullptr);
  QVERIFY(w.Turn_On_Forwarding());
  QSettings settings;
  QVERIFY(Load_Station_Settings(settings).forwarding);

  // Live frames, other stations' and damaged ones among them: only telemetry is sent.
  LiveSession& session = w.window->Live().Receiver().Session();
  int telemetry = 0;
  session.Add_Observer([&](const LiveFrame& frame) { telemetry += Is_Telemetry(frame) ? 1 : 0; });
  const auto pass =
      tools::Generate_Pass({.seconds = 6, .seed = 4, .damaged = true, .foreign = true});
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  QVERIFY(session.Begin("", now));
  session.Feed(pass.bytes(), now);
  QVERIFY(telemetry > 10);
  QTRY_COMPARE_WITH_TIMEOUT(w.server.requests().size(), std::size_t(telemetry), 10000);
  QCOMPARE(w.server.requests().front().fields.value(QStringLiteral("source")),
           QStringLiteral("DL1ABC"));
  QTRY_VERIFY_WITH_TIMEOUT(w.Forwarding().Status_Text().contains(
                               QStringLiteral("sent %1, waiting 0, rejected 0").arg(telemetry)),
                           2000);

  // The outbox view opens on the same outbox.
  w.Action("MenuFileOutbox")->trigger();
  auto* view = w.window->findChild<OutboxView*>("OutboxView");
  QVERIFY(view != nullptr && view->isVisible());

  // Live frames were queued as they came: they are not offered again.
  const QString said = w.Forward_Loaded();
  QVERIFY2(said.contains(QStringLiteral("No frame of the loaded files is left to forward")),
           qPrintable(said));
  QVERIFY2(said.contains(QStringLiteral("%1 frames were queued").arg(telemetry)), qPrintable(said));
}

void ForwardingWindowTest::Loaded_Frames_Are_Sent_After_Asking_Stamped_With_Their_Labels() {
  ForwardingWindow w;
  const auto pass = tools::Generate_Pass({.seconds = 5, .seed = 6, .foreign = true});
  const QString file = w.dir.filePath(QStringLiteral("pass.kss"));
  QVERIFY(pass.Write_File(file.toStdString()));
  w.window->Load_Files({file.toStdString()});

  // Forwarding is off: nothing is asked and nothing is sent.
  QString said = w.Forward_Loaded();
  QVERIFY2(said.contains(QStringLiteral("Forwarding does not run")), qPrintable(said));

  QVERIFY(w.Turn_On_Forwarding());
  // Cancelled: nothing is sent.
  said = w.Forward_Loaded(QMessageBox::Cancel);
  QTest::qWait(50);
  QVERIFY(w.server.requests().empty());
  // The pass starts at its first label and has one label a second.
  const QString first = QString::fromStdString(Format_Time_Label(tools::PassOptions{}.start));
  const QString last = QString::fromStdString(Format_Time_Label(tools::PassOptions{}.start + 4));
  QVERIFY2(
      said.startsWith(QStringLiteral("Forward ")) &&
          said.contains(QStringLiteral(" frames received from %1 to %2 UTC?").arg(first, last)),
      qPrintable(said));
  const int count = said.section(QLatin1Char(' '), 1, 1).toInt();
  QVERIFY(count > 10);

  QVERIFY(!w.Forward_Loaded(QMessageBox::Yes).isEmpty());
  QTRY_COMPARE_WITH_TIMEOUT(w.server.requests().size(), std::size_t(count), 10000);
  // Stamped with the label's time, not with the time they were sent.
  QString expected_stamp = first;
  expected_stamp.replace(QLatin1Char(' '), QLatin1Char('T'));
  QCOMPARE(w.server.requests().front().fields.value(QStringLiteral("timestamp")),
           expected_stamp + QStringLiteral(".000Z"));
}

QTEST_MAIN(ForwardingWindowTest)
#include "forwarding_window_test.moc"
