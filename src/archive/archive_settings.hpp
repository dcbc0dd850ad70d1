#pragma once

#include <QSettings>

#include <filesystem>

#include "decode/channel_limits.hpp"

namespace orvelt {

// What of the window goes into the archive besides what orvelt-archive adds: nothing, the live
// sessions (the default), or the live sessions and the captures loaded into it.
enum class ArchiveMode { Off = 0, Live = 1, LiveAndCaptures = 2 };

inline bool Archives_Live(ArchiveMode mode) {
  return mode != ArchiveMode::Off;
}
inline bool Archives_Captures(ArchiveMode mode) {
  return mode == ArchiveMode::LiveAndCaptures;
}

ArchiveMode Load_Archive_Mode(QSettings& settings);
void Save_Archive_Mode(QSettings& settings, ArchiveMode mode);

// The station's limits per channel (group "limits", one "lower..upper" per channel); none are
// set unless the station set them.
LimitTable Load_Limits(QSettings& settings);
void Save_Limits(QSettings& settings, const LimitTable& limits);

}  // namespace orvelt
