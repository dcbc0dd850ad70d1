// Forwarding in the window when its outbox is damaged. The requests themselves are checked by
// the forwarder's and orvelt-receive's tests, and the station dialog and "Forward loaded
// frames..." by the journey tests.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

#include "forward/station_settings_store.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/main_window.hpp"
#include "support/example_station.hpp"
#include "support/scripted_platform.hpp"

using namespace orvelt;

class ForwardingWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    // Settings of this test's own, apart from the other window tests that run beside it.
    QCoreApplication::setOrganizationName(QStringLiteral("orvelt-forwarding-window-test"));
  }

  // Forwarding was left on, and the outbox it sends from has since been damaged: the window
  // says so without blocking, forwarding stays off and the file is left as it was.
  void damagedOutboxIsSaidAtStartAndLeftAsItWas() {
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
    QVERIFY2(notice->text().contains("is damaged"), qPrintable(notice->text()));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window.Forwarding().forwarder() == nullptr);
    notice->close();
    QFile file(outbox);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
    file.remove();
    settings.clear();
  }
};

QTEST_MAIN(ForwardingWindowTest)
#include "forwarding_window_test.moc"
