#pragma once

#include "forward/station_settings.hpp"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace orvelt {

// "Station": the callsign, position (typed or from a Maidenhead locator), NORAD number and
// servers that forwarding uses. OK keeps the dialog open with the reasons while the settings
// cannot be used; forwarding stays off unless everything it needs is valid.
class StationDialog : public QDialog {
  Q_OBJECT

 public:
  explicit StationDialog(const StationSettings& settings, QWidget* parent = nullptr);

  // The settings as edited (fields that are not numbers read as 0).
  StationSettings settings() const;

  void accept() override;

  // The caption of the switch that turns forwarding on, as other messages name it.
  static QString Forwarding_Caption();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<SettingsProblem> Problems() const;
  void Show_Problems(const std::vector<SettingsProblem>& problems);
  void Use_Locator();
  void Add_Server(const QString& url);

  QLineEdit* callsign_;
  QLineEdit* locator_;
  QLineEdit* latitude_;
  QLineEdit* longitude_;
  QLineEdit* norad_;
  QListWidget* servers_;
  QLineEdit* new_server_;
  QCheckBox* forwarding_;
  QLabel* message_;
};

}  // namespace orvelt
