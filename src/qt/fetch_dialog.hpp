#pragma once

#include <QDialog>

#include <filesystem>
#include <memory>
#include <string>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/network_fetch.hpp"

class QDateTimeEdit;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orvelt {

// "File / Fetch from SatNOGS DB...": the server, the satellite, the token (kept in the user's
// settings, shown as dots) and the time range; fetches into the archive with the pages and
// frames counted as they come, and says how it ended.
class FetchDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FetchDialog(std::filesystem::path archive_file, QWidget* parent = nullptr);
  ~FetchDialog() override;

  // Starts the fetch as the fields stand; the outcome is shown when it ends.
  void Start();
  QLabel* Outcome_Label() const { return outcome_; }

 private:
  void Finish();

  std::filesystem::path archive_file_;
  std::unique_ptr<Archive> archive_;
  std::unique_ptr<NetworkFetch> fetch_;
  ArchiveLoad load_;
  FetchRequest request_;  // of the running fetch

  QLineEdit* server_ = nullptr;
  QSpinBox* norad_ = nullptr;
  QLineEdit* token_ = nullptr;
  QCheckBox* resume_ = nullptr;  // start after the newest frame of the last complete fetch
  QDateTimeEdit* from_ = nullptr;
  QDateTimeEdit* to_ = nullptr;
  QPushButton* start_ = nullptr;
  QLabel* outcome_ = nullptr;
};

}  // namespace orvelt
