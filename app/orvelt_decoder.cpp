// The decoder's work window. Capture files named on the command line are loaded at start as one
// selection: orvelt-decoder a.kss b.kss. `--connect HOST:PORT` or `--connect DEVICE@BAUD` starts
// live reception from a TNC at once, recording as last chosen in File / Connect...

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/version.hpp"
#include "config/start_up_files.hpp"
#include "out_of_memory.hpp"
#include "qt/connect_dialog.hpp"
#include "qt/live_controller.hpp"
#include "qt/load_monitor.hpp"
#include "qt/main_window.hpp"
#include "termination_signals.hpp"
#include "window/handlers.hpp"

namespace {

constexpr const char* kUsage =
    "usage: orvelt-decoder [--connect SOURCE] [--] [FILE...]\n"
    "Opens the ORVELT-1 telemetry decoder's window and loads the capture files named, in the\n"
    "order given, as one selection.\n"
    "\n"
    "  --connect SOURCE  receive live from a TNC: HOST:PORT (KISS over TCP) or DEVICE@BAUD\n"
    "                    (a serial TNC), recording into the folder last chosen\n"
    "  -h, --help        print this help and end\n"
    "  --version         print the version and end\n"
    "  --                every argument after it is a file, even one that starts with \"-\"\n"
    "\n"
    "The start-up files conf.ini and obc_offset.ini are each read from the first of these\n"
    "folders that has it: the program's own folder, $XDG_CONFIG_HOME/orvelt (normally\n"
    "~/.config/orvelt), the installation's share/orvelt, then orvelt/ in $XDG_DATA_HOME and\n"
    "each folder of $XDG_DATA_DIRS. Qt's own options (-platform, -style, ...) are accepted.\n";

// What the command line asks for before a window exists: help and the version need no display.
enum class EarlyRequest { Run, Help, Version };

EarlyRequest Early_Request_Of(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") return EarlyRequest::Help;
    if (arg == "--version") return EarlyRequest::Version;
  }
  return EarlyRequest::Run;
}

// The capture files named on the command line, once Qt has taken its own options out. Anything
// else that looks like an option is a mistake, reported before a window is shown.
struct FileArguments {
  std::vector<std::string> files;
  std::string connect_to;  // --connect HOST:PORT or DEVICE@BAUD
  QString unknown_option;  // empty when every argument was understood
};

// The names as the file system's bytes (QApplication has taken its own options out of argv),
// so that a name that is no valid UTF-8 loads as it does in orvelt-dump.
FileArguments File_Arguments(int argc, char** argv) {
  FileArguments result;
  bool options_done = false;
  for (int k = 1; k < argc; ++k) {
    const std::string_view arg = argv[k];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg == "--connect" && k + 1 < argc) {
      result.connect_to = argv[++k];
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      result.unknown_option = QString::fromLocal8Bit(argv[k]);
      return result;
    } else {
      std::error_code ec;
      const std::filesystem::path absolute = std::filesystem::absolute(argv[k], ec);
      result.files.push_back(ec ? std::string(arg) : absolute.string());
    }
  }
  return result;
}

