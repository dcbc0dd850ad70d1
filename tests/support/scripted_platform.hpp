#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "qt/qt_platform.hpp"

namespace orvelt::testing {

// The Qt platform with its modal dialogs scripted: every showing of the file dialog takes the
// next outcome (nothing = cancel), every message box is recorded, and start-up reads the
// program's files from `program_directory`.
class ScriptedPlatform : public QtPlatform {
 public:
  std::deque<std::optional<std::string>> dialog_outcomes;
  int dialogs_shown = 0;
  std::vector<std::string> messages;
  std::filesystem::path program_directory = ORVELT_APP_DIR;

  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings&) override {
    ++dialogs_shown;
    if (dialog_outcomes.empty()) return std::nullopt;
    auto outcome = dialog_outcomes.front();
    dialog_outcomes.pop_front();
    return outcome;
  }
  void Message_Box(const std::string& text) override { messages.push_back(text); }
  std::filesystem::path Program_Directory() override { return program_directory; }
};

}  // namespace orvelt::testing
