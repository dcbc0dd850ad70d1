#include "forward/station_settings_store.hpp"

#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(Station_Settings_Store, SavedSettingsComeBackAsTheyWere) {
  testing::ScratchDir dir;
  const QString file = QString::fromStdString((dir / "settings.ini").string());
  StationSettings station;
  station.callsign = "DL1ABC/P";
  station.latitude = 48.142708333333331;
  station.longitude = -11.604166666666666;
  station.norad_id = 999999999;
  station.servers = {{std::string(kSatnogsDbTelemetryUrl), false},
                     {"http://sids.station.example:8080/sids?a=1&b=2", true}};
  station.forwarding = true;
  {
    QSettings settings(file, QSettings::IniFormat);
    Save_Station_Settings(settings, station);
  }
  QSettings settings(file, QSettings::IniFormat);
  const StationSettings loaded = Load_Station_Settings(settings);
  EXPECT_EQ(loaded.callsign, station.callsign);
  EXPECT_EQ(loaded.latitude, station.latitude);
  EXPECT_EQ(loaded.longitude, station.longitude);
  EXPECT_EQ(loaded.norad_id, station.norad_id);
  EXPECT_TRUE(loaded.forwarding);
  ASSERT_EQ(loaded.servers.size(), 2u);
  EXPECT_EQ(loaded.servers[0].url, station.servers[0].url);
  EXPECT_FALSE(loaded.servers[0].enabled);
  EXPECT_EQ(loaded.servers[1].url, station.servers[1].url);

  // Fewer servers saved later leave none of the old ones behind.
  station.servers.resize(1);
  Save_Station_Settings(settings, station);
  EXPECT_EQ(Load_Station_Settings(settings).servers.size(), 1u);
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
