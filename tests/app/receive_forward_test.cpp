// orvelt-receive --forward end to end: frames from a loopback KISS server reach a telemetry
// server started by the test, both on 127.0.0.1; the station comes from the user's saved
// settings with the command line over them.

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

#include "decode/telemetry_state.hpp"
#include "forward/sids_test_server.hpp"
#include "forward/station_settings_store.hpp"
#include "ingest/capture_reader.hpp"
#include "live/loopback_tnc.hpp"
#include "support/example_station.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;
using orvelt::testing::SidsTestServer;

namespace {

// A user of the receiver's own: a home with nothing saved unless the test saves it.
struct ScratchUser {
  QTemporaryDir home;

  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    return env;
  }
  // Saves the station as the window's "Station..." dialog would.
  void Save(const StationSettings& station) const {
    QSettings settings(home.filePath(QStringLiteral("config/orvelt/%1.conf")
                                         .arg(QString::fromLatin1(kStationSettingsApplication))),
                       QSettings::IniFormat);
    Save_Station_Settings(settings, station);
  }
  QString Outbox() const { return home.filePath(QStringLiteral("outbox.sqlite")); }
};

// The hex of every frame the decoder takes as telemetry, in order: what must reach a server.
QStringList Telemetry_Hex(const tools::Bytes& capture, const QString& scratch) {
  const QString path = scratch + QStringLiteral("/pass.kss");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(reinterpret_cast<const char*>(capture.data()), static_cast<qint64>(capture.size()));
  file.close();
  TelemetryState state;
  Load_Files(state, {path.toStdString()});
  QStringList hex;
  for (std::size_t i = 0; i < state.frame_log.size(); ++i) {
    const FrameLogEntry entry = state.frame_log.Entry(i);
    if (entry.kind == FrameKind::Other || entry.problem != FrameProblem::None) continue;
    const QByteArray bytes(reinterpret_cast<const char*>(entry.bytes.data()) + 1,
                           static_cast<qsizetype>(entry.bytes.size()) - 1);
    hex << QString::fromLatin1(bytes.toHex().toUpper());
  }
  return hex;
}

void Start(QProcess& receive, const ScratchUser& user, const QStringList& arguments) {
  receive.setProcessEnvironment(user.Environment());
  receive.start(QStringLiteral(ORVELT_RECEIVE_BINARY), arguments);
}

}  // namespace

class ReceiveForwardTest : public QObject {
  Q_OBJECT

 private slots:
  void Telemetry_Frames_Reach_The_Server_With_The_Station_Fields();
  void Dry_Run_Prints_The_Requests_And_Sends_Nothing();
  void Settings_That_Cannot_Be_Used_Stop_It_From_Starting_data();
  void Settings_That_Cannot_Be_Used_Stop_It_From_Starting();
};

void ReceiveForwardTest::Telemetry_Frames_Reach_The_Server_With_The_Station_Fields() {
  // Frames of other stations and damaged frames come in between; they are never sent.
  const tools::CaptureBuilder pass =
      tools::Generate_Pass({.seconds = 12, .seed = 5, .damaged = true, .foreign = true});
  ScratchUser user;
  const QStringList expected = Telemetry_Hex(pass.bytes(), user.home.path());
  QVERIFY(expected.size() > 20);
  SidsTestServer server;
  QVERIFY(server.Listen());
  // Forwarding was left off in the window; --forward turns it on for this run.
  StationSettings saved = testing::Example_Station(server.Url().toStdString());
  saved.forwarding = false;
  user.Save(saved);

  LoopbackTnc tnc(pass.bytes(), 3);
  QVERIFY(tnc.Listen());
  const qint64 started_ms = QDateTime::currentMSecsSinceEpoch();
  QProcess receive;
  Start(receive, user,
        {QStringLiteral("127.0.0.1:%1").arg(tnc.Port()), QStringLiteral("--no-record"),
         QStringLiteral("--forward"), QStringLiteral("--callsign"), QStringLiteral("DL9XYZ"),
         QStringLiteral("--lat=-33.5"), QStringLiteral("--outbox"), user.Outbox()});
  QVERIFY(receive.waitForStarted(3000));
  QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() >= std::size_t(expected.size()), 10000);
  QTest::qWait(100);  // nothing more may follow
  receive.terminate();
  QVERIFY(receive.waitForFinished(5000));
  const QString err = QString::fromUtf8(receive.readAllStandardError());
  QCOMPARE(receive.exitStatus(), QProcess::NormalExit);
  QVERIFY2(receive.exitCode() == 0, qPrintable(err));
  const qint64 ended_ms = QDateTime::currentMSecsSinceEpoch();

  QCOMPARE(server.requests().size(), std::size_t(expected.size()));
  const QRegularExpression timestamp(
      QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
  for (qsizetype i = 0; i < expected.size(); ++i) {
    const SidsTestServer::Request& request = server.requests()[std::size_t(i)];
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/api/telemetry/"));
    QCOMPARE(request.content_type, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.fields.value(QStringLiteral("frame")), expected[i]);
    QCOMPARE(request.fields.value(QStringLiteral("noradID")), QStringLiteral("99999"));
    QCOMPARE(request.fields.value(QStringLiteral("source")), QStringLiteral("DL9XYZ"));
    QCOMPARE(request.fields.value(QStringLiteral("latitude")), QStringLiteral("33.5S"));
    QCOMPARE(request.fields.value(QStringLiteral("longitude")), QStringLiteral("12.345E"));
    QCOMPARE(request.fields.value(QStringLiteral("locator")), QStringLiteral("longLat"));
    QVERIFY(!request.fields.value(QStringLiteral("version")).isEmpty());
    // Stamped with the frame's arrival, while the receiver ran.
    const QString when = request.fields.value(QStringLiteral("timestamp"));
    QVERIFY2(timestamp.match(when).hasMatch(), qPrintable(when));
    const qint64 ms = QDateTime::fromString(when, Qt::ISODateWithMs).toMSecsSinceEpoch();
    QVERIFY(ms >= started_ms && ms <= ended_ms);
  }
  QVERIFY2(err.contains(QStringLiteral("forwarding to %1: sent %2, waiting 0, rejected 0")
                            .arg(server.Url())
                            .arg(expected.size())),
           qPrintable(err));
  QVERIFY(QFile::exists(user.Outbox()));
}

