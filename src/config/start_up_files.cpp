#include "config/start_up_files.hpp"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>

#include "config/config_failure.hpp"
#include "config/install_layout.hpp"
#include "ingest/file_kind.hpp"

namespace orvelt {

namespace fs = std::filesystem;

namespace {

// One spelling per folder, so that the same folder reached two ways is searched once.
fs::path Normal_Folder(const fs::path& folder) {
  fs::path normal = folder.lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  return normal;
}

std::string Too_Large(std::uintmax_t size) {
  return "is larger than " + std::to_string(kMaxStartUpFileSize / (1024 * 1024)) + " MiB (" +
         std::to_string(size) + " bytes); a start-up file is a few lines of text";
}

// Reads the regular file at `path` whole, refusing anything else before opening it.
Result<StartUpFile> Read_Regular_File(const fs::path& path) {
  StartUpFile result;
  result.path = path;
  const auto fail = [&](const std::string& reason) -> Result<StartUpFile> {
    return Config_Failure(path.string(), 0, reason);
  };

  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() != fs::file_type::regular) {
    if (ec && status.type() != fs::file_type::not_found) {
      return fail("cannot open (" + ec.message() + ")");
    }
    return fail(std::string("is ") + File_Kind_Name(status.type()) +
                ", not a file that can be read");
  }
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxStartUpFileSize) return fail(Too_Large(size));

  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return fail("cannot open");
  // The file may have grown since its size was looked at: never read past the limit.
  char buffer[4096];
  while (in && result.text.size() <= kMaxStartUpFileSize) {
    in.read(buffer, sizeof buffer);
    result.text.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return fail("cannot read");
  if (result.text.size() > kMaxStartUpFileSize) return fail(Too_Large(result.text.size()));
  return result;
}

}  // namespace

std::vector<fs::path> Start_Up_Folders(const StartUpPlaces& places) {
  std::vector<fs::path> candidates;
  if (!places.program_dir.empty()) {
    candidates.push_back(places.program_dir);
  }
  if (!places.config_home.empty()) {
    candidates.push_back(places.config_home / kStartUpFolderName);
  }
  if (!places.program_dir.empty()) {
    candidates.push_back(places.program_dir / kProgramToDataFolder / kStartUpFolderName);
  }
  for (const fs::path& data : places.data_dirs) {
    if (!data.empty()) candidates.push_back(data / kStartUpFolderName);
  }

  std::vector<fs::path> folders;
  for (const fs::path& candidate : candidates) {
    fs::path folder = Normal_Folder(candidate);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(std::move(folder));
    }
  }
  return folders;
}

Result<StartUpFile> Read_Start_Up_File(const std::vector<fs::path>& folders,
                                       std::string_view name) {
  std::string looked_at;
  for (const fs::path& folder : folders) {
    const fs::path path = folder / name;
    std::error_code ec;
    // The entry itself, not what a link points to: a dangling link is a mistake to report.
    if (fs::symlink_status(path, ec).type() != fs::file_type::not_found) {
      return Read_Regular_File(path);
    }
    looked_at += (looked_at.empty() ? "" : ", ") + path.string();
  }
  return Config_Failure(name, 0,
                        looked_at.empty() ? "not found; there is no folder to look in"
                                          : "not found; looked at " + looked_at);
}

}  // namespace orvelt
