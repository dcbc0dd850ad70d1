// orvelt-archive: keeps every frame of the mission in one archive and reads it back.

#include <unistd.h>

#include <QCoreApplication>
#include <QSettings>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "archive/archive_settings.hpp"
#include "archive/network_fetch.hpp"
#include "archive_format.hpp"
#include "base/version.hpp"
#include "forward/station_settings_store.hpp"
#include "options/archive_options.hpp"
#include "out_of_memory.hpp"
#include "termination_signals.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-archive COMMAND [--archive FILE] [options]\n"
    "  add [--] FILE...           add KISS captures or frame exports of the network database\n"
    "                             (\"timestamp|hexframe\" lines); - reads standard input\n"
    "  export --channel N[,M...] [--from T] [--to T] [--json]\n"
    "                             write the samples as CSV (channel,caption,unit,sample,time,\n"
    "                             value) or JSON Lines, time in UTC\n"
    "  passes [--channel N[,M...]] [--from T] [--to T] [--limits]\n"
    "                             list passes (frames less than 10 minutes apart) with the\n"
    "                             min, max and mean of the channels (default: the batteries)\n"
    "  stats                      count what the archive holds\n"
    "  fetch --norad N --token TOKEN [--from T] [--to T] [--server URL] [--max-pages N]\n"
    "                             fetch frames from the network database, newest first, at\n"
    "                             most N pages (default 200) a run; without --from, a run\n"
    "                             goes on where the last one stopped, or after the newest\n"
    "                             frame of the last one that read its listing to the end\n"
    "--archive FILE is the archive (default: orvelt/archive.sqlite in the user's data folder).\n"
    "T is a UTC time: YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS] or YYYY-MM-DDTHH:MM:SSZ.\n"
    "Exit status: 0 done, 1 a file or the archive could not be read or written, 2 usage error.\n";

void Write_Out(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// A progress line on a terminal, rewritten in place at most a few times a second.
class ProgressLine {
 public:
  ProgressLine() : shown_(isatty(STDERR_FILENO) != 0) {}
  void Show(const orvelt::AddCounts& counts, const orvelt::LoadProgress& progress) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    std::fprintf(stderr, "\r%lld frames, %lld new, %llu MB read",
                 static_cast<long long>(counts.frames), static_cast<long long>(counts.added),
                 static_cast<unsigned long long>(progress.bytes_done >> 20));
    std::fflush(stderr);
    dirty_ = true;
  }
  void End() {
    if (dirty_) std::fputs("\r\033[K", stderr);
  }

 private:
  bool shown_;
  bool dirty_ = false;
  std::chrono::steady_clock::time_point last_{};
};

int Add(orvelt::Archive& archive, const orvelt::ArchiveCommand& command) {
  using namespace orvelt;
  ProgressLine line;
  ArchiveLoadOptions options;
  options.progress = [&](const AddCounts& c, const LoadProgress& p) { line.Show(c, p); };
  const ArchiveLoad load = Add_To_Archive(archive, command.files, options);
  line.End();
  std::cerr << load.report.Details();
  const AddCounts& c = load.counts;
  std::cerr << "orvelt-archive: " << c.frames << " frames: " << c.added << " new, " << c.new_source
            << " already archived from another source, " << c.already << " already archived; "
            << c.untimed << " new without a time, " << c.not_telemetry
            << " new that are no telemetry; " << c.samples << " samples added\n";
  if (load.too_long > 0) {
    std::cerr << "orvelt-archive: " << load.too_long << " frames longer than 512 bytes not added\n";
  }
  if (load.unreadable_lines > 0) {
    std::cerr << "orvelt-archive: " << load.unreadable_lines
              << " lines of frame exports are no \"timestamp|hexframe\" and were skipped\n";
  }
  if (load.unusable_times > 0) {
    std::cerr << "orvelt-archive: " << load.unusable_times
              << " lines of frame exports have a time before 1957 or after tomorrow and were "
                 "skipped\n";
  }
  if (!load.outcome.ok()) {
    std::cerr << "orvelt-archive: " << load.outcome.why() << '\n';
    return 1;
  }
  return load.report.Files_Read() == static_cast<int>(command.files.size()) ? 0 : 1;
}

int Stats(orvelt::Archive& archive) {
  using namespace orvelt;
  auto stats = archive.Stats();
  if (!stats.ok()) {
    std::cerr << "orvelt-archive: " << stats.why() << '\n';
    return 1;
  }
  const ArchiveStats& s = stats.value();
  std::printf(
      "archive: %s\nframes: %lld\nframes without a time: %lld\nframes of no telemetry: "
      "%lld\nsamples: %lld\nsources: %lld\nfirst: %s\nlast: %s\nfile size: %lld bytes\n",
      archive.file().string().c_str(), static_cast<long long>(s.frames),
      static_cast<long long>(s.untimed), static_cast<long long>(s.not_telemetry),
      static_cast<long long>(s.samples), static_cast<long long>(s.sources),
      s.first ? Format_Utc_Time(*s.first).c_str() : "",
      s.last ? Format_Utc_Time(*s.last).c_str() : "", static_cast<long long>(s.file_bytes));
  return 0;
}