void ReceiveForwardTest::Dry_Run_Prints_The_Requests_And_Sends_Nothing() {
  const tools::CaptureBuilder pass = tools::Generate_Pass({.seconds = 6, .seed = 8});
  ScratchUser user;
  const QStringList expected = Telemetry_Hex(pass.bytes(), user.home.path());
  SidsTestServer server;
  QVERIFY(server.Listen());
  LoopbackTnc tnc(pass.bytes(), 2);
  QVERIFY(tnc.Listen());
  QProcess receive;
  Start(receive, user,
        {QStringLiteral("127.0.0.1:%1").arg(tnc.Port()), QStringLiteral("--no-record"),
         QStringLiteral("--dry-run"), QStringLiteral("--callsign"), QStringLiteral("DL1ABC"),
         QStringLiteral("--lat"), QStringLiteral("47.1"), QStringLiteral("--lon"),
         QStringLiteral("12.345"), QStringLiteral("--norad"), QStringLiteral("99999"),
         QStringLiteral("--server"), server.Url(), QStringLiteral("--outbox"), user.Outbox()});
  QVERIFY(receive.waitForStarted(3000));
  QString err;
  const QString post = QStringLiteral("POST ") + server.Url() + QStringLiteral("\n");
  QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(receive.readAllStandardError()),
                            err.count(post) >= expected.size()),
                           5000);
  QTest::qWait(200);
  receive.terminate();
  QVERIFY(receive.waitForFinished(5000));
  QCOMPARE(receive.exitCode(), 0);
  err += QString::fromUtf8(receive.readAllStandardError());
  QCOMPARE(err.count(post), expected.size());
  QVERIFY2(err.contains(QStringLiteral("frame=") + expected.front()), qPrintable(err));
  QVERIFY(server.requests().empty());
  QVERIFY(!QFile::exists(user.Outbox()));
}

void ReceiveForwardTest::Settings_That_Cannot_Be_Used_Stop_It_From_Starting_data() {
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("reason");
  const QStringList station{QStringLiteral("--callsign"), QStringLiteral("DL1ABC"),
                            QStringLiteral("--norad"),    QStringLiteral("99999"),
                            QStringLiteral("--server"),   QStringLiteral("http://127.0.0.1:9/")};
  // Nothing saved and nothing given: the station is unknown.
  QTest::newRow("nothing saved") << QStringList{QStringLiteral("--forward")}
                                 << QStringLiteral("callsign");
  QTest::newRow("latitude out of range")
      << (QStringList{QStringLiteral("--forward"), QStringLiteral("--lat"), QStringLiteral("95")} +
          station)
      << QStringLiteral("--lat: 95 is outside -90 to 90");
  QTest::newRow("not a server address")
      << QStringList{QStringLiteral("--forward"), QStringLiteral("--server"),
                     QStringLiteral("ftp://127.0.0.1/")}
      << QStringLiteral("--server:");
  QTest::newRow("no NORAD number")
      << (QStringList{QStringLiteral("--forward"), QStringLiteral("--callsign"),
                      QStringLiteral("DL1ABC"), QStringLiteral("--server"),
                      QStringLiteral("http://127.0.0.1:9/")})
      << QStringLiteral("NORAD number");
  // Station options alone would silently forward nothing.
  QTest::newRow("station without --forward") << station << QStringLiteral("need --forward");
}

void ReceiveForwardTest::Settings_That_Cannot_Be_Used_Stop_It_From_Starting() {
  QFETCH(QStringList, options);
  QFETCH(QString, reason);
  ScratchUser user;
  QProcess receive;
  // Port 9 is never listened on here; the receiver must end before it would connect anyway.
  Start(receive, user,
        QStringList{QStringLiteral("127.0.0.1:9"), QStringLiteral("--no-record"),
                    QStringLiteral("--outbox"), user.Outbox()} +
            options);
  QVERIFY(receive.waitForFinished(5000));
  const QString err = QString::fromUtf8(receive.readAllStandardError());
  QCOMPARE(receive.exitCode(), 2);
  QVERIFY2(err.contains(reason), qPrintable(err));
  QVERIFY(!QFile::exists(user.Outbox()));
}

QTEST_GUILESS_MAIN(ReceiveForwardTest)
#include "receive_forward_test.moc"
