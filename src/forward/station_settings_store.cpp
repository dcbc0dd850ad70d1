#include "forward/station_settings_store.hpp"

#include <QStandardPaths>
#include <QString>

namespace orvelt {

StationSettings Load_Station_Settings(QSettings& settings) {
  StationSettings station;
  settings.beginGroup(QStringLiteral("station"));
  station.callsign = settings.value(QStringLiteral("callsign")).toString().toStdString();
  station.latitude = settings.value(QStringLiteral("latitude"), 0.0).toDouble();
  station.longitude = settings.value(QStringLiteral("longitude"), 0.0).toDouble();
  station.norad_id = settings.value(QStringLiteral("norad"), 0).toULongLong();
  station.forwarding = settings.value(QStringLiteral("forwarding"), false).toBool();
  const int count = settings.beginReadArray(QStringLiteral("servers"));
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    station.servers.push_back({settings.value(QStringLiteral("url")).toString().toStdString(),
                               settings.value(QStringLiteral("enabled"), true).toBool()});
  }
  settings.endArray();
  settings.endGroup();
  return station;
}

void Save_Station_Settings(QSettings& settings, const StationSettings& station) {
  settings.beginGroup(QStringLiteral("station"));
  settings.remove(QString());
  settings.setValue(QStringLiteral("callsign"), QString::fromStdString(station.callsign));
  settings.setValue(QStringLiteral("latitude"), station.latitude);
  settings.setValue(QStringLiteral("longitude"), station.longitude);
  settings.setValue(QStringLiteral("norad"), static_cast<qulonglong>(station.norad_id));
  settings.setValue(QStringLiteral("forwarding"), station.forwarding);
  settings.beginWriteArray(QStringLiteral("servers"), static_cast<int>(station.servers.size()));
  for (std::size_t i = 0; i < station.servers.size(); ++i) {
    settings.setArrayIndex(static_cast<int>(i));
    settings.setValue(QStringLiteral("url"), QString::fromStdString(station.servers[i].url));
    settings.setValue(QStringLiteral("enabled"), station.servers[i].enabled);
  }
  settings.endArray();
  settings.endGroup();
}

std::filesystem::path Default_Outbox_Path() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  return std::filesystem::path(folder.toStdString()) / "outbox.sqlite";
}

}  // namespace orvelt
