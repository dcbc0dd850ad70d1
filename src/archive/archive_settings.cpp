#include "archive/archive_settings.hpp"

#include <QString>

namespace orvelt {

ArchiveMode Load_Archive_Mode(QSettings& settings) {
  const int mode = settings.value(QStringLiteral("archive/mode"), 1).toInt();
  return mode >= 0 && mode <= 2 ? static_cast<ArchiveMode>(mode) : ArchiveMode::Live;
}

void Save_Archive_Mode(QSettings& settings, ArchiveMode mode) {
  settings.setValue(QStringLiteral("archive/mode"), static_cast<int>(mode));
}

LimitTable Load_Limits(QSettings& settings) {
  LimitTable table{};
  settings.beginGroup(QStringLiteral("limits"));
  for (int c = 0; c < kChannelCount; ++c) {
    const QString text = settings.value(QString::number(c)).toString();
    if (text.isEmpty()) continue;
    // A damaged entry sets no limit rather than a wrong one.
    if (const auto limits = Parse_Limits(text.toStdString())) {
      table[static_cast<std::size_t>(c)] = limits.value();
    }
  }
  settings.endGroup();
  return table;
}

void Save_Limits(QSettings& settings, const LimitTable& limits) {
  settings.beginGroup(QStringLiteral("limits"));
  for (int c = 0; c < kChannelCount; ++c) {
    const std::string text = Limits_Text(limits[static_cast<std::size_t>(c)]);
    if (text.empty()) {
      settings.remove(QString::number(c));
    } else {
      settings.setValue(QString::number(c), QString::fromStdString(text));
    }
  }
  settings.endGroup();
}

}  // namespace orvelt
