// A fetch from the network database in a person's hands: the Fetch dialog opened from the menu,
// typed into, started, stopped while the server asks to wait, and opened again to go on where
// the stopped fetch got, all through real events on a virtual X server.

#include <QtTest>

#include <sqlite3.h>

#include <functional>

#include "archive/archive_place.hpp"
#include "archive/utc_time.hpp"
#include "forward/sids_test_server.hpp"
#include "journey/journey_steps.hpp"
#include "qt/fetch_dialog.hpp"
#include "qt/main_window.hpp"

namespace {

using orvelt::testing::SidsTestServer;
using Answer = SidsTestServer::Answer;
using namespace orvelt::journey;

constexpr orvelt::UtcSeconds kNewest = 1795856400;  // 2026-11-28 09:00:00 UTC

// `count` frames a second apart, newest first from `newest`, as a cursor page of the network
// database: its next page named in the body only.
QByteArray Cursor_Page(orvelt::UtcSeconds newest, int count, const QString& next) {
  QByteArray results;
  for (int k = 0; k < count; ++k) {
    results += QByteArray(k ? "," : "") + "{\"frame\": \"C0 80 00 00 02 2C 03 00 " +
               QByteArray::number(0x10 + k, 16).toUpper() + " 00\", \"timestamp\": \"" +
               QByteArray::fromStdString(orvelt::Format_Utc_Time(newest - k)) +
               "\", \"observer\": \"DL0ABC-JO62\"}";
  }
  const QByteArray link = next.isEmpty() ? "null" : "\"" + next.toUtf8() + "\"";
  return "{\"next\": " + link + ", \"previous\": null, \"results\": [" + results + "]}";
}

// Opens File / Fetch from SatNOGS DB... with Alt+F and a click, and runs `steps` in the dialog
// once it is shown and has the focus; Escape closes it if the steps left it open.
void In_Fetch_Dialog(orvelt::MainWindow& window,
                     const std::function<void(orvelt::FetchDialog*)>& steps) {
  Through<orvelt::FetchDialog>(
      &window, [&] { Pick(window, 'f', "Fetch from SatNOGS"); },
      [&](orvelt::FetchDialog* d) {
        steps(d);
        if (d->isVisible()) QTest::keyClick(Keys(), Qt::Key_Escape);
      });
}

}  // namespace

class FetchJourneyTest : public QObject {
  Q_OBJECT

 private slots:
  // Started, stopped while the server asks to wait, and fetched on from where it stopped.
  void stopAndGoOnWhereItStopped();
};

void FetchJourneyTest::stopAndGoOnWhereItStopped() {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  auto window = Started_Window(data.path());

  SidsTestServer server;
  QVERIFY(server.Listen());
  server.Queue(Answer::Status(200, Cursor_Page(kNewest, 25, server.Url() + "?cursor=2")));
  server.Queue({429, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 30\r\n"});
  server.Queue(Answer::Status(200, Cursor_Page(kNewest - 25, 10, {})));

  QString stopped;
  In_Fetch_Dialog(*window, [&](orvelt::FetchDialog* d) {
    // Never fetched from: the From box shows the start that is asked for.
    auto* from = d->findChildren<QDateTimeEdit*>().value(0);
    QVERIFY(from != nullptr && !from->isEnabled());
    QCOMPARE(from->dateTime().toSecsSinceEpoch(), 0);
    Type_Into(Field(d, "&Server:"), server.Origin());
    Type_Into(Field(d, "&NORAD ID:"), "99999");
    Type_Into(Field(d, "&Token:"), "journey-token");
    QPushButton* start = Button(d, "&Fetch");
    QPushButton* stop = Button(d, "Sto&p");
    QVERIFY(start != nullptr && stop != nullptr);
    QVERIFY(stop->isVisible() && !stop->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QLabel* outcome = d->Outcome_Label();
    QTRY_VERIFY_WITH_TIMEOUT(outcome->text().contains("waits the server asked for: 1"), 10000);
    QVERIFY2(outcome->text().startsWith("Page 1: 25 frames so far"), qPrintable(outcome->text()));
    QVERIFY(stop->isEnabled() && !start->isEnabled());
    QTest::mouseClick(stop, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 5000);
    QVERIFY(!stop->isEnabled());
    stopped = outcome->text();
  });
  QVERIFY2(stopped.startsWith("Stopped. 25 frames on 1 page: 25 new, 0 already archived."),
           qPrintable(stopped));
  QVERIFY2(stopped.contains("What was fetched is kept. The next fetch goes on below "
                            "2026-11-28T08:59:36Z, down to 1970-01-01T00:00:00Z."),
           qPrintable(stopped));
  QCOMPARE(server.requests().size(), std::size_t{2});
  QCOMPARE(server.requests()[0].authorization, QByteArray("Token journey-token"));

  QString done;
  In_Fetch_Dialog(*window, [&](orvelt::FetchDialog* d) {
    QLabel* outcome = d->Outcome_Label();
    QVERIFY2(outcome->text().contains("goes on below 2026-11-28T08:59:36Z"),
             qPrintable(outcome->text()));
    QCOMPARE(d->findChildren<QDateTimeEdit*>().value(0)->dateTime().toSecsSinceEpoch(), 0);
    QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(outcome->text().contains("Done."), 10000);
    done = outcome->text();
  });
  QVERIFY2(done.contains("The next fetch starts after 2026-11-28T09:00:00Z."), qPrintable(done));
  QCOMPARE(server.requests().size(), std::size_t{3});
  // Not from the first page again: below the oldest frame the stopped fetch read.
  QVERIFY(server.requests()[2].path.contains("end=2026-11-28T08:59:36Z"));

  // Closed with Escape while the server asks to wait: where the next fetch goes on is kept all
  // the same.
  server.Queue(Answer::Status(200, Cursor_Page(kNewest + 100, 25, server.Url() + "?cursor=3")));
  server.Queue({429, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 30\r\n"});
  In_Fetch_Dialog(*window, [&](orvelt::FetchDialog* d) {
    QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(d->Outcome_Label()->text().contains("waits the server"), 10000);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  {
    auto archive = orvelt::Archive::Open(orvelt::Default_Archive_Path());
    QVERIFY(archive.ok());
    const auto plan =
        orvelt::Plan_Fetch(*archive.value(), server.Origin().toStdString(), 99999, kNewest + 86400);
    QVERIFY(plan.ok() && plan.value().continues);
    QCOMPARE(plan.value().to, kNewest + 100 - 24);
  }

  // An archive that cannot say where the last fetch ended: the dialog says why and asks the
  // server for nothing, where it once fetched from the beginning of time.
  sqlite3* db = nullptr;
  QCOMPARE(sqlite3_open(orvelt::Default_Archive_Path().c_str(), &db), SQLITE_OK);
  QCOMPARE(sqlite3_exec(db, "DROP TABLE fetches", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::size_t asked = server.requests().size();
  In_Fetch_Dialog(*window, [&](orvelt::FetchDialog* d) {
    QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(d->Outcome_Label()->text().contains("reading the last fetch failed"),
                             5000);
    QVERIFY(Button(d, "&Fetch")->isEnabled());
  });
  QCOMPARE(server.requests().size(), asked);
  qunsetenv("XDG_DATA_HOME");
}

QTEST_MAIN(FetchJourneyTest)
#include "fetch_journey_test.moc"