// Fetches the satellite's frames from the network database into the archive. Without --from, a
// run goes on where the last one stopped, and one that reads the listing to its end moves the
// start of the next after its newest frame.
int Fetch(orvelt::Archive& archive, const orvelt::ArchiveCommand& command, int argc, char** argv) {
  using namespace orvelt;
  QCoreApplication application(argc, argv);
  FetchRequest request;
  request.server = command.server;
  request.norad = *command.norad;
  request.token = *command.token;
  if (command.max_pages) request.max_pages = *command.max_pages;
  const UtcSeconds now = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  request.to = command.to_given ? command.to : now;
  std::optional<FetchPlan> plan;
  if (command.from_given) {
    request.from = command.from;
  } else {
    auto planned = Plan_Fetch(archive, request.server, request.norad, request.to);
    if (!planned.ok()) {
      std::cerr << "orvelt-archive: " << planned.why() << '\n';
      return 1;
    }
    plan = planned.value();
    request.from = plan->from;
    request.to = plan->to;
  }
  std::cerr << "orvelt-archive: fetching satellite " << request.norad << " from " << request.server
            << ", " << Format_Utc_Time(request.from) << " to " << Format_Utc_Time(request.to)
            << (plan && plan->continues ? " (going on where the last fetch stopped)" : "") << '\n';
  ArchiveLoad load;
  NetworkFetch fetch(request, [&](const TelemetryPage& page) {
    return Add_Network_Page(archive, page, load).ok();
  });
  int shown_pages = 0;
  QObject::connect(&fetch, &NetworkFetch::Progress, [&] {
    const FetchReport& report = fetch.report();
    if (report.pages == shown_pages) return;  // a wait: the next page says it
    shown_pages = report.pages;
    std::cerr << "orvelt-archive: page " << report.pages << ", " << report.frames
              << " frames so far";
    if (const auto left = fetch.Seconds_Left())
      std::cerr << ", " << Duration_Text(*left) << " left";
    std::cerr << '\n';
  });
  QObject::connect(&fetch, &NetworkFetch::Finished, &application, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  // Ctrl+C or a SIGTERM stops the fetch as a failure would: what was read is kept and noted.
  On_Termination_Signals(application, [&fetch] { fetch.Cancel(); });
  fetch.Start();
  application.exec();
  const FetchReport& report = fetch.report();
  const AddCounts& c = load.counts;
  std::cerr << "orvelt-archive: fetched " << report.frames << " frames on " << report.pages
            << " pages (" << report.waits << " waits): " << c.added << " new, " << c.new_source
            << " already archived from another source, " << c.already << " already archived, "
            << c.not_telemetry << " new that are no telemetry; " << report.unusable
            << " entries without a readable frame or a believable time\n";
  if (!load.outcome.ok()) {
    std::cerr << "orvelt-archive: " << load.outcome.why() << '\n';
    return 1;
  }
  if (plan) {
    const Outcome noted = Note_Fetch_End(archive, request.server, request.norad, *plan, report);
    if (!noted.ok()) {
      std::cerr << "orvelt-archive: " << noted.why() << '\n';
      return 1;
    }
  }
  if (!report.to_last_page.ok()) {
    std::cerr << "orvelt-archive: " << report.to_last_page.why() << "; what was fetched is kept";
    if (plan) std::cerr << "; " << Next_Fetch_Text(archive, request.server, request.norad);
    std::cerr << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvelt;
  Exit_Clearly_When_Out_Of_Memory("orvelt-archive");
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    std::cout << "orvelt-archive " << kVersion << '\n';
    return 0;
  }
  const auto parsed = Parse_Archive_Command(args);
  if (!parsed.ok()) {
    std::cerr << "orvelt-archive: " << parsed.why() << '\n' << kUsage;
    return 2;
  }
  const ArchiveCommand& command = parsed.value();
  if (command.help) {
    std::cout << kUsage;
    return 0;
  }
  const std::filesystem::path file =
      command.archive ? std::filesystem::path(*command.archive) : Default_Archive_Path();
  // Only adding makes an archive; reading one that is not there says so, and reading never
  // writes, so that an archive on a read-only disk can be read.
  const bool adding = command.name == "add" || command.name == "fetch";
  auto opened = adding ? Archive::Open(file) : Archive::Open_For_Reading(file);
  if (!opened.ok()) {
    std::cerr << "orvelt-archive: " << opened.why() << '\n';
    return 1;
  }
  Archive& archive = *opened.value();
  if (command.name == "add") return Add(archive, command);
  if (command.name == "stats") return Stats(archive);
  if (command.name == "export") {
    auto written = Export_Samples(archive, command.channels, command.from, command.to, command.json,
                                  Write_Out);
    std::fflush(stdout);
    if (!written.ok()) {
      std::cerr << "orvelt-archive: " << written.why() << '\n';
      return 1;
    }
    return 0;
  }
  if (command.name == "passes") {
    // The limits are the station's, as the window keeps them.
    QSettings settings(QStringLiteral("orvelt"), QString::fromLatin1(kStationSettingsApplication));
    const LimitTable limits = Load_Limits(settings);
    auto written = Write_Passes(archive, command.channels, command.from, command.to,
                                command.limits ? &limits : nullptr, Write_Out);
    std::fflush(stdout);
    if (!written.ok()) {
      std::cerr << "orvelt-archive: " << written.why() << '\n';
      return 1;
    }
    return 0;
  }
  return Fetch(archive, command, argc, argv);
}
