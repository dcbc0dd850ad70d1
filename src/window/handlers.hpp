#pragma once

#include <string>
#include <vector>

#include "config/conf_ini.hpp"
#include "form/platform.hpp"
#include "window/app_state.hpp"

namespace orvelt {

inline constexpr const char* kWindowTitle = "ORVELT-1 Telemetry Decoder (KAVRO)";
inline constexpr const char* kOpenDialogFilter =
    "Log Files (*.kss)|*.kss|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
inline constexpr const char* kTooManyFilesMessage = "too many files selected :-(";
inline constexpr int kMaxSelectionText = 32767;

// Start-up of the main window: switch status texts, conf.ini and obc_offset.ini from the first
// start-up folder that has each (the program's folder first), ImagePath. A failure means the
// program must not start.
Outcome Form_Load(AppState& app, Platform& platform);

// "Open Kissfile": asks for files, lists and loads them into the emptied store. A selection of
// which no file holds a capture is refused: the store stays as it was, and Label3 says why in a
// line, Label3_details in full, for a message. Of a selection with some, those are loaded and
// the others named. False when the store was kept.
bool MenuFileOpen_Click(AppState& app, Platform& platform);

// Loads `files` as one confirmed selection (command line, files dropped on the window), with
// the same steps as "Open Kissfile" after its dialog.
bool Open_Files(AppState& app, Platform& platform, std::vector<std::string> files);

// The scroll bar moved: shows the record at its position.
void HScroll1_Change(AppState& app, Platform& platform);

// Fills the value boxes and Label2 with record r; positions outside 1..5000 change nothing.
void Show_Record(AppState& app, Platform& platform, int r);

}  // namespace orvelt
