#pragma once

#include "forward/station_settings.hpp"

#include <QSettings>

#include <filesystem>

namespace orvelt {

// The settings that hold the station: the window's, under the organisation "orvelt", so that the
// headless receiver forwards as the station the user set up in the window.
inline constexpr const char* kStationSettingsApplication = "orvelt-decoder";

// The station settings live in the user's settings (group "station"), never beside the program.
StationSettings Load_Station_Settings(QSettings& settings);
void Save_Station_Settings(QSettings& settings, const StationSettings& station);

// The outbox file in the user's data folder.
std::filesystem::path Default_Outbox_Path();

}  // namespace orvelt
