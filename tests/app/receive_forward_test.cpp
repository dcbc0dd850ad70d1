// orvelt-receive --forward end to end: frames from a loopback KISS server reach a telemetry
// server started by the test, both on 127.0.0.1; the station comes from the user's saved
// settings with the command line over them.

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

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
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    return env;
  }
  // Saves the station as the window's "Station..." dialog would.
  void Save(const StationSettings& station) const {
    QSettings settings(home.filePath(QStringLiteral("config/orvelt/%1.conf")
                                         .arg(QString::fromLatin1(kStationSettingsApplication))),
                       QSettings::IniFormat);
    Save_Station_Settings(settings, station);
  }
  QString Outbox() const { return home.filePath("outbox.sqlite"); }
};

// The hex of every frame the decoder takes as telemetry, in order: what must reach a server.
QStringList Telemetry_Hex(const tools::CaptureBuilder& capture, const QString& scratch) {
  const QString path = scratch + "/pass.kss";
  if (!capture.Write_File(path.toStdString())) return {};
  TelemetryState state;
  Load_Files(state, {path.toStdString()});
  QStringList hex;
  for (std::size_t i = 0; i < state.frame_log.size(); ++i) {
    const FrameLogEntry entry = state.frame_log.Entry(i);
    if (entry.kind == FrameKind::Other || entry.problem != FrameProblem::None) continue;
    hex << QString::fromStdString(Hex_Line(entry.bytes.subspan(1))).remove(' ');
  }
  return hex;
}

// orvelt-receive as the user starts it on the TNC at `port`, with a scratch outbox.
bool Start(QProcess& receive, const ScratchUser& user, quint16 port, const QStringList& options) {
  receive.setProcessEnvironment(user.Environment());
  receive.start(ORVELT_RECEIVE_BINARY, QStringList{QStringLiteral("127.0.0.1:%1").arg(port),
                                                   "--no-record", "--outbox", user.Outbox()} +
                                           options);
  return receive.waitForStarted(3000);
}

// Ends it as a service manager would: what it said on standard error, or how it failed to end.
QString Stop(QProcess& receive) {
  receive.terminate();
  if (!receive.waitForFinished(5000)) return "still running after SIGTERM";
  const QString err = QString::fromUtf8(receive.readAllStandardError());
  if (receive.exitStatus() == QProcess::NormalExit && receive.exitCode() == 0) return err;
  qWarning().noquote() << err;  // to the log, where no check can find its words
  return QStringLiteral("ended with status %1").arg(receive.exitCode());
}

// A pass served by a loopback TNC, the telemetry among it and a server to forward it to.
struct Served {
  ScratchUser user;
  tools::CaptureBuilder pass;
  QStringList expected = Telemetry_Hex(pass, user.home.path());
  SidsTestServer server;
  LoopbackTnc tnc;

  Served(const tools::PassOptions& options, unsigned tnc_seed)
      : pass(tools::Generate_Pass(options)), tnc(pass.bytes(), tnc_seed) {
    if (!server.Listen() || !tnc.Listen()) qFatal("no loopback port");
  }
};

}  // namespace

class ReceiveForwardTest : public QObject {
  Q_OBJECT

 private slots:
  void Telemetry_Frames_Reach_The_Server_With_The_Station_Fields() {
    // Frames of other stations and damaged frames come in between; they are never sent.
    Served s({.seconds = 12, .seed = 5, .damaged = true, .foreign = true}, 3);
    QVERIFY(s.expected.size() > 20);
    // Forwarding was left off in the window; --forward turns it on for this run.
    StationSettings saved = testing::Example_Station(s.server.Url().toStdString());
    saved.forwarding = false;
    s.user.Save(saved);

    const qint64 started_ms = QDateTime::currentMSecsSinceEpoch();
    QProcess receive;
    QVERIFY(
        Start(receive, s.user, s.tnc.Port(), {"--forward", "--callsign", "DL9XYZ", "--lat=-33.5"}));
    QTRY_VERIFY_WITH_TIMEOUT(s.server.requests().size() >= std::size_t(s.expected.size()), 10000);
    QTest::qWait(100);  // nothing more may follow
    const QString err = Stop(receive);
    const qint64 ended_ms = QDateTime::currentMSecsSinceEpoch();

    QCOMPARE(s.server.requests().size(), std::size_t(s.expected.size()));
    // The requests' fields are the core forwarder's to check; here the program sends every
    // telemetry frame once, in order, stamped with its arrival while the receiver ran.
    for (qsizetype i = 0; i < s.expected.size(); ++i) {
      const auto& fields = s.server.requests()[std::size_t(i)].fields;
      QCOMPARE(fields.value("frame"), s.expected[i]);
      QCOMPARE(fields.value("source") + fields.value("latitude"), QString("DL9XYZ33.5S"));
      const qint64 ms =
          QDateTime::fromString(fields.value("timestamp"), Qt::ISODateWithMs).toMSecsSinceEpoch();
      QVERIFY(ms >= started_ms && ms <= ended_ms);
    }
    QVERIFY2(err.contains(QStringLiteral("forwarding to %1: sent %2, waiting 0, rejected 0")
                              .arg(s.server.Url())
                              .arg(s.expected.size())),
             qPrintable(err));
  }

  void Nothing_Saved_Stops_It_From_Starting() {
    // No station saved or given: it refuses before it connects (port 9 is never listened on
    // here) and makes no outbox.
    ScratchUser user;
    QProcess receive;
    QVERIFY(Start(receive, user, 9, {"--forward"}));
    QVERIFY(receive.waitForFinished(5000));
    QCOMPARE(receive.exitCode(), 2);
    QVERIFY(QString::fromUtf8(receive.readAllStandardError()).contains("callsign"));
    QVERIFY(!QFile::exists(user.Outbox()));
  }

  void A_Damaged_Outbox_Turns_Forwarding_Off_And_Reception_Goes_On() {
    Served s({.seconds = 90, .seed = 6, .foreign = true}, 4);
    s.user.Save(testing::Example_Station(s.server.Url().toStdString()));
    const QByteArray damaged(8192, 'x');
    QFile file(s.user.Outbox());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
    file.close();
    QProcess receive;
    QVERIFY(Start(receive, s.user, s.tnc.Port(), {"--forward"}));
    // Reception goes on: frames come in, other stations' among them.
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += receive.readAllStandardOutput()).contains(" other station: "),
                             10000);
    const QString err = Stop(receive);
    QVERIFY2(err.contains("FORWARDING IS OFF: the outbox ") && err.contains("is damaged"),
             qPrintable(err));
    QVERIFY(s.server.requests().empty());
    // The damaged file is kept as it was, for the user to look into.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
  }

  void Sigterm_Ends_It_Within_A_Second_While_A_Server_Hangs() {
    Served s({.seconds = 4, .seed = 7}, 5);
    s.server.Set_Default(SidsTestServer::Answer::Silent());
    s.user.Save(testing::Example_Station(s.server.Url().toStdString()));
    QProcess receive;
    QVERIFY(Start(receive, s.user, s.tnc.Port(), {"--forward"}));
    QTRY_VERIFY_WITH_TIMEOUT(s.server.requests().size() >= 4, 10000);
    QElapsedTimer took;
    took.start();
    const QString err = Stop(receive);
    QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
    QVERIFY2(err.contains("the frames still waiting stay in the outbox"), qPrintable(err));
  }
};

QTEST_GUILESS_MAIN(ReceiveForwardTest)
#include "receive_forward_test.moc"
