#include "qt/info_window.hpp"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QtTest>

namespace {

QString Label_Text(QWidget* window, const QString& name) {
  auto* label = window->findChild<QLabel*>(name);
  return label != nullptr ? label->text() : "<missing " + name + ">";
}

int Open_Info_Windows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    count += widget->objectName() == QLatin1String("Info") && widget->isVisible();
  }
  return count;
}

void Close_Info() {
  if (QWidget* window = orvelt::Info_Window()) window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class InfoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { Close_Info(); }

  void showsTheTextsOnWhite_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("title") << "Label1"
                           << "ORVELT-1 Telemetry Decoder";
    QTest::newRow("call sign") << "Label8"
                               << "KAVRO";
    QTest::newRow("version") << "Label2"
                             << "Version 2.6    (26 February 2018)";
  }

  void showsTheTextsOnWhite() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    orvelt::MnuInfo_Click(nullptr);
    QWidget* window = orvelt::Info_Window();
    QVERIFY(window != nullptr);
    QCOMPARE(Label_Text(window, label), text);
    QCOMPARE(window->windowTitle(), QStringLiteral("Info"));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(Label_Text(window, "Label11").contains("without warranty of any kind"));
  }

  // A second request raises the one window, which belongs to no other window and blocks none;
  // once closed, the next request builds it anew.
  void oneInstanceReopenedAfterClose() {
    QWidget owner;
    owner.show();
    orvelt::MnuInfo_Click(&owner);
    QPointer<QWidget> first = orvelt::Info_Window();
    QVERIFY(first != nullptr && first->isVisible());
    QCOMPARE(first->parentWidget(), nullptr);
    QCOMPARE(first->windowModality(), Qt::NonModal);
    first->findChild<QLabel*>("Label2")->setText("changed");
    orvelt::MnuInfo_Click(&owner);
    QCOMPARE(orvelt::Info_Window(), first.data());
    QCOMPARE(Open_Info_Windows(), 1);

    Close_Info();
    QVERIFY(first.isNull());
    QCOMPARE(orvelt::Info_Window(), nullptr);
    orvelt::MnuInfo_Click(&owner);
    QVERIFY(orvelt::Info_Window() != nullptr && orvelt::Info_Window()->isVisible());
    QCOMPARE(Label_Text(orvelt::Info_Window(), "Label2"),
             QStringLiteral("Version 2.6    (26 February 2018)"));
    QCOMPARE(Open_Info_Windows(), 1);
  }
};

QTEST_MAIN(InfoWindowTest)
#include "info_window_test.moc"
