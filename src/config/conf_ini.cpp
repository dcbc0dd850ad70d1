#include "config/conf_ini.hpp"

#include <system_error>
#include <utility>

#include "config/config_failure.hpp"
#include "config/start_up_files.hpp"

namespace orvelt {

namespace {

constexpr std::string_view kNoEqualsReason = "setting without \"=\"";
constexpr std::string_view kEmptyFileReason = "file is empty";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

char Ascii_Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Equals_Ignoring_Case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Ascii_Upper(a[i]) != Ascii_Upper(b[i])) return false;
  }
  return true;
}

// Only blanks are padding; a tab belongs to the key or value it stands next to.
std::string_view Trim_Spaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// Cuts the text into lines at CR LF, CR or LF. A line end at the very end of the
// text closes the last line and does not open another one.
template <typename LineHandler>
Outcome For_Each_Line(std::string_view text, LineHandler&& handle) {
  int line_number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find_first_of("\r\n", start);
    const auto line = text.substr(start, end == std::string_view::npos ? end : end - start);
    ++line_number;
    if (Outcome handled = handle(line, line_number); !handled) return handled;
    if (end == std::string_view::npos) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return Outcome::Done();
}

Outcome Apply_Conf_Ini_Line(std::string_view line, int line_number, std::string_view file,
                            Configuration& config) {
  if (line.empty() || line.front() == '#') return Outcome::Done();

  const auto equals = line.find('=');
  if (equals == std::string_view::npos) {
    return Config_Failure(file, line_number, kNoEqualsReason);
  }
  const auto key = Trim_Spaces(line.substr(0, equals));
  const auto value = Trim_Spaces(line.substr(equals + 1));

  if (Equals_Ignoring_Case(key, "HEXFILE")) {
    // Accepted for compatibility with existing files; it has no effect.
  } else if (Equals_Ignoring_Case(key, "IMAGE_PATH")) {
    config.ImagePath = std::string(value);
  } else if (Equals_Ignoring_Case(key, "SCREENSHOT")) {
    config.screenshot_button = Equals_Ignoring_Case(value, "YES");
  }
  return Outcome::Done();
}

}  // namespace

Outcome Apply_Conf_Ini_Text(std::string_view text, Configuration& config, std::string_view file) {
  if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
  if (text.empty()) return Config_Failure(file, 0, kEmptyFileReason);
  return For_Each_Line(text, [&config, file](std::string_view line, int line_number) {
    return Apply_Conf_Ini_Line(line, line_number, file, config);
  });
}

Outcome Check_Obc_Offset_Text(std::string_view text, std::string_view file) {
  // The offset is read for compatibility only and no part of the decoder uses it,
  // so the one thing that can go wrong is that there is nothing to read.
  if (text.empty()) return Config_Failure(file, 0, kEmptyFileReason);
  return Outcome::Done();
}

std::string Folder_Prefix(const std::filesystem::path& folder) {
  std::string prefix = folder.string();
  constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (prefix.empty() || prefix.back() != kSeparator) prefix += kSeparator;
  return prefix;
}

std::string Resolve_Image_Path(std::string_view value, const std::filesystem::path& conf_folder) {
  if (std::filesystem::path(value).is_absolute() || conf_folder.empty()) return std::string(value);
  return Folder_Prefix(conf_folder) + std::string(value);
}

std::string Image_Path_Prefix(std::string_view image_path) {
  std::error_code ec;
  if (image_path.empty() || image_path.back() == '/' ||
      image_path.back() == static_cast<char>(std::filesystem::path::preferred_separator) ||
      !std::filesystem::is_directory(std::filesystem::path(image_path), ec)) {
    return std::string(image_path);
  }
  return Folder_Prefix(std::filesystem::path(image_path));
}

Result<StartUpConfiguration> Read_Configuration(const std::vector<std::filesystem::path>& folders) {
  StartUpConfiguration result;

  const Result<StartUpFile> conf = Read_Start_Up_File(folders, kConfIniName);
  if (!conf) return Failure{conf.why()};
  result.conf_ini = conf.value().path;
  // There may be several conf.ini: a failure names this one.
  if (Outcome applied =
          Apply_Conf_Ini_Text(conf.value().text, result.config, conf.value().path.string());
      !applied) {
    return Failure{applied.why()};
  }
  if (result.config.ImagePath) {
    result.config.ImagePath =
        Resolve_Image_Path(*result.config.ImagePath, conf.value().path.parent_path());
  }

  const Result<StartUpFile> offset = Read_Start_Up_File(folders, kObcOffsetIniName);
  if (!offset) return Failure{offset.why()};
  if (Outcome checked = Check_Obc_Offset_Text(offset.value().text, offset.value().path.string());
      !checked) {
    return Failure{checked.why()};
  }
  return result;
}

}  // namespace orvelt
