#pragma once

#include <QSettings>
#include <QString>

#include "base/result.hpp"

namespace orvelt {

// Where the user's SatNOGS DB token is kept between sessions: the desktop's secret service
// (through QtKeychain) where one runs, else a file beside the settings that only its owner can
// read. Never in the settings file itself, which other users may read.
class StoredToken {
 public:
  enum class Place { SecretService, OwnerOnlyFile };

  // `settings` is the window's settings; the file is "satnogs-db-token" in its folder.
  // `use_secret_service` is off where no desktop session may be asked (tests).
  explicit StoredToken(QSettings& settings, bool use_secret_service = true);

  // The token kept (empty when there is none). A token that an earlier version left in the
  // settings file is moved out of it first.
  Result<QString> Load();
  // Keeps the token (an empty one removes it) and says where it went.
  Result<Place> Save(const QString& token);

  QString file() const { return file_; }

 private:
  QSettings& settings_;
  QString file_;
  bool use_secret_service_;
};

}  // namespace orvelt
