#include "qt/station_dialog.hpp"

#include "../support/example_station.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using orvelt::StationDialog;
using orvelt::StationSettings;
using orvelt::testing::Example_Station;

namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) qFatal("missing %s", name);
  return child;
}

QString Message(QWidget& dialog) {
  return Child<QLabel>(dialog, "message")->text();
}

void Type(QWidget& dialog, const char* field, const QString& text) {
  QLineEdit* edit = Child<QLineEdit>(dialog, field);
  edit->clear();
  QTest::keyClicks(edit, text);
}

}  // namespace

class StationDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // OK keeps the dialog open and says why, for each kind of unusable entry; with forwarding off
  // the same entry is kept as long as it can be read.
  void refusesWhatForwardingCannotUse() {
    for (const auto& [field, text, message, readable] :
         {std::tuple{"latitude", "91", "latitude: 91 is outside -90 to 90", true},
          {"longitude", "east", "longitude: \"east\" is not a number", false}}) {
      StationDialog dialog(Example_Station());
      dialog.show();
      Type(dialog, field, text);
      QTest::mouseClick(
          dialog.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok),
          Qt::LeftButton);
      QVERIFY(dialog.isVisible());
      QVERIFY2(Message(dialog).startsWith(message), qPrintable(Message(dialog)));
      Child<QCheckBox>(dialog, "forwarding")->setChecked(false);
      dialog.accept();
      QCOMPARE(dialog.result() == QDialog::Accepted, readable);
    }
  }

  void locatorAndServersFillTheSettings() {
    StationDialog dialog(Example_Station());
    Type(dialog, "locator", "JN58td");
    QTest::mouseClick(Child<QPushButton>(dialog, "useLocator"), Qt::LeftButton);
    Type(dialog, "newServer", "ftp://x/");
    QTest::mouseClick(Child<QPushButton>(dialog, "addServer"), Qt::LeftButton);
    QVERIFY2(Message(dialog).startsWith("server: ftp://x/: the address must start with https://"),
             qPrintable(Message(dialog)));
    QTest::mouseClick(Child<QPushButton>(dialog, "addPreset"), Qt::LeftButton);
    Child<QListWidget>(dialog, "servers")->item(0)->setCheckState(Qt::Unchecked);

    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const StationSettings settings = dialog.settings();
    QCOMPARE(settings.latitude, 48.145833);
    QCOMPARE(settings.longitude, 11.625);
    QCOMPARE(settings.servers.size(), std::size_t(2));
    QVERIFY(!settings.servers[0].enabled);
    QCOMPARE(settings.servers[1].url, std::string(orvelt::kSatnogsDbTelemetryUrl));
    QVERIFY(settings.servers[1].enabled);
    QCOMPARE(settings.callsign, std::string("DL1ABC"));
    QCOMPARE(settings.norad_id, std::uint64_t(99999));
  }
};

QTEST_MAIN(StationDialogTest)
#include "station_dialog_test.moc"
