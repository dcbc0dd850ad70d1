#pragma once

#include "forward/station_settings.hpp"

#include <QSettings>

#include <filesystem>

namespace orvelt {

// The station settings live in the user's settings (group "station"), never beside the program.
StationSettings Load_Station_Settings(QSettings& settings);
void Save_Station_Settings(QSettings& settings, const StationSettings& station);

// The outbox file in the user's data folder.
std::filesystem::path Default_Outbox_Path();

}  // namespace orvelt
