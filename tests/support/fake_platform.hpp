#pragma once

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "form/platform.hpp"

namespace orvelt::testing {

// A scripted platform: dialog outcomes and key states are queued by the test, everything the
// core asks of the world is recorded.
class FakePlatform : public Platform {
 public:
  std::deque<std::optional<std::string>> dialog_results;  // nothing = cancel
  std::vector<std::string> messages;
  std::deque<std::uint16_t> shift_states, right_button_states;
  std::vector<AsyncKey> key_queries;
  std::filesystem::path program_directory = std::filesystem::temp_directory_path();
  bool program_directory_writable = true;
  std::filesystem::path config_home, pictures_directory;
  std::vector<std::filesystem::path> data_directories;
  std::string save_error;  // what Save_Window_Bitmap reports; empty: it writes a small file
  std::string png_error;
  bool program_starts = true;
  std::vector<std::pair<std::string, std::vector<std::string>>> started;

  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings&) override {
    if (dialog_results.empty()) return std::nullopt;
    auto r = dialog_results.front();
    dialog_results.pop_front();
    return r;
  }
  void Message_Box(const std::string& text) override { messages.push_back(text); }
  std::uint16_t Async_Key_State(AsyncKey key) override {
    key_queries.push_back(key);
    auto& q = key == AsyncKey::Shift ? shift_states : right_button_states;
    if (q.empty()) return 0;
    const std::uint16_t v = q.front();
    q.pop_front();
    return v;
  }
  std::string Decimal_Separator() override { return "."; }
  // ISO-like forms so that tests read plainly.
  std::string Format_Short_Date(const CivilDateTime& t) override {
    char s[32];
    std::snprintf(s, sizeof s, "%04d-%02d-%02d", t.year, t.month, t.day);
    return s;
  }
  std::string Format_Long_Time(const CivilDateTime& t) override {
    char s[32];
    std::snprintf(s, sizeof s, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return s;
  }
  std::filesystem::path Program_Directory() override { return program_directory; }
  bool Program_Directory_Writable() override { return program_directory_writable; }
  std::filesystem::path Config_Home() override { return config_home; }
  std::vector<std::filesystem::path> Data_Directories() override { return data_directories; }
  std::filesystem::path Pictures_Directory() override { return pictures_directory; }
  Outcome Save_Window_Bitmap(const std::filesystem::path& path) override {
    if (!save_error.empty()) return Outcome::Failed(save_error);
    if (!(std::ofstream(path, std::ios::binary) << "BM")) return Outcome::Failed("cannot write");
    return Outcome::Done();
  }
  Outcome Write_Png(const std::filesystem::path&, const std::filesystem::path& png, std::uint8_t,
                    std::uint8_t, std::uint8_t) override {
    if (!png_error.empty()) return Outcome::Failed(png_error);
    if (!std::ofstream(png, std::ios::binary)) return Outcome::Failed("cannot write");
    return Outcome::Done();
  }
  bool Start_Program(const std::string& program, const std::vector<std::string>& args) override {
    if (!program_starts) return false;
    started.emplace_back(program, args);
    return true;
  }
};

}  // namespace orvelt::testing
