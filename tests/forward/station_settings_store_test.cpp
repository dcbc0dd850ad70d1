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
  StationSettings station{"DL1ABC/P",
                          48.142708333333331,
                          -11.604166666666666,
                          999999999,
                          {{std::string(kSatnogsDbTelemetryUrl), false},
                           {"http://sids.station.example:8080/sids?a=1&b=2", true}},
                          true};
  for (const std::size_t servers : {2u, 1u}) {
    // Fewer servers saved later leave none of the old ones behind.
    station.servers.resize(servers);
    {
      QSettings settings(file, QSettings::IniFormat);
      Save_Station_Settings(settings, station);
    }
    QSettings settings(file, QSettings::IniFormat);
    EXPECT_EQ(Fields(Load_Station_Settings(settings)), Fields(station));
  }
}

}  // namespace
}  // namespace orvelt
