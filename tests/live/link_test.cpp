// The live transports against a loopback KISS server and a pseudo-terminal standing in for a
// serial TNC.

#include <QTemporaryDir>
#include <QtTest>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <random>
#include <set>
#include <vector>

#include "ingest/capture_reader.hpp"
#include "live/live_receiver.hpp"
#include "loopback_tnc.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;
using tools::Bytes;

namespace {

// The frames of a capture that reach the decoder, in order: no time labels, none over 512 bytes.
std::vector<Bytes> Decoded_Frames(const Bytes& capture) {
  std::vector<Bytes> frames;
  KissDeframer deframer;
  deframer.Feed(capture, [&](auto stored, std::size_t length) {
    if (stored[0] != kTimeLabelCommand && length <= static_cast<std::size_t>(kFrameCapacity)) {
      frames.emplace_back(stored.begin(), stored.end());
    }
    return true;
  });
  return frames;
}

// A receiver with short delays (a test must not wait for the real 1 s .. 30 s), and everything
// it did as its observers and status saw it.
struct Watched {
  TelemetryState state;
  LiveReceiver receiver{state};
  std::vector<Bytes> frames;
  std::set<LinkProblem> problems;

  Watched() {
    receiver.Link().Set_Timing({{20, 200}, 2000});
    receiver.Session().Add_Observer([this](const LiveFrame& f) {
      if (f.decoded) frames.emplace_back(f.bytes.begin(), f.bytes.end());
    });
    QObject::connect(&receiver, &LiveReceiver::Status_Changed, &receiver, [this] {
      const LinkStatus& s = receiver.Link().Status();
      if (s.phase == LinkPhase::Waiting) problems.insert(s.problem);
    });
  }
};

}  // namespace

class LinkTest : public QObject {
  Q_OBJECT

 private slots:
  void Tcp_Frames_Arrive_Once_In_Order_Across_A_Dropped_Connection() {
    const tools::CaptureBuilder pass =
        tools::Generate_Pass({.seconds = 200, .seed = 3, .damaged = true, .foreign = true});
    const Bytes& bytes = pass.bytes();
    // Pieces of up to 16 KB come faster than the link reads them (4 KB at a time), so it must go
    // on reading without being told that more came, and take what is left when the TNC hangs up.
    LoopbackTnc tnc(bytes, 11, 16384);
    QVERIFY(tnc.Listen());
    // Drop right after a FEND in the middle, so that no frame is cut.
    std::size_t middle = bytes.size() / 2;
    while (bytes[middle - 1] != kFend || bytes[middle] != kFend) ++middle;
    tnc.Drop_At(middle, 150);

    QTemporaryDir dir;
    Watched w;
    QVERIFY(w.receiver.Start(TcpAddress{"127.0.0.1", tnc.Port()}, dir.path().toStdString()));
    const std::vector<Bytes> sent = Decoded_Frames(bytes);
    QTRY_VERIFY_WITH_TIMEOUT(w.frames.size() >= sent.size(), 4000);
    QVERIFY(w.frames == sent);
    QCOMPARE(w.receiver.Link().Status().connections, 2u);
    QVERIFY(w.problems.count(LinkProblem::ClosedByTnc));
    QVERIFY(w.problems.count(LinkProblem::Refused));  // while the TNC was away

    // What was recorded reads back as what was received: every sample with its time label, the
    // messages and the switch states.
    const std::string path = w.receiver.Session().Recording().path;
    w.receiver.Stop();
    TelemetryState reread;
    Load_Files(reread, {path});
    QCOMPARE(reread.frames_decoded, w.state.frames_decoded);
    for (int c = 0; c < kChannelCount; ++c) {
      QCOMPARE(reread.store.Count(c), w.state.store.Count(c));
      for (int slot = 1; slot <= reread.store.Count(c); ++slot) {
        QCOMPARE(reread.store.Value(c, slot), w.state.store.Value(c, slot));
        QVERIFY(reread.store.Label(c, slot) == w.state.store.Label(c, slot));
      }
    }
    QCOMPARE(reread.messages.size(), w.state.messages.size());
    for (std::size_t k = 0; k < reread.messages.size(); ++k)
      QCOMPARE(reread.messages[k], w.state.messages[k]);
    QVERIFY(reread.switch_status == w.state.switch_status);
  }

  void Serial_Tnc_On_A_Pseudo_Terminal() {
    int master = -1, slave = -1;
    char name[256] = {};
    QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);

    const tools::CaptureBuilder pass = tools::Generate_Pass({.seconds = 15, .binary_time = true});
    const Bytes& bytes = pass.bytes();
    Watched w;
    QVERIFY(w.receiver.Start(SerialAddress{name, 9600}, {}));
    QTRY_COMPARE_WITH_TIMEOUT(w.receiver.Link().Status().phase, LinkPhase::Connected, 2000);
    ::close(slave);  // the port holds its own descriptor now

    std::mt19937 random(5);
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + random() % 300);
      QVERIFY(::write(master, bytes.data() + at, n) == static_cast<ssize_t>(n));
      at += n;
      QCoreApplication::processEvents();
    }
    const std::vector<Bytes> sent = Decoded_Frames(bytes);
    QTRY_VERIFY_WITH_TIMEOUT(w.frames.size() >= sent.size(), 4000);
    QVERIFY(w.frames == sent);

    // The adapter is unplugged: the link says so and keeps trying.
    ::close(master);
    QTRY_VERIFY_WITH_TIMEOUT(w.problems.count(LinkProblem::DeviceVanished) > 0, 3000);
    QVERIFY(w.receiver.Link().Status().phase != LinkPhase::Connected);
    w.receiver.Stop();
  }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "link_test.moc"
