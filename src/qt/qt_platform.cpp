#include "qt/qt_platform.hpp"

#include "qt/png_writer.hpp"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTime>
#include <QWidget>

namespace orvelt {

namespace {

QString From_Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A folder Qt names as the file system spells it.
std::filesystem::path Local_Path(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

std::string File_Name_Bytes(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

QString File_Name_Text(const std::string& bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QStringList Qt_Name_Filters(const std::string& filter) {
  const QStringList parts = From_Utf8(filter).split(u'|');
  QStringList filters;
  for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
    QString description = parts[k].trimmed();
    QStringList patterns = parts[k + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    // Qt reads the patterns from the last parenthesis of the entry, so the description's own
    // "(*.*)" would otherwise win over the pattern part.
    const qsizetype open = description.lastIndexOf(u'(');
    if (open > 0 && description.endsWith(u')') && description.indexOf(u'*', open) > open) {
      description = description.left(open).trimmed();
    }
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
  }
  return filters;
}

std::string Selection_Text(const QStringList& files) {
  if (files.isEmpty()) return {};
  // File names are bytes: the file system's own encoding keeps names that are no valid UTF-8.
  if (files.size() == 1) return File_Name_Bytes(QDir::toNativeSeparators(files.front()));
  std::string text =
      File_Name_Bytes(QDir::toNativeSeparators(QFileInfo(files.front()).absolutePath()));
  for (const QString& f : files) {
    text.push_back('\0');
    text += File_Name_Bytes(QFileInfo(f).fileName());
  }
  return text;
}

QString Without_Time_Zone(const QString& format) {
  QString out;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    out += c;
  }
  out.replace(QLatin1String("()"), QString());
  return out.simplified();
}

QtPlatform::QtPlatform(QWidget* window) : window_(window) {}

std::optional<std::string> QtPlatform::Show_Open_Dialog(const OpenDialogSettings& settings) {
  // The dialog opens where the last capture was opened (by any way), also after a restart.
  last_dir_ = QSettings().value(kLastFolderSetting, last_dir_).toString();
  const QStringList filters = Qt_Name_Filters(settings.filter);
  if (last_filter_.isEmpty() || !filters.contains(last_filter_)) {
    last_filter_ = filters.isEmpty() ? QString() : filters.front();
  }
  QString start = last_dir_;
  if (!settings.file_name.empty()) start = QDir(start).filePath(From_Utf8(settings.file_name));
  QStringList files;
  if (settings.multi_select) {
    files =
        QFileDialog::getOpenFileNames(window_, QString(), start, filters.join(";;"), &last_filter_);
  } else {
    const QString file =
        QFileDialog::getOpenFileName(window_, QString(), start, filters.join(";;"), &last_filter_);
    if (!file.isEmpty()) files << file;
  }
  if (files.isEmpty()) return std::nullopt;
  last_dir_ = QFileInfo(files.front()).absolutePath();
  QSettings().setValue(kLastFolderSetting, last_dir_);
  return Selection_Text(files);
}

void QtPlatform::Message_Box(const std::string& text) {
  const QString title = window_ ? window_->window()->windowTitle() : QString();
  QMessageBox::information(window_, title, From_Utf8(text), QMessageBox::Ok);
}

std::uint16_t QtPlatform::Async_Key_State(AsyncKey key) {
  return keys_.Query(key);
}

std::string QtPlatform::Decimal_Separator() {
  return QLocale().decimalPoint().toStdString();
}

std::string QtPlatform::Format_Short_Date(const CivilDateTime& t) {
  return QLocale().toString(QDate(t.year, t.month, t.day), QLocale::ShortFormat).toStdString();
}

std::string QtPlatform::Format_Long_Time(const CivilDateTime& t) {
  const QLocale locale;
  const QString format = Without_Time_Zone(locale.timeFormat(QLocale::LongFormat));
  return locale.toString(QTime(t.hour, t.minute, t.second), format).toStdString();
}

std::filesystem::path QtPlatform::Program_Directory() {
  return std::filesystem::path(File_Name_Bytes(QCoreApplication::applicationDirPath()));
}

bool QtPlatform::Program_Directory_Writable() {
  return QFileInfo(QString::fromStdString(Program_Directory().string())).isWritable();
}

std::filesystem::path QtPlatform::Config_Home() {
  return Local_Path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

std::vector<std::filesystem::path> QtPlatform::Data_Directories() {
  std::vector<std::filesystem::path> dirs;
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    dirs.push_back(Local_Path(dir));
  }
  return dirs;
}

std::filesystem::path QtPlatform::Pictures_Directory() {
  return Local_Path(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
}

Outcome QtPlatform::Save_Window_Bitmap(const std::filesystem::path& path) {
  if (!window_) return Outcome::Failed("no window to copy");
  // The client area: the window without its frame and menu bar.
  QWidget* client = window_;
  if (auto* main = qobject_cast<QMainWindow*>(window_); main && main->centralWidget()) {
    client = main->centralWidget();
  }
  return Save_Widget_Bitmap(*client, path);
}

Outcome QtPlatform::Write_Png(const std::filesystem::path& bitmap, const std::filesystem::path& png,
                              std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return Write_Png_From_Bitmap(bitmap, png, red, green, blue);
}

bool QtPlatform::Start_Program(const std::string& program, const std::vector<std::string>& args) {
  QStringList arguments;
  arguments.reserve(static_cast<qsizetype>(args.size()));
  for (const std::string& a : args) arguments << From_Utf8(a);
  return QProcess::startDetached(From_Utf8(program), arguments);
}

}  // namespace orvelt
