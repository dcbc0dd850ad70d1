// The main window's tools beyond the original menus: recent files, export, the chart picture,
// "Go to..." and the frame view.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QSettings>

#include <sstream>

#include "decode/channels.hpp"
#include "export/csv_export.hpp"
#include "qt/chart_widget.hpp"
#include "qt/frame_view.hpp"
#include "qt/main_window.hpp"
#include "window/navigation.hpp"
#include "window/record_display.hpp"

namespace orvelt {

namespace {

constexpr const char* kRecentKey = "open/recent_files";
constexpr qsizetype kRecentCount = 8;

QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Recent files as the file system's bytes, newest first.
QList<QByteArray> Recent_Files() {
  QList<QByteArray> files;
  for (const QVariant& v : QSettings().value(kRecentKey).toList()) files << v.toByteArray();
  return files;
}

}  // namespace

void MainWindow::Build_Tool_Menus(QMenu* file) {
  recent_menu_ = file->addMenu(tr("&Recent files"));
  recent_menu_->setObjectName("MenuRecent");
  connect(recent_menu_, &QMenu::aboutToShow, this, &MainWindow::Fill_Recent_Menu);
  Fill_Recent_Menu();  // so that the menu is enabled only when it lists something
  file->addSeparator();
  QAction* export_csv = file->addAction(tr("&Export CSV..."));
  export_csv->setObjectName("MenuExportCsv");
  connect(export_csv, &QAction::triggered, this, &MainWindow::On_Export_Csv);
  QAction* save_chart = save_chart_ = file->addAction(tr("Save &chart..."));
  save_chart->setObjectName("MenuSaveChart");
  save_chart->setEnabled(false);  // until a chart holds something to save
  connect(save_chart, &QAction::triggered, this, &MainWindow::On_Save_Chart);

  QMenu* view = view_menu_ = menuBar()->addMenu(tr("&View"));
  view->setObjectName("MnuView");
  QAction* go_to = view->addAction(tr("&Go to..."));
  go_to->setObjectName("MenuGoTo");
  go_to->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(go_to, &QAction::triggered, this, &MainWindow::On_Go_To);
  QAction* frames = view->addAction(tr("&Frames..."));
  frames->setObjectName("MenuFrames");
  connect(frames, &QAction::triggered, this, [this] { Show_Frame_View(); });
}

void MainWindow::Remember_Recent(const std::vector<std::string>& files) {
  QList<QByteArray> recent = Recent_Files();
  for (auto file = files.rbegin(); file != files.rend(); ++file) {
    if (file->empty()) continue;
    recent.removeAll(Bytes(*file));
    recent.prepend(Bytes(*file));
  }
  QVariantList stored;
  for (qsizetype k = 0; k < std::min(recent.size(), kRecentCount); ++k) stored << recent[k];
  QSettings settings;
  settings.setValue(kRecentKey, stored);
  if (!files.empty() && !files.front().empty()) {
    settings.setValue(kLastFolderSetting, QFileInfo(File_Name_Text(files.front())).absolutePath());
  }
  Fill_Recent_Menu();
}

void MainWindow::Fill_Recent_Menu() {
  recent_menu_->clear();
  const QList<QByteArray> recent = Recent_Files();
  for (qsizetype k = 0; k < recent.size(); ++k) {
    const std::string path = recent[k].toStdString();
    QAction* action = recent_menu_->addAction(
        QStringLiteral("&%1 %2").arg(k + 1).arg(QFile::decodeName(recent[k])));
    connect(action, &QAction::triggered, this, [this, path] { Load_Files({path}); });
  }
  recent_menu_->setEnabled(!recent.isEmpty());
}

Outcome MainWindow::Go_To(const std::string& text) {
  const Result<int> target = Parse_Go_To(text, *app_);
  if (!target) return Failure{target.why()};
  Move_To_Record(target.value());
  return Outcome::Done();
}

void MainWindow::On_Go_To() {
  // Channels fill their records at their own pace: the time of day is looked for in one
  // channel's labels, and the dialog says which.
  constexpr int kBatteryZero = 3;
  const int channel = Label_Channel(*app_, kFirstRecord);
  const std::string_view caption = Channel_Caption(channel >= 0 ? channel : kBatteryZero);
  const QString looked_in =
      QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  bool ok = false;
  const QString text = QInputDialog::getText(
      this, tr("Go to"),
      tr("Record number, or time of day (HH:MM or HH:MM:SS).\nA time is looked for in the time "
         "labels of %1: the charted channel, else Battery 0.")
          .arg(looked_in),
      QLineEdit::Normal, QString(), &ok);
  if (!ok) return;
  if (const Outcome moved = Go_To(text.toStdString()); !moved) platform_->Message_Box(moved.why());
}

Outcome MainWindow::Export_Csv(const QString& path) {
  std::ostringstream csv;
  Write_Csv(csv, app_->telemetry.store);
  const std::string text = csv.str();
  // Written beside the target and renamed into place: a failed export leaves no half file.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    return Outcome::Failed((path + QStringLiteral(": ") + file.errorString()).toStdString());
  }
  return Outcome::Done();
}

void MainWindow::On_Export_Csv() {
  const QString path =
      QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(), tr("CSV files (*.csv)"));
  if (path.isEmpty()) return;
  if (const Outcome written = Export_Csv(path); !written) {
    platform_->Message_Box(written.why());
    return;
  }
  // Said where the load report stands, so that the user sees where the file went.
  const int records = Records_Loaded(app_->telemetry.store);
  app_->form.Label3_summary.clear();
  app_->form.Label3 = (records == 1 ? tr("1 record exported as CSV to %1")
                                    : tr("%1 records exported as CSV to %2").arg(records))
                          .arg(path)
                          .toStdString();
  app_->form.Label3_details.clear();
  Render(kNothingElse);
}

Outcome MainWindow::Save_Chart(const QString& path) {
  return chart_->Save(path);
}

void MainWindow::On_Save_Chart() {
  QString filter;
  QString path = QFileDialog::getSaveFileName(
      this, tr("Save chart"), QString(),
      tr("PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)"), &filter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) {
    path += filter.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
            : filter.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                                                    : QStringLiteral(".png");
  }
  if (const Outcome saved = Save_Chart(path); !saved) platform_->Message_Box(saved.why());
}

FrameView* MainWindow::Show_Frame_View() {
  if (!frame_view_) frame_view_ = new FrameView(app_->telemetry.frame_log, this);
  frame_view_->Refresh();
  frame_view_->show();
  frame_view_->raise();
  return frame_view_;
}

}  // namespace orvelt
