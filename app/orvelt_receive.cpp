// orvelt-receive: live reception without a display, for a station at the antenna. Connects to a
// TNC, decodes and records every frame, and prints one line per decoded frame.

#include <QCoreApplication>
#include <QSettings>
#include <QTimer>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/version.hpp"
#include "config/start_up_files.hpp"
#include "decode/latin1.hpp"
#include "decode/printable_text.hpp"
#include "forward/forward_options.hpp"
#include "forward/forwarder.hpp"
#include "forward/outbox.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_receiver.hpp"
#include "live/live_status.hpp"
#include "out_of_memory.hpp"
#include "receive_format.hpp"
#include "termination_signals.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-receive SOURCE [--record DIR | --no-record] [--json]\n"
    "                      [--forward [--callsign CALL] [--lat DEG] [--lon DEG] [--norad N]\n"
    "                       [--server URL]... [--outbox FILE] [--in-flight N] [--dry-run]]\n"
    "       orvelt-receive --help | --version\n"
    "Receives KISS frames from a TNC and decodes them as they arrive. SOURCE is HOST:PORT for\n"
    "KISS over TCP (e.g. localhost:8001) or DEVICE@BAUD for a serial TNC (e.g.\n"
    "/dev/ttyUSB0@9600). Lost connections are retried (1 s doubling to 30 s) until the program\n"
    "ends on SIGINT or SIGTERM.\n"
    "Every frame is recorded to a capture file in DIR (default: the documents folder's\n"
    "ORVELT-1 recordings); its path goes to stderr. A full store starts a new recording.\n"
    "stdout has one line per frame received, the TNC's time-label frames aside:\n"
    "  LABEL KIND: CHANNEL CAPTION = VALUE UNIT, ...  for ORVELT-1 telemetry (KIND battery,\n"
    "                                   solar array, switchboard, magnetometer, sensor, counter)\n"
    "  LABEL message: TEXT              for a message frame\n"
    "  LABEL KIND: N bytes[, PROBLEM]: HEX  for any other frame: KIND other for frames of other\n"
    "                                   stations, N the bytes after the KISS command byte, HEX "
    "them\n"
    "Control characters in labels and messages are written as \\xHH. With --json each line is one\n"
    "JSON object: {\"time_label\", \"kind\", \"channels\", \"message\"} for telemetry,\n"
    "{\"time_label\", \"kind\", \"bytes\", \"problem\", \"hex\"} for any other frame.\n"
    "--forward sends every frame taken as ORVELT-1 telemetry to the telemetry servers (SiDS),\n"
    "through an outbox that keeps each frame until a server took it. The station settings are\n"
    "those saved in the window's \"Station...\" dialog; --callsign, --lat and --lon (decimal\n"
    "degrees, north and east positive, not both 0), --norad and --server (repeatable; replaces\n"
    "the saved servers) override them. --outbox FILE is the outbox (default: the user's data\n"
    "folder). --in-flight N sends up to N requests at once to each server (1 to 16, default 4).\n"
    "--dry-run prints on stderr the requests it would make and sends nothing.\n"
    "Forwarding that cannot start (an outbox that is damaged or in use) is said on stderr;\n"
    "reception and recording go on without it.\n"
    "Exit status: 0 ended by a signal, 2 usage error or forwarding settings that cannot be used.\n";

struct ReceiveOptions {
  std::string source;
  std::string record_folder;
  bool record = true;
  bool json = false;
};

// Forwarding is asked for with --forward, or --dry-run to see what it would send.
bool Forwarding_Asked(const orvelt::ForwardOptions& options) {
  return options.forward || options.dry_run;
}

bool Any_Forward_Setting(const orvelt::ForwardOptions& options) {
  return options.callsign || options.latitude || options.longitude || options.norad_id ||
         !options.servers.empty() || options.outbox;
}

// Prints a server's status whenever its last error changes (a fault begins or ends) and, at
// most once a minute, its counts when they changed, so that a log shows how forwarding goes
// without a line per frame.
class ForwardingLog {
 public:
  explicit ForwardingLog(orvelt::Forwarder& forwarder) : forwarder_(forwarder) {}

