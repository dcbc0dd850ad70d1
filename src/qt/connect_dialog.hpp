#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace orvelt {

// What the user chose in "Connect...": the source as `HOST:PORT` or `DEVICE@BAUD`, and where
// to record (no folder: no recording).
struct ConnectChoice {
  std::string source;
  std::string record_folder;
};

// The choice remembered from the last connection (QSettings), or the defaults: localhost:8001,
// recording into the default folder.
ConnectChoice Remembered_Connect_Choice();
void Remember_Connect_Choice(const ConnectChoice& choice);

// "File / Connect...": a TCP host and port (presets for the usual local ports 8001 and 8100) or a
// serial device of those present and a baud rate, and the recording folder.
class ConnectDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ConnectDialog(const ConnectChoice& initial, QWidget* parent = nullptr);

  // The choice as the fields stand, or nothing with the reason shown when it is not valid.
  std::optional<ConnectChoice> Choice();

  void accept() override;

 private:
  void Fill_Serial_Devices();
  void Show_Kind();

  QRadioButton* tcp_ = nullptr;
  QRadioButton* serial_ = nullptr;
  QLineEdit* host_ = nullptr;
  QSpinBox* port_ = nullptr;
  QComboBox* device_ = nullptr;
  QComboBox* baud_ = nullptr;
  QCheckBox* record_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QWidget* tcp_box_ = nullptr;
  QWidget* serial_box_ = nullptr;
  QLabel* problem_ = nullptr;
};

}  // namespace orvelt
