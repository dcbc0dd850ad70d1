#include "forward/station_settings_store.hpp"

#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

// Every saved field, servers included, in a form that compares as a whole.
auto Fields(const StationSettings& s) {
  std::vector<std::pair<std::string, bool>> servers;
  for (const ServerEntry& e : s.servers) servers.emplace_back(e.url, e.enabled);
  return std::tuple{s.callsign, s.latitude, s.longitude, s.norad_id, s.forwarding, servers};
}

TEST(Station_Settings_Store, SavedSettingsComeBackAsTheyWere) {
  testing::ScratchDir dir;
  const QString file = QString::fromStdString((dir / "settings.ini").string());
  StationSettings station{.callsign = "DL1ABC/P",
                          .latitude = 48.142708333333331,
                          .longitude = -11.604166666666666,
                          .norad_id = 999999999,
                          .servers = {{std::string(kSatnogsDbTelemetryUrl), false},
                                      {"http://sids.station.example:8080/sids?a=1&b=2", true}},
                          .forwarding = true};
  {
    QSettings settings(file, QSettings::IniFormat);
    Save_Station_Settings(settings, station);
  }
  QSettings settings(file, QSettings::IniFormat);
  EXPECT_EQ(Fields(Load_Station_Settings(settings)), Fields(station));

  // Fewer servers saved later leave none of the old ones behind.
  station.servers.resize(1);
  Save_Station_Settings(settings, station);
  EXPECT_EQ(Fields(Load_Station_Settings(settings)), Fields(station));
}

TEST(Station_Settings_Store, NothingSavedMeansForwardingOff) {
  testing::ScratchDir dir;
  QSettings settings(QString::fromStdString((dir / "none.ini").string()), QSettings::IniFormat);
  const StationSettings loaded = Load_Station_Settings(settings);
  EXPECT_FALSE(loaded.forwarding);
  EXPECT_TRUE(loaded.servers.empty());
  EXPECT_FALSE(Check_Station_Settings(loaded).ok());
}

}  // namespace
}  // namespace orvelt
