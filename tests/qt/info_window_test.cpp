#include "qt/info_window.hpp"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "qt/satellite_drawing.hpp"

namespace {

QString Label_Text(QWidget* window, const char* name) {
  auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

int Open_Info_Windows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String("Info") && widget->isVisible()) ++count;
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
    QCOMPARE(Label_Text(window, label.toLatin1().constData()), text);
    QCOMPARE(window->windowTitle(), QStringLiteral("Info"));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(window->autoFillBackground());
  }

  void hasTheLayoutOfTheTable() {
    orvelt::MnuInfo_Click(nullptr);
    QWidget* window = orvelt::Info_Window();
    QVERIFY(window != nullptr);
    const double sx = window->logicalDpiX() / 1440.0;
    const double sy = window->logicalDpiY() / 1440.0;
    QCOMPARE(window->size(), QSize(qRound(8130 * sx), qRound(5730 * sy)));

    auto* title = window->findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(title != nullptr);
    QCOMPARE(title->font().pointSizeF(), 13.5);
    QVERIFY(window->findChild<QLabel*>(QStringLiteral("Label8"))->font().bold());

    auto* frame = window->findChild<QGroupBox*>(QStringLiteral("Frame1"));
    auto* version = window->findChild<QLabel*>(QStringLiteral("Label2"));
    QVERIFY(frame != nullptr && version != nullptr);
    QCOMPARE(version->parentWidget(), frame);
    QVERIFY(version->alignment().testFlag(Qt::AlignHCenter));
    QVERIFY(frame->title().isEmpty());

    auto* image = window->findChild<QLabel*>(QStringLiteral("Image2"));
    QVERIFY(image != nullptr);
    QCOMPARE(image->pixmap().size(), QSize(qRound(4500 * sx), qRound(3945 * sy)));
    QCOMPARE(image->geometry().topLeft(), QPoint(qRound(3480 * sx), qRound(120 * sy)));
  }

  void disclaimerAndNoAddresses() {
    orvelt::MnuInfo_Click(nullptr);
    QWidget* window = orvelt::Info_Window();
    const QString disclaimer = Label_Text(window, "Label11");
    for (const char* phrase : {"as is", "without warranty of any kind", "at your own risk"}) {
      QVERIFY2(disclaimer.contains(QLatin1String(phrase)), phrase);
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
      QVERIFY2(!label->text().contains(QLatin1Char('@')), qPrintable(label->text()));
      QVERIFY2(!label->text().contains(QLatin1String("http")), qPrintable(label->text()));
    }
  }

  void oneInstanceNotModalWithoutOwner() {
    QWidget owner;
    owner.setGeometry(100, 100, 900, 700);
    owner.show();
    orvelt::MnuInfo_Click(&owner);
    QPointer<QWidget> first = orvelt::Info_Window();
    QVERIFY(first != nullptr);
    QVERIFY(first->isVisible());
    QCOMPARE(first->parentWidget(), nullptr);
    QCOMPARE(first->windowModality(), Qt::NonModal);
    QVERIFY(first->isWindow());
    QVERIFY(qAbs(first->geometry().center().x() - owner.frameGeometry().center().x()) <= 20);
    QVERIFY(qAbs(first->geometry().center().y() - owner.frameGeometry().center().y()) <= 40);

    orvelt::MnuInfo_Click(&owner);
    QCOMPARE(orvelt::Info_Window(), first.data());
    QCOMPARE(Open_Info_Windows(), 1);
  }

  void closingDiscardsAndReopeningBuildsAnew() {
    orvelt::MnuInfo_Click(nullptr);
    QPointer<QWidget> first = orvelt::Info_Window();
    QVERIFY(first != nullptr);
    first->findChild<QLabel*>(QStringLiteral("Label2"))->setText(QStringLiteral("changed"));

    Close_Info();
    QVERIFY(first.isNull());
    QCOMPARE(orvelt::Info_Window(), nullptr);
    QCOMPARE(Open_Info_Windows(), 0);

    orvelt::MnuInfo_Click(nullptr);
    QWidget* second = orvelt::Info_Window();
    QVERIFY(second != nullptr);
    QVERIFY(second->isVisible());
    QCOMPARE(Label_Text(second, "Label2"), QStringLiteral("Version 2.6    (26 February 2018)"));
    QVERIFY(!Label_Text(second, "Label11").isEmpty());
    QCOMPARE(Open_Info_Windows(), 1);
  }

  void pictureIsDrawn() {
    const QImage picture = orvelt::Satellite_Picture(QSize(300, 263)).toImage();
    QCOMPARE(picture.size(), QSize(300, 263));
    int inked = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        if (picture.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
      }
    }
    // A drawing, not an empty or filled box.
    QVERIFY(inked > 300 * 263 / 20);
    QVERIFY(inked < 300 * 263 / 2);
  }
};

QTEST_MAIN(InfoWindowTest)
#include "info_window_test.moc"
