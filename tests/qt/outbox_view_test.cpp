#include "qt/outbox_view.hpp"

#include "forward/outbox.hpp"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using orvelt::Outbox;
using orvelt::OutboxView;

namespace {

const std::string kA = "https://a.example/";
const std::string kB = "https://b.example/";

}  // namespace

class OutboxViewTest : public QObject {
  Q_OBJECT

 private slots:
  void showsCountsAndActsOnRejectedFrames() {
    QTemporaryDir dir;
    auto opened = Outbox::Open((dir.path() + "/outbox.sqlite").toStdString());
    QVERIFY(opened.ok());
    Outbox& outbox = *opened.value();
    const std::vector<std::uint8_t> frame = {0x00, 0x01};
    const auto one = outbox.Enqueue(frame, 1796638500123, {kA, kB}).value();
    const auto two = outbox.Enqueue(frame, 1796638501000, {kA}).value();
    QVERIFY(outbox.Mark_Sent(one, kB).ok());
    QVERIFY(outbox.Mark_Rejected(one, kA, "HTTP 400 Bad Request: unknown satellite").ok());
    QVERIFY(outbox.Mark_Rejected(two, kA, "HTTP 400 Bad Request").ok());

    OutboxView view(outbox, {kA, kB});
    QSignalSpy changed(&view, &OutboxView::outboxChanged);
    QVERIFY(view.findChild<QPushButton*>("discardRemoved")->isHidden());
    auto* counts = view.findChild<QTableWidget*>("counts");
    auto* rejected = view.findChild<QTableWidget*>("rejected");
    auto* discard = view.findChild<QPushButton*>("discard");
    QCOMPARE(counts->rowCount(), 2);
    QCOMPARE(counts->item(0, 0)->text(), QString::fromStdString(kA));
    QCOMPARE(counts->item(0, 3)->text(), QStringLiteral("2"));
    QCOMPARE(counts->item(1, 1)->text(), QStringLiteral("1"));
    QCOMPARE(rejected->rowCount(), 2);
    QCOMPARE(rejected->item(0, 1)->text(), QStringLiteral("2026-12-07T10:15:00.123Z"));
    QCOMPARE(rejected->item(0, 2)->text(),
             QStringLiteral("HTTP 400 Bad Request: unknown satellite"));
    QVERIFY(!discard->isEnabled());

    rejected->selectRow(1);
    QTest::mouseClick(discard, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rejected->rowCount(), 1);
    QCOMPARE(outbox.Counts_For(kA).value().rejected, 1);

    QTest::mouseClick(view.findChild<QPushButton*>("retryRejected"), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(rejected->rowCount(), 0);
    QCOMPARE(outbox.Counts_For(kA).value().waiting, 1);
    QCOMPARE(counts->item(0, 2)->text(), QStringLiteral("1"));
  }

  void namesAndDiscardsTheFramesOfRemovedServers() {
    QTemporaryDir dir;
    auto opened = Outbox::Open((dir.path() + "/outbox.sqlite").toStdString());
    QVERIFY(opened.ok());
    Outbox& outbox = *opened.value();
    QVERIFY(outbox.Enqueue(std::vector<std::uint8_t>{0x00, 0x01}, 1, {kA, kB}).ok());
    // kB was taken out of the settings: its frame would wait unseen.
    OutboxView view(outbox, {kA});
    view.show();
    QSignalSpy changed(&view, &OutboxView::outboxChanged);
    auto* removed = view.findChild<QLabel*>("removedServers");
    auto* discard = view.findChild<QPushButton*>("discardRemoved");
    QVERIFY(discard->isVisible());
    QCOMPARE(removed->text(), QStringLiteral("1 frame waits for https://b.example/, which is no "
                                             "longer a server: they are not sent"));
    QTest::mouseClick(discard, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!discard->isVisible());
    QCOMPARE(outbox.Counts_For(kB).value().waiting, 0);
    QCOMPARE(outbox.Counts_For(kA).value().waiting, 1);
  }
};

QTEST_MAIN(OutboxViewTest)
#include "outbox_view_test.moc"
