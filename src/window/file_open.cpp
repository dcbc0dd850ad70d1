#include <filesystem>
#include <functional>
#include <utility>

#include "ingest/capture_reader.hpp"
#include "window/handlers.hpp"
#include "window/navigation.hpp"

namespace orvelt {

namespace {

// Characters of a UTF-8 text, as the dialog counts the room its names need.
std::size_t Character_Count(const std::string& utf8) {
  std::size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// One full path, or the folder and the names separated by NUL characters.
std::vector<std::string> Split_Dialog_Result(const std::string& result) {
  if (result.find('\0') == std::string::npos) return {result};
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= result.size()) {
    const std::size_t end = std::min(result.find('\0', start), result.size());
    items.push_back(result.substr(start, end - start));
    start = end + 1;
  }
  const std::filesystem::path folder = items.front();
  std::vector<std::string> files;
  for (std::size_t k = 1; k < items.size(); ++k) files.push_back((folder / items[k]).string());
  return files;
}

// How the status line names a selection: its one path, or the first path and the names of the
// others, so that a load of several files is not taken for a load of its last.
std::string Selection_Text(const std::vector<std::string>& files) {
  if (files.size() == 1) return files.front();
  constexpr std::size_t kNamed = 3;
  std::string text = std::to_string(files.size()) + " files: ";
  for (std::size_t k = 0; k < files.size() && k < kNamed; ++k) {
    text += k == 0 ? files[k] : ", " + std::filesystem::path(files[k]).filename().string();
  }
  if (files.size() > kNamed) text += ", ...";
  return text;
}

// Reads List3 into the emptied store: every file becomes the status line before it is read and
// every file read to its end is followed by a refresh of the decoded facts and of the record
// shown. The report, with the files refused before the load, is kept for its details; the
// status line names the selection, then the report's short form.
void Load_List3(AppState& app, Platform& platform, LoadOptions options,
                std::vector<FileReport> refused) {
  app.telemetry.Start_Afresh();
  options.before_file = [&app](std::size_t k) { app.form.Label3 = app.form.List3[k]; };
  options.after_file = [&app, &platform](std::size_t) {
    app.form.Take_Decoded_Facts(app.telemetry);
    Clamp_Record_Position(app);
    Show_Record(app, platform, app.form.HScroll1);
  };
  app.last_load = Load_Files(app.telemetry, app.form.List3, options);
  for (FileReport& file : refused) app.last_load.files.push_back(std::move(file));
  // A file that stopped the load still leaves its decoded facts.
  app.form.Take_Decoded_Facts(app.telemetry);
  const std::string summary = app.last_load.Summary();
  app.form.Label3_summary = summary.empty() ? std::string() : " | " + summary;
  app.form.Label3 = Selection_Text(app.form.List3) + app.form.Label3_summary;
  app.form.Label3_details = app.last_load.Details();
  // The report counts every frame of a file; the frame view lists the frames decoded.
  if (const std::int64_t unlisted = app.last_load.Unlisted_Frames(); unlisted > 0) {
    app.form.Label3_details += "View / Frames lists " +
                               std::to_string(app.last_load.Frames() - unlisted) +
                               " of them: time labels and frames longer than 512 bytes are "
                               "counted here, not listed there.\n";
  }
}

// Loads the files of a selection that hold a capture. When none does, the store and every view
// stay as they are, and the status line and its details say why, file by file: a wrong file
// picked by mistake must not cost the capture on screen. False when nothing was loaded.
bool Load_Selection(AppState& app, Platform& platform, std::vector<std::string> files,
                    const LoadOptions& options) {
  std::vector<std::string> good;
  std::vector<FileReport> refused;
  for (std::string& file : files) {
    if (file.empty()) continue;
    FileReport checked = Check_Capture(file, options);
    if (checked.error == FileError::None) {
      good.push_back(std::move(file));
    } else {
      refused.push_back(std::move(checked));
    }
  }
  if (good.empty() && !refused.empty()) {
    std::string why = refused.size() == 1 ? std::string() : "Nothing loaded:\n";
    std::string line;
    for (const FileReport& file : refused) {
      why += (line.empty() ? "" : "\n") + File_Refusal_Text(file);
      line += (line.empty() ? "" : "; ") + File_Refusal_Text(file);
    }
    app.form.Label3_summary.clear();
    app.form.Label3 = line;
    app.form.Label3_details = why;
    return false;
  }
  app.form.List3 = std::move(good);
  Load_List3(app, platform, options, std::move(refused));
  return true;
}

}  // namespace

bool MenuFileOpen_Click(AppState& app, Platform& platform) {
  const OpenDialogSettings settings{kOpenDialogFilter, "", true, kMaxSelectionText};
  const std::optional<std::string> result = platform.Show_Open_Dialog(settings);
  if (result && Character_Count(*result) > static_cast<std::size_t>(kMaxSelectionText)) {
    app.telemetry.Start_Afresh();
    platform.Message_Box(kTooManyFilesMessage);
    return true;
  }
  // A cancelled dialog reads the last confirmed selection again, into an emptied store.
  std::vector<std::string> files = result ? Split_Dialog_Result(*result) : app.form.List3;
  if (files.empty()) {
    app.telemetry.Start_Afresh();
    return true;
  }
  return Load_Selection(app, platform, std::move(files), app.load_options);
}

bool Open_Files(AppState& app, Platform& platform, std::vector<std::string> files) {
  return Load_Selection(app, platform, std::move(files), app.load_options);
}

}  // namespace orvelt