  void Counts_Changed(bool summary_due) {
    const auto statuses = forwarder_.Status();
    errors_.resize(statuses.size());
    lines_.resize(statuses.size());
    for (std::size_t i = 0; i < statuses.size(); ++i) {
      const std::string line = orvelt::Server_Status_Line(statuses[i]);
      const bool error_changed = statuses[i].last_error != errors_[i];
      if (error_changed || (summary_due && line != lines_[i])) {
        std::cerr << "orvelt-receive: forwarding to " << statuses[i].counts.server << ": " << line
                  << std::endl;
        lines_[i] = line;
      }
      errors_[i] = statuses[i].last_error;
    }
  }

 private:
  orvelt::Forwarder& forwarder_;
  std::vector<std::string> errors_;
  std::vector<std::string> lines_;
};

struct ForwardingStart {
  std::unique_ptr<orvelt::Forwarder> forwarder;
  int exit_code = 0;  // not 0: the program must not start
};

// The forwarder the command line asks for, with the user's saved station settings under the
// options; a clear message and the exit code when it cannot start.
ForwardingStart Start_Forwarding(const orvelt::ForwardOptions& options) {
  using namespace orvelt;
  if (!Forwarding_Asked(options)) {
    if (Any_Forward_Setting(options)) {
      std::cerr << "orvelt-receive: the station and server options need --forward (or "
                   "--dry-run)\n"
                << kUsage;
      return {nullptr, 2};
    }
    return {};
  }
  QSettings saved(QCoreApplication::organizationName(),
                  QString::fromLatin1(kStationSettingsApplication));
  ForwarderConfig config;
  config.station = Apply_Forward_Options(Load_Station_Settings(saved), options);
  // Asking for forwarding on the command line turns it on, whatever the window last saved.
  config.station.forwarding = true;
  config.dry_run = options.dry_run;
  if (options.requests_in_flight) config.requests_in_flight = *options.requests_in_flight;
  const SettingsCheck check = Check_Station_Settings(config.station);
  if (!check.ok()) {
    std::cerr << "orvelt-receive: cannot forward with these station settings:\n"
              << check.Message() << '\n';
    return {nullptr, 2};
  }
  const std::filesystem::path outbox =
      options.outbox ? std::filesystem::path(*options.outbox) : Default_Outbox_Path();
  auto started = Forwarder::Start(config, outbox);
  if (!started.ok()) {
    // The settings were checked above: what is left is the outbox (unwritable, damaged, or in
    // use by another running instance, which then does the sending). Reception and recording
    // never depend on forwarding: they start all the same.
    const std::string& reason = started.why();
    std::cerr << "orvelt-receive: FORWARDING IS OFF: " << Printable_Text(reason)
              << "; reception and recording go on, frames received are not forwarded" << std::endl;
    return {};
  }
  std::cerr << "orvelt-receive: " << (options.dry_run ? "dry run: would forward" : "forwarding")
            << " telemetry as " << config.station.callsign << " to";
  for (const std::string& server : Enabled_Servers(config.station)) std::cerr << ' ' << server;
  if (!options.dry_run) std::cerr << " (outbox " << outbox.string() << ')';
  std::cerr << std::endl;
  if (Outbox* box = started.value()->outbox()) {
    const auto counts = box->Counts();
    if (counts.ok()) {
      const std::string removed = Removed_Servers_Text(
          Frames_For_Removed_Servers(counts.value(), Enabled_Servers(config.station)));
      if (!removed.empty()) {
        std::cerr << "orvelt-receive: " << removed
                  << "; discard them in the window's Outbox view (File, Outbox...)" << std::endl;
      }
    }
  }
  return {std::move(started.value()), 0};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt;
  Exit_Clearly_When_Out_Of_Memory("orvelt-receive");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvelt-receive"));

  // The name under which the window keeps the user's settings, so that both share the station.
  QCoreApplication::setOrganizationName(QString::fromUtf8(
      kStartUpFolderName.data(), static_cast<qsizetype>(kStartUpFolderName.size())));

  const ForwardOptionsResult forward =
      Parse_Forward_Options(std::vector<std::string>(argv + 1, argv + argc));
  const std::vector<std::string>& args = forward.other_arguments;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "orvelt-receive " << kVersion << '\n';
      return 0;
    }
  }
  if (forward.error) {
    std::cerr << "orvelt-receive: " << *forward.error << '\n' << kUsage;
    return 2;
  }
  ReceiveOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-record") {
      options.record = false;
    } else if (arg == "--record" && i + 1 < args.size()) {
      options.record_folder = args[++i];
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
  ForwardingStart forwarding = Start_Forwarding(forward.options);
  if (forwarding.exit_code != 0) return forwarding.exit_code;
  Forwarder* forwarder = forwarding.forwarder.get();
  // SIGINT and SIGTERM end the event loop, so that the recording is synced and closed.
  On_Termination_Signals(app, [] { QCoreApplication::quit(); });

  TelemetryState state;
  state.keep_frame_log = false;
  LiveReceiver receiver(state);
  receiver.Session().Set_Roll_Over(true);
  std::ios::sync_with_stdio(false);
  receiver.Session().Add_Observer([&options](const LiveFrame& frame) {
    if (!Has_Frame_Line(frame)) return;
    if (options.json) {
      Write_Frame_Json(std::cout, frame);
    } else {
      Write_Frame_Line(std::cout, frame);
    }
  });
  if (forwarder != nullptr) {
    // Every frame the decoder took as telemetry goes to the outbox as it arrives; frames of
    // other stations and frames with problems are not sent. A stopped outbox refuses every
    // frame alike: the reason is said once, not per frame.
    receiver.Session().Add_Observer([forwarder,
                                     last_error = std::string()](const LiveFrame& frame) mutable {
      if (!Is_Telemetry(frame)) return;
      const auto accepted =
          forwarder->Accept({{frame.bytes.begin(), frame.bytes.end()}, frame.arrival_ms});
      if (accepted.ok()) {
        for (const std::string& request : accepted.value()) std::cerr << request;
      } else if (accepted.why() != last_error) {
        std::cerr << "orvelt-receive: frames from " << Printable_Text(Latin1_To_Utf8(frame.label))
                  << " on are not queued for forwarding: " << accepted.why() << std::endl;
      }
      last_error = accepted.why();
    });
  }
  std::unique_ptr<ForwardingLog> forwarding_log;
  QTimer summary_timer;
  if (forwarder != nullptr) {
    forwarding_log = std::make_unique<ForwardingLog>(*forwarder);
    QObject::connect(forwarder, &Forwarder::countsChanged, &app,
                     [&] { forwarding_log->Counts_Changed(false); });
    QObject::connect(&summary_timer, &QTimer::timeout, &app,
                     [&] { forwarding_log->Counts_Changed(true); });
    summary_timer.start(60'000);
    // The outbox failed: forwarding ends, reception and recording go on.
    QObject::connect(forwarder, &Forwarder::stopped, &app, [](const QString& reason) {
      std::cerr << "orvelt-receive: forwarding stopped: " << reason.toStdString()
                << "; reception and recording go on" << std::endl;
    });
  }

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
  // report() says why when the recording cannot be made; reception goes on without it.
  static_cast<void>(receiver.Start(source.address, options.record_folder));
  report();

  app.exec();
  receiver.Stop();
  std::cout.flush();
  // The whole run, across every new recording a full store started.
  const LiveCounts counts = receiver.Session().Run_Counts();
  std::cerr << "orvelt-receive: ended: " << counts.frames << " frames received, " << counts.decoded
            << " decoded, " << counts.other << " from other stations";
  const RunRecording recorded = receiver.Session().Run_Recording();
  if (const RecordingStatus& rec = receiver.Session().Recording(); !rec.path.empty()) {
    std::cerr << ", " << recorded.frames << " recorded in ";
    if (recorded.files > 1) std::cerr << recorded.files << " files, the last ";
    std::cerr << rec.path;
  }
  std::cerr << std::endl;
  if (forwarder != nullptr && forwarder->outbox() != nullptr) {
    bool waiting = false;
    for (const ServerStatus& status : forwarder->Status()) {
      std::cerr << "orvelt-receive: forwarding to " << status.counts.server << ": "
                << Server_Status_Line(status) << std::endl;
      waiting = waiting || status.counts.waiting > 0;
    }
    if (waiting) {
      std::cerr << "orvelt-receive: the frames still waiting stay in the outbox for the next run"
                << std::endl;
    }
  }
  // Closing the forwarder writes what the outbox holds to the disk.
  forwarding.forwarder.reset();
  std::cout.flush();
  std::cerr.flush();
  // The recording and the outbox are closed: nothing is left that the end must wait for (Qt's
  // own threads may still wait on a host name lookup the network never answers).
  std::_Exit(0);
}
