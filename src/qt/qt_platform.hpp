#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "form/platform.hpp"
#include "qt/key_press_tracker.hpp"

class QWidget;

namespace orvelt {

// The outside world as Qt offers it: file dialog, message box, key states from the
// application's input events, the user's locale, the program's folder and the user's standard
// folders, window pictures and detached processes.
class QtPlatform : public Platform {
 public:
  // `window` is the main window: parent of the dialogs and source of the window bitmap.
  explicit QtPlatform(QWidget* window = nullptr);

  void Set_Window(QWidget* window) { window_ = window; }

  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings& settings) override;
  void Message_Box(const std::string& text) override;
  std::uint16_t Async_Key_State(AsyncKey key) override;
  std::string Decimal_Separator() override;
  std::string Format_Short_Date(const CivilDateTime& t) override;
  std::string Format_Long_Time(const CivilDateTime& t) override;
  std::filesystem::path Program_Directory() override;
  bool Program_Directory_Writable() override;
  std::filesystem::path Config_Home() override;
  std::vector<std::filesystem::path> Data_Directories() override;
  std::filesystem::path Pictures_Directory() override;
  Outcome Save_Window_Bitmap(const std::filesystem::path& path) override;
  Outcome Write_Png(const std::filesystem::path& bitmap, const std::filesystem::path& png,
                    std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
  bool Start_Program(const std::string& program, const std::vector<std::string>& args) override;

 private:
  QWidget* window_ = nullptr;
  KeyPressTracker keys_;
  // The dialog reopens where the user left it, with the file type chosen last.
  QString last_dir_;
  QString last_filter_;
};

// The setting that remembers the folder of the last opened capture.
inline constexpr const char* kLastFolderSetting = "open/last_folder";

// A file name as the bytes the file system holds, and back for showing. Names that are no valid
// UTF-8 survive the round trip through the core.
std::string File_Name_Bytes(const QString& name);
QString File_Name_Text(const std::string& bytes);

// "Description|pattern|Description|pattern" as the file dialog's name filters. Patterns
// separated by ";" become space-separated, and "*.*" becomes "*" so that files without an
// extension are offered too.
QStringList Qt_Name_Filters(const std::string& filter);

// The result text of a confirmed selection: one full path, or the folder followed by the bare
// names, NUL-separated, without a NUL at the end.
std::string Selection_Text(const QStringList& files);

// A time format of the locale with its time-zone part removed; the record display shows
// zone-less times.
QString Without_Time_Zone(const QString& format);

}  // namespace orvelt
