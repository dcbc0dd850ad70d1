// The decoder's work window. Capture files named on the command line are loaded at start as one
// selection: orvelt-decoder a.kss b.kss. `--connect HOST:PORT` or `--connect DEVICE@BAUD` starts
// live reception from a TNC at once, recording as last chosen in File / Connect...

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "qt/connect_dialog.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "window/handlers.hpp"

#if defined(Q_OS_UNIX)
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

namespace {

#if defined(Q_OS_UNIX)
int signal_pipe[2] = {-1, -1};

void On_Termination_Signal(int) {
  const char byte = 1;
  if (::write(signal_pipe[0], &byte, 1) < 0) {
    // Nothing can be done inside a signal handler; the window stays open.
  }
}

// SIGTERM and SIGINT close the windows as "Exit" would, so that a logout of the desktop or a
// supervising script ends the program cleanly with status 0.
void Close_On_Termination(QApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char byte = 0;
    if (::read(signal_pipe[1], &byte, 1) < 0) return;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = On_Termination_Signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}
#else
void Close_On_Termination(QApplication&) {}
#endif

// ORVELT_SMOKE_DUMP=<file>: once the window is up, writes its caption and the texts of its
// visible value boxes and status line to <file>, one "name=text" per line, so that a script
// can check what a user would see.
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
  if (const auto* label3 = window.findChild<QLabel*>("Label3")) {
    text += QStringLiteral("Label3=%1\n").arg(label3->text());
  }
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(text.toUtf8());
    if (!file.commit()) std::cerr << "orvelt-decoder: cannot write " << path.toStdString() << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvelt-decoder"));
  QApplication::setOrganizationName(QStringLiteral("orvelt"));
  Close_On_Termination(app);

  orvelt::MainWindow window;
  if (const auto error = window.Start_Up()) {
    const std::string message = error->message();
    std::cerr << "orvelt-decoder: cannot start: " << message << '\n';
    QMessageBox::critical(
        nullptr, QString::fromUtf8(orvelt::kWindowTitle),
        QObject::tr("The decoder cannot start.\n\n%1")
            .arg(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()))));
    return 1;
  }

  std::vector<std::string> files;
  std::string connect_to;
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype k = 1; k < args.size(); ++k) {
    if (args[k] == QLatin1String("--connect") && k + 1 < args.size()) {
      connect_to = args[++k].toStdString();
      continue;
    }
    files.push_back(QFileInfo(args[k]).absoluteFilePath().toStdString());
  }
  if (!files.empty()) window.Load_Files(files);
  window.show();
  if (!connect_to.empty()) {
    std::string error;
    const std::string folder = orvelt::Remembered_Connect_Choice().record_folder;
    if (!window.Live().Connect_To(connect_to, folder, &error)) {
      std::cerr << "orvelt-decoder: --connect: " << error << '\n';
      return 2;
    }
  }

  if (const QString dump = qEnvironmentVariable("ORVELT_SMOKE_DUMP"); !dump.isEmpty()) {
    QTimer::singleShot(0, &window, [&window, dump] { Dump_Visible_Texts(window, dump); });
  }
  return app.exec();
}
