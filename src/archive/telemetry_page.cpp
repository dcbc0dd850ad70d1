#include "archive/telemetry_page.hpp"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "archive/satnogs_export.hpp"

namespace orvelt {

std::optional<TelemetryPage> Parse_Telemetry_Page(std::string_view json, UtcSeconds now) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &error);
  if (error.error != QJsonParseError::NoError) return std::nullopt;
  TelemetryPage page;
  QJsonArray results;
  if (document.isArray()) {
    results = document.array();
  } else if (document.isObject()) {
    const QJsonObject object = document.object();
    const QJsonValue list = object.value(QLatin1String("results"));
    const QJsonValue next = object.value(QLatin1String("next"));
    if (!list.isArray() || !(next.isString() || next.isNull() || next.isUndefined())) {
      return std::nullopt;
    }
    results = list.toArray();
    if (next.isString() && !next.toString().isEmpty()) page.next = next.toString().toStdString();
  } else {
    return std::nullopt;
  }
  page.entries.reserve(static_cast<std::size_t>(results.size()));
  for (const QJsonValue& value : results) {
    const QJsonObject entry = value.toObject();
    auto bytes = Network_Frame_Bytes(entry.value(QLatin1String("frame")).toString().toStdString());
    const auto time =
        Parse_Utc_Time(entry.value(QLatin1String("timestamp")).toString().toStdString());
    if (!bytes || !time || !Is_Usable_Frame_Time(*time, now)) {
      ++page.unusable;
      continue;
    }
    std::string observer = entry.value(QLatin1String("observer")).toString().toStdString();
    // The observer names a source in the archive, shown in windows and printed to terminals.
    for (char& c : observer) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    page.entries.push_back({std::move(*bytes), *time, std::move(observer)});
  }
  return page;
}

}  // namespace orvelt
