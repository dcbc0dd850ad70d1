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
#include "forward/forwarder.hpp"
#include "forward/outbox.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_receiver.hpp"
#include "live/live_status.hpp"
#include "options/receive_options.hpp"
#include "out_of_memory.hpp"
#include "receive_format.hpp"
#include "termination_signals.hpp"

namespace {

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
  if (!options.Forwarding_Asked()) return {};
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

  const Result<ReceiveOptions> parsed =
      Parse_Receive_Options(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed) {
    std::cerr << "orvelt-receive: " << Printable_Text(parsed.why()) << '\n' << kReceiveUsage;
    return 2;
  }
  ReceiveOptions options = parsed.value();
  switch (options.request) {
    case ReceiveOptions::Request::Help:
      std::cout << kReceiveUsage;
      return 0;
    case ReceiveOptions::Request::Version:
      std::cout << "orvelt-receive " << kVersion << '\n';
      return 0;
    case ReceiveOptions::Request::Receive:
      break;
  }
  if (options.record && options.record_folder.empty()) {
    options.record_folder = Default_Recording_Folder();
  }
  ForwardingStart forwarding = Start_Forwarding(options.forward);
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
    const std::string rec_text = rec.outcome.ok() ? rec.path : rec.outcome.why();
    if (!rec_text.empty() && rec_text != last_recording) {
      std::cerr << "orvelt-receive: " << (rec.outcome.ok() ? "recording " : "") << rec_text
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
  static_cast<void>(receiver.Start(options.source, options.record_folder));
  report();

  app.exec();
  receiver.Stop();
  std::cout.flush();
  // The whole run, across every new recording a full store started.
  const LiveCounts counts = receiver.Session().Run_Counts();
  std::cerr << "orvelt-receive: ended: " << Run_Counts_Text(counts);
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