// SIGTERM and SIGINT close the windows as "Exit" would, so that a logout of the desktop or a
// supervising script ends the program cleanly with status 0, also during a load.
void Close_On_Termination(QApplication& app) {
  orvelt::On_Termination_Signals(app, [] {
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
}

#if defined(ORVELT_SMOKE_HOOKS)
// Built into the smoke test's copy of the program only. ORVELT_SMOKE_DUMP=<file>: once the
// window is up, writes its caption and the texts of its visible value boxes and status line to
// <file>, one "name=text" per line, so that a script can check what a user would see.
void Dump_Visible_Texts(const orvelt::MainWindow& window, const QString& path) {
  QList<QLineEdit*> boxes = window.findChildren<QLineEdit*>();
  auto index = [](const QLineEdit* box) { return box->objectName().section(u'_', 1).toInt(); };
  std::sort(boxes.begin(), boxes.end(),
            [&](const QLineEdit* a, const QLineEdit* b) { return index(a) < index(b); });
  QString text = QStringLiteral("title=%1\n").arg(window.windowTitle());
  for (const QLineEdit* box : boxes) {
    if (!box->objectName().startsWith(QLatin1String("Text1_"))) continue;
    text += QStringLiteral("Text1(%1)=%2\n").arg(index(box)).arg(box->text());
  }
  // The status line may be shortened to fit; its tooltip holds it whole.
  if (const auto* label3 = window.findChild<QLabel*>("Label3")) {
    QString status = label3->toolTip().isEmpty() ? label3->text() : label3->toolTip();
    text += QStringLiteral("Label3=%1\n").arg(status.replace(u'\n', u' '));
  }
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(text.toUtf8());
    if (!file.commit()) std::cerr << "orvelt-decoder: cannot write " << path.toStdString() << '\n';
  }
}

// Dumps once the files named have been read and the window has repainted, with no delay of its
// own, so that the file's appearance times the start-up. The load runs in a turn of the event
// loop queued before this one and lets queued calls run while it reads: until it is over, this
// waits its turn again; then one more turn lets the repaint the load asked for go first.
void Dump_After_Load(orvelt::MainWindow& window, const QString& path, bool load_over = false) {
  QTimer::singleShot(0, &window, [&window, path, load_over] {
    const bool loading = window.Load_Monitor().Loading();
    if (loading || !load_over) return Dump_After_Load(window, path, !loading);
    Dump_Visible_Texts(window, path);
  });
}
#endif

}  // namespace

int main(int argc, char** argv) {
  orvelt::Exit_Clearly_When_Out_Of_Memory("orvelt-decoder");
  switch (Early_Request_Of(argc, argv)) {
    case EarlyRequest::Help:
      std::cout << kUsage;
      return 0;
    case EarlyRequest::Version:
      std::cout << "orvelt-decoder " << orvelt::kVersion << '\n';
      return 0;
    case EarlyRequest::Run:
      break;
  }

  QApplication app(argc, argv);
  // Settings and other files of the user's own go to the standard folders under these names:
  // the same "orvelt" folder that holds the user's start-up files, never the program's folder.
  QApplication::setOrganizationName(
      QString::fromUtf8(orvelt::kStartUpFolderName.data(),
                        static_cast<qsizetype>(orvelt::kStartUpFolderName.size())));
  QApplication::setApplicationName(QStringLiteral("orvelt-decoder"));
  QApplication::setApplicationVersion(
      QString::fromUtf8(orvelt::kVersion.data(), static_cast<qsizetype>(orvelt::kVersion.size())));
  // The desktop entry and the icon installed with the program belong to this window.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.orvelt.decoder"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orvelt.decoder")));

  const FileArguments arguments = File_Arguments(argc, argv);
  if (!arguments.unknown_option.isEmpty()) {
    std::cerr << "orvelt-decoder: unknown option " << arguments.unknown_option.toStdString() << "\n"
              << kUsage;
    return 2;
  }
  Close_On_Termination(app);

  orvelt::MainWindow window;
  if (const orvelt::Outcome started = window.Start_Up(); !started) {
    const std::string& message = started.why();
    std::cerr << "orvelt-decoder: cannot start: " << message << '\n';
    QMessageBox::critical(
        nullptr, QString::fromUtf8(orvelt::kWindowTitle),
        QObject::tr("The decoder cannot start.\n\n%1")
            .arg(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()))));
    return 1;
  }

  window.show();
  // Loaded once the window is up, so that a long load shows its progress and can be cancelled.
  if (!arguments.files.empty()) {
    QTimer::singleShot(0, &window,
                       [&window, files = arguments.files] { window.Load_Files(files); });
  }
  if (!arguments.connect_to.empty()) {
    const std::string folder = orvelt::Remembered_Connect_Choice().record_folder;
    if (const auto connected = window.Live().Connect_To(arguments.connect_to, folder); !connected) {
      std::cerr << "orvelt-decoder: --connect: " << connected.why() << '\n';
      return 2;
    }
  }

#if defined(ORVELT_SMOKE_HOOKS)
  if (const QString dump = qEnvironmentVariable("ORVELT_SMOKE_DUMP"); !dump.isEmpty()) {
    Dump_After_Load(window, dump);
  }
#endif
  return app.exec();
}
