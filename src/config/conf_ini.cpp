#include "config/conf_ini.hpp"

#include <fstream>
#include <system_error>
#include <utility>

namespace orvelt {

namespace {

constexpr std::string_view kNoEqualsReason = "setting without \"=\"";
constexpr std::string_view kEmptyFileReason = "file is empty";

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
std::optional<ConfigError> For_Each_Line(std::string_view text, LineHandler&& handle) {
  int line_number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find_first_of("\r\n", start);
    const auto line = text.substr(start, end == std::string_view::npos ? end : end - start);
    ++line_number;
    if (auto error = handle(line, line_number)) return error;
    if (end == std::string_view::npos) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return std::nullopt;
}

std::optional<ConfigError> Apply_Conf_Ini_Line(std::string_view line, int line_number,
                                               Configuration& config) {
  if (line.empty() || line.front() == '#') return std::nullopt;

  const auto equals = line.find('=');
  if (equals == std::string_view::npos) {
    return ConfigError{std::string(kConfIniName), line_number, std::string(kNoEqualsReason)};
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
  return std::nullopt;
}

// Reads the whole file into `contents`. A missing file and a file that cannot be
// opened or read are told apart, so the user knows whether to create or fix it.
std::optional<ConfigError> Read_Whole_File(const std::filesystem::path& path, std::string_view name,
                                           std::string& contents) {
  const auto fail = [&](std::string reason) {
    return ConfigError{std::string(name), 0, std::move(reason)};
  };

  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return fail("not found at " + path.string());
  }
  if (ec) return fail("cannot open " + path.string() + " (" + ec.message() + ")");
  if (status.type() == std::filesystem::file_type::directory) {
    return fail("cannot open " + path.string() + " (it is a directory)");
  }

  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return fail("cannot open " + path.string());

  contents.clear();
  char buffer[4096];
  while (in) {
    in.read(buffer, sizeof buffer);
    contents.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return fail("cannot read " + path.string());
  return std::nullopt;
}

}  // namespace

std::string ConfigError::message() const {
  std::string text = file;
  if (line > 0) text += ", line " + std::to_string(line);
  text += ": ";
  text += reason;
  return text;
}

std::optional<ConfigError> Apply_Conf_Ini_Text(std::string_view text, Configuration& config) {
  if (text.empty()) return ConfigError{std::string(kConfIniName), 0, std::string(kEmptyFileReason)};
  return For_Each_Line(text, [&config](std::string_view line, int line_number) {
    return Apply_Conf_Ini_Line(line, line_number, config);
  });
}

std::optional<ConfigError> Check_Obc_Offset_Text(std::string_view text) {
  // The offset is read for compatibility only and no part of the decoder uses it,
  // so the one thing that can go wrong is that there is nothing to read.
  if (text.empty()) {
    return ConfigError{std::string(kObcOffsetIniName), 0, std::string(kEmptyFileReason)};
  }
  return std::nullopt;
}

ConfigResult Read_Configuration(const std::filesystem::path& program_dir,
                                std::string default_image_path) {
  ConfigResult result;
  result.config.ImagePath = std::move(default_image_path);

  std::string text;
  result.error = Read_Whole_File(program_dir / kConfIniName, kConfIniName, text);
  if (!result.error) result.error = Apply_Conf_Ini_Text(text, result.config);
  if (result.error) return result;

  result.error = Read_Whole_File(program_dir / kObcOffsetIniName, kObcOffsetIniName, text);
  if (!result.error) result.error = Check_Obc_Offset_Text(text);
  return result;
}

}  // namespace orvelt
