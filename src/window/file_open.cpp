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

// Reads List3 into the store: every file becomes the status line before it is read and every
// file read to its end is followed by a refresh of the decoded facts and of the record shown.
// The report is kept for its details and its short form stands behind the last path shown.
void Load_List3(AppState& app, Platform& platform, LoadOptions options) {
  options.before_file = [&app](std::size_t k) { app.form.Label3 = app.form.List3[k]; };
  options.after_file = [&app, &platform](std::size_t) {
    app.form.Take_Decoded_Facts(app.telemetry);
    Clamp_Record_Position(app);
    Show_Record(app, platform, app.form.HScroll1);
  };
  app.last_load = Load_Files(app.telemetry, app.form.List3, options);
  // A file that stopped the load still leaves its decoded facts.
  app.form.Take_Decoded_Facts(app.telemetry);
  const std::string summary = app.last_load.Summary();
  app.form.Label3_summary = summary.empty() ? std::string() : " | " + summary;
  app.form.Label3 += app.form.Label3_summary;
  app.form.Label3_details = app.last_load.Details();
}

}  // namespace

void MenuFileOpen_Click(AppState& app, Platform& platform) {
  // The store is emptied before the dialog shows, so it is empty even when the user cancels.
  app.telemetry.Start_Afresh();
  const OpenDialogSettings settings{kOpenDialogFilter, "", true, kMaxSelectionText};
  const std::optional<std::string> result = platform.Show_Open_Dialog(settings);
  if (result) {
    if (Character_Count(*result) > static_cast<std::size_t>(kMaxSelectionText)) {
      platform.Message_Box(kTooManyFilesMessage);
      return;
    }
    app.form.List3 = Split_Dialog_Result(*result);
  }
  // A cancelled dialog reads the last confirmed selection again. Names typed into the dialog
  // that name no file read as empty files, as the dialog allows them.
  LoadOptions options = app.load_options;
  options.missing_is_problem = false;
  Load_List3(app, platform, std::move(options));
}

void Open_Files(AppState& app, Platform& platform, std::vector<std::string> files) {
  app.telemetry.Start_Afresh();
  app.form.List3 = std::move(files);
  Load_List3(app, platform, app.load_options);
}

}  // namespace orvelt
