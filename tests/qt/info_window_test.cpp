#include "qt/info_window.hpp"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QtTest>

class InfoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // One window per owner slot: a second "Info" raises it, a closed one is built anew.
  void opensOnceAndAgainAfterClosingAtOneSize() {
    QWidget owner;
    QPointer<QWidget> info;
    orvelt::MnuInfo_Click(info, &owner);
    QPointer<QWidget> first = info;
    QVERIFY(first && first->isVisible());
    orvelt::MnuInfo_Click(info, &owner);
    QCOMPARE(info.data(), first.data());
    info->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(info.isNull());
    orvelt::MnuInfo_Click(info, &owner);
    QVERIFY(info && info->isVisible());
    // The content is laid out for one size, and the version frame stands in front of the
    // picture's edge that it overlaps.
    QCOMPARE(info->minimumSize(), info->maximumSize());
    auto* frame = info->findChild<QGroupBox*>("Frame1");
    auto* picture = info->findChild<QLabel*>("Image2");
    QVERIFY(frame && picture);
    const QRect overlap = frame->geometry() & picture->geometry();
    QVERIFY(!overlap.isEmpty());
    QWidget* on_top = info->childAt(overlap.center());
    QVERIFY(on_top == frame || frame->isAncestorOf(on_top));
    // The captions of the addresses are fixed content, whole in their places.
    for (const auto& [name, caption] : {std::pair{"Label6", "Homepage:"}, {"Label7", "e-mail:"}}) {
      auto* label = info->findChild<QLabel*>(name);
      QVERIFY2(label && label->text() == QLatin1String(caption), name);
      QVERIFY2(label->width() >= label->sizeHint().width(), name);
    }
    delete info.data();
  }
};

QTEST_MAIN(InfoWindowTest)
#include "info_window_test.moc"
