// orvelt-receive: live reception without a display, for a station at the antenna. Connects to a
// TNC, decodes and records every frame, and prints one line per decoded frame.

#include <QCoreApplication>

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "live/live_receiver.hpp"
#include "live/live_status.hpp"
#include "out_of_memory.hpp"
#include "receive_format.hpp"
#include "termination_signals.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-receive SOURCE [--record DIR | --no-record] [--json]\n"
    "Receives KISS frames from a TNC and decodes them as they arrive. SOURCE is HOST:PORT for\n"
    "KISS over TCP (e.g. localhost:8001) or DEVICE@BAUD for a serial TNC (e.g.\n"
    "/dev/ttyUSB0@9600). Lost connections are retried (1 s doubling to 30 s) until the program\n"
    "ends on SIGINT or SIGTERM.\n"
    "Every frame is recorded to a capture file in DIR (default: the documents folder's\n"
    "ORVELT-1 recordings); its path goes to stderr. A full store starts a new recording.\n"
    "One line per decoded frame goes to stdout; with --json one JSON object per line.\n"
    "Exit status: 0 ended by a signal, 2 usage error.\n";

struct ReceiveOptions {
  std::string source;
  std::string record_folder;
  bool record = true;
  bool json = false;
};

// Options of forwarding received frames to telemetry servers are taken here: returns how many
// arguments from `args[i]` on it used, 0 when `args[i]` is none of them. Forwarding attaches to
// the session in Attach_Forwarding.
int Take_Forward_Option(const std::vector<std::string_view>& /*args*/, std::size_t /*i*/) {
  return 0;
}

void Attach_Forwarding(orvelt::LiveReceiver& /*receiver*/) {}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt;
  Exit_Clearly_When_Out_Of_Memory("orvelt-receive");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvelt-receive"));

  std::vector<std::string_view> args(argv + 1, argv + argc);
  ReceiveOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-record") {
      options.record = false;
    } else if (arg == "--record" && i + 1 < args.size()) {
      options.record_folder = args[++i];
    } else if (const int used = Take_Forward_Option(args, i); used > 0) {
      i += static_cast<std::size_t>(used) - 1;
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "orvelt-receive: unknown option or missing value: " << arg << '\n' << kUsage;
      return 2;
    } else if (options.source.empty()) {
      options.source = arg;
    } else {
      std::cerr << "orvelt-receive: more than one source\n" << kUsage;
      return 2;
    }
  }
  const SourceParse source = Parse_Source(options.source);
  if (!source.ok()) {
    std::cerr << "orvelt-receive: " << source.error << '\n' << kUsage;
    return 2;
  }
  if (options.record && options.record_folder.empty()) {
    options.record_folder = Default_Recording_Folder();
  }
  if (!options.record) options.record_folder.clear();
  // SIGINT and SIGTERM end the event loop, so that the recording is synced and closed.
  On_Termination_Signals(app, [] { QCoreApplication::quit(); });

  TelemetryState state;
  state.keep_frame_log = false;
  LiveReceiver receiver(state);
  receiver.Session().Set_Roll_Over(true);
  std::ios::sync_with_stdio(false);
  receiver.Session().Add_Observer([&options](const LiveFrame& frame) {
    if (!Is_Telemetry(frame)) return;
    if (options.json) {
      Write_Frame_Json(std::cout, frame);
    } else {
      Write_Frame_Line(std::cout, frame);
    }
  });
  Attach_Forwarding(receiver);

  // A line on stderr whenever the link or the recording changes, so a log shows what happened.
  std::string last_link, last_recording;
  const auto report = [&] {
    const LinkStatus& link = receiver.Link().Status();
    std::string link_text = Link_Text(link, link.retry_at_ms);
    if (link.phase == LinkPhase::Waiting && !link.detail.empty()) {
      link_text = "reconnecting to " + link.source + " (" + Link_Problem_Text(link.problem) + ": " +
                  link.detail + ")";
    }
    if (link_text != last_link) std::cerr << "orvelt-receive: " << link_text << std::endl;
    last_link = link_text;
    const RecordingStatus& rec = receiver.Session().Recording();
    const std::string rec_text = rec.error.empty() ? rec.path : rec.error;
    if (!rec_text.empty() && rec_text != last_recording) {
      std::cerr << "orvelt-receive: " << (rec.error.empty() ? "recording " : "") << rec_text
                << std::endl;
    }
    last_recording = rec_text;
  };
  QObject::connect(&receiver, &LiveReceiver::Status_Changed, &app, report);
  QObject::connect(&receiver, &LiveReceiver::Frames_Arrived, &app, [&] {
    std::cout.flush();
    report();
  });
  receiver.Start(source.address, options.record_folder);
  report();

  app.exec();
  receiver.Stop();
  std::cout.flush();
  const LiveCounts& counts = receiver.Session().Counts();
  std::cerr << "orvelt-receive: ended: " << counts.frames << " frames received, " << counts.decoded
            << " decoded";
  if (const RecordingStatus& rec = receiver.Session().Recording(); !rec.path.empty()) {
    std::cerr << ", " << rec.frames << " recorded in " << rec.path;
  }
  std::cerr << std::endl;
  return 0;
}
