#include "window/handlers.hpp"

namespace orvelt {
std::optional<ConfigError> Form_Load(AppState&, Platform&) { return {}; }
void MenuFileOpen_Click(AppState&, Platform&) {}
void Open_Files(AppState&, Platform&, std::vector<std::string>) {}
void HScroll1_Change(AppState&, Platform&) {}
void Show_Record(AppState&, Platform&, int) {}
}  // namespace orvelt
