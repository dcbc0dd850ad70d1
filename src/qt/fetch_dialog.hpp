#pragma once

#include <QDialog>

#include <filesystem>
#include <memory>
#include <optional>
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

// "File / Fetch from SatNOGS DB...": the server, the satellite, the token (kept in the desktop's
// secret service or a file only its owner can read, shown as dots) and the time range; fetches into
// the archive with the pages, frames and time left shown as they come, can be stopped, and says how
// it ended, what was kept and where the next fetch goes on.
class FetchDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FetchDialog(std::filesystem::path archive_file, QWidget* parent = nullptr);
  ~FetchDialog() override;

  // Starts the fetch as the fields stand; the outcome is shown when it ends.
  void Start();
  // Stops a running fetch; what was fetched stays.
  void Stop();
  void reject() override;
  QLabel* Outcome_Label() const { return outcome_; }

 private:
  void Finish();
  void Show_Progress();
  // Shows in the From box where a fetch after the newest frame fetched before would start.
  void Show_Resume_Point();
  // The archive, opened when first needed; nothing (and the reason shown) when it cannot be.
  Archive* Opened_Archive();
  std::string Server() const;

  std::filesystem::path archive_file_;
  std::unique_ptr<Archive> archive_;
  std::unique_ptr<NetworkFetch> fetch_;
  ArchiveLoad load_;
  FetchRequest request_;           // of the running fetch
  std::optional<FetchPlan> plan_;  // when it goes on from where the last one got

  QLineEdit* server_ = nullptr;
  QSpinBox* norad_ = nullptr;
  QLineEdit* token_ = nullptr;
  QCheckBox* resume_ = nullptr;  // start where the last fetch got
  QDateTimeEdit* from_ = nullptr;
  QDateTimeEdit* to_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QLabel* outcome_ = nullptr;  // progress and outcome, in a scroll area: never cut
};

}  // namespace orvelt
