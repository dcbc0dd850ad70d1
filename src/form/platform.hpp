#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

// Settings of the file-open dialog, applied before every showing.
struct OpenDialogSettings {
  std::string filter;  // "Description|pattern|Description|pattern..."
  std::string file_name;
  bool multi_select = true;
  int max_file_size = 32767;  // room for the returned names, in characters
};

// The date-time pieces a locale formats.
struct CivilDateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

// Keys whose fresh press turns a selection into a group chart.
enum class AsyncKey { Shift = 16, RightButton = 2 };

// What the core needs from the outside world, and nothing more. The Qt front-end implements it;
// tests use a scripted fake.
class Platform {
 public:
  virtual ~Platform() = default;

  // Shows the file-open dialog. Returns the result text (one full path, or the folder and the
  // file names separated by NUL characters), or nothing when the user cancelled.
  virtual std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings& settings) = 0;

  // A modal message box with an OK button and the application's title.
  virtual void Message_Box(const std::string& text) = 0;

  // State word of a key as an asynchronous key-state query gives it: bit 15 down now, bit 0
  // pressed since the previous query of that key.
  virtual std::uint16_t Async_Key_State(AsyncKey key) = 0;

  // The user's locale: decimal separator, short date, long time.
  virtual std::string Decimal_Separator() = 0;
  virtual std::string Format_Short_Date(const CivilDateTime& t) = 0;
  virtual std::string Format_Long_Time(const CivilDateTime& t) = 0;

  // The folder the program was started from.
  virtual std::filesystem::path Program_Directory() = 0;

  // The user's folders, for a program installed where it cannot keep its own files. A platform
  // without them answers as below, and the program behaves as when run from its own folder.
  // Whether the user may write into the program's folder.
  virtual bool Program_Directory_Writable() { return true; }
  // The user's configuration folder ($XDG_CONFIG_HOME, normally ~/.config); empty: none.
  virtual std::filesystem::path Config_Home() { return {}; }
  // Folders of shared data, most preferred first ($XDG_DATA_HOME, then $XDG_DATA_DIRS).
  virtual std::vector<std::filesystem::path> Data_Directories() { return {}; }
  // The user's Pictures folder; empty when the platform has none.
  virtual std::filesystem::path Pictures_Directory() { return {}; }

  // Copies the main window's client area at its current size into a Windows bitmap file.
  virtual Outcome Save_Window_Bitmap(const std::filesystem::path& path) = 0;

  // Converts a bitmap into a PNG with the colour `transparent` made transparent and at most 256
  // colours, as the external converter would.
  virtual Outcome Write_Png(const std::filesystem::path& bitmap, const std::filesystem::path& png,
                            std::uint8_t red, std::uint8_t green, std::uint8_t blue) = 0;

  // Starts a program without a shell and without waiting for it. False when it could not be
  // started (not installed, for example).
  virtual bool Start_Program(const std::string& program, const std::vector<std::string>& args) = 0;
};

}  // namespace orvelt
