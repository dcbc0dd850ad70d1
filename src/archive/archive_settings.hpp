#pragma once

#include <QSettings>

#include <filesystem>

#include "decode/channel_limits.hpp"

namespace orvelt {

// What of the window goes into the archive besides what orvelt-archive adds: nothing, or the
// live sessions (the default).
enum class ArchiveMode { Off = 0, Live = 1 };

ArchiveMode Load_Archive_Mode(QSettings& settings);
void Save_Archive_Mode(QSettings& settings, ArchiveMode mode);

// The station's limits per channel (group "limits", one "lower..upper" per channel); none are
// set unless the station set them.
LimitTable Load_Limits(QSettings& settings);
void Save_Limits(QSettings& settings, const LimitTable& limits);

}  // namespace orvelt
