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

#include <iostream>
#include <string>
#include <vector>

#include "base/version.hpp"
#include "config/start_up_files.hpp"
#include "decode/printable_text.hpp"
#include "options/decoder_options.hpp"
#include "out_of_memory.hpp"
#include "qt/connect_dialog.hpp"
#include "qt/live_controller.hpp"
#include "qt/load_monitor.hpp"
#include "qt/main_window.hpp"
#include "termination_signals.hpp"
#include "window/handlers.hpp"

namespace {

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
  QString text = QStringLiteral("title=%1\n").arg(window.windowTitle());
  for (int index = 0; index < orvelt::kControlIndexCount; ++index) {
    if (const QLineEdit* box = window.Value_Box(index)) {
      text += QStringLiteral("Text1(%1)=%2\n").arg(index).arg(box->text());
    }
  }
  // The status line may be shortened to fit; its tooltip holds it whole.
  const QLabel* label3 = window.Status_Line();
  QString status = label3->toolTip().isEmpty() ? label3->text() : label3->toolTip();
  text += QStringLiteral("Label3=%1\n").arg(status.replace(u'\n', u' '));
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
  // Help and the version need no display: answered before the toolkit starts.
  if (const auto early = orvelt::Parse_Decoder_Options({argv + 1, argv + argc}); early) {
    switch (early.value().request) {
      case orvelt::DecoderOptions::Request::Help:
        std::cout << orvelt::kDecoderUsage;
        return 0;
      case orvelt::DecoderOptions::Request::Version:
        std::cout << "orvelt-decoder " << orvelt::kVersion << '\n';
        return 0;
      case orvelt::DecoderOptions::Request::Open:
        break;
    }
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

  // QApplication has taken its own options out of argv; the rest are the decoder's.
  const orvelt::Result<orvelt::DecoderOptions> parsed =
      orvelt::Parse_Decoder_Options({argv + 1, argv + argc});
  if (!parsed) {
    std::cerr << "orvelt-decoder: " << orvelt::Printable_Text(parsed.why()) << "\n"
              << orvelt::kDecoderUsage;
    return 2;
  }
  const orvelt::DecoderOptions& arguments = parsed.value();
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
      std::cerr << "orvelt-decoder: --connect: " << orvelt::Printable_Text(connected.why()) << '\n';
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
