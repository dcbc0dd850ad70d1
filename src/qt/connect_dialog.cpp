#include "qt/connect_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "live/live_receiver.hpp"
#include "live/source_address.hpp"

namespace orvelt {

namespace {

constexpr int kTcpPresets[] = {8001, 8100};
constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const char* const kSourceKey = "live/source";
const char* const kRecordKey = "live/record";
const char* const kFolderKey = "live/record_folder";

QString From_Std(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ConnectChoice Remembered_Connect_Choice() {
  const QSettings settings;
  ConnectChoice choice;
  choice.source =
      settings.value(kSourceKey, QStringLiteral("localhost:8001")).toString().toStdString();
  const QString folder =
      settings.value(kFolderKey, From_Std(Default_Recording_Folder())).toString();
  if (settings.value(kRecordKey, true).toBool()) choice.record_folder = folder.toStdString();
  return choice;
}

void Remember_Connect_Choice(const ConnectChoice& choice) {
  QSettings settings;
  settings.setValue(kSourceKey, From_Std(choice.source));
  settings.setValue(kRecordKey, !choice.record_folder.empty());
  if (!choice.record_folder.empty()) settings.setValue(kFolderKey, From_Std(choice.record_folder));
}

ConnectDialog::ConnectDialog(const ConnectChoice& initial, QWidget* parent) : QDialog(parent) {
  setObjectName("ConnectDialog");
  setWindowTitle(tr("Connect to a TNC"));
  auto* layout = new QVBoxLayout(this);

  tcp_ = new QRadioButton(tr("KISS over TCP"), this);
  tcp_->setObjectName("ConnectTcp");
  serial_ = new QRadioButton(tr("Serial TNC"), this);
  serial_->setObjectName("ConnectSerial");
  connect(tcp_, &QRadioButton::toggled, this, &ConnectDialog::Show_Kind);

  tcp_box_ = new QWidget(this);
  auto* tcp_form = new QFormLayout(tcp_box_);
  host_ = new QLineEdit(QStringLiteral("localhost"), tcp_box_);
  host_->setObjectName("ConnectHost");
  port_ = new QSpinBox(tcp_box_);
  port_->setObjectName("ConnectPort");
  port_->setRange(1, 65535);
  port_->setValue(kTcpPresets[0]);
  auto* port_row = new QHBoxLayout;
  port_row->addWidget(port_);
  for (const int preset : kTcpPresets) {
    auto* button = new QPushButton(QString::number(preset), tcp_box_);
    button->setObjectName(QStringLiteral("ConnectPreset%1").arg(preset));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, preset] { port_->setValue(preset); });
    port_row->addWidget(button);
  }
  tcp_form->addRow(tr("Host"), host_);
  tcp_form->addRow(tr("Port"), port_row);

  serial_box_ = new QWidget(this);
  auto* serial_form = new QFormLayout(serial_box_);
  device_ = new QComboBox(serial_box_);
  device_->setObjectName("ConnectDevice");
  device_->setEditable(true);
  Fill_Serial_Devices();
  baud_ = new QComboBox(serial_box_);
  baud_->setObjectName("ConnectBaud");
  baud_->setEditable(true);
  for (const int baud : kBaudRates) baud_->addItem(QString::number(baud));
  baud_->setCurrentText(QStringLiteral("9600"));
  serial_form->addRow(tr("Device"), device_);
  serial_form->addRow(tr("Baud rate"), baud_);

  record_ = new QCheckBox(tr("Record to a capture file in"), this);
  record_->setObjectName("ConnectRecord");
  folder_ = new QLineEdit(this);
  folder_->setObjectName("ConnectFolder");
  auto* browse = new QPushButton(tr("Browse..."), this);
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Recording folder"), folder_->text());
    if (!folder.isEmpty()) folder_->setText(folder);
  });
  connect(record_, &QCheckBox::toggled, folder_, &QWidget::setEnabled);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_);
  folder_row->addWidget(browse);

  problem_ = new QLabel(this);
  problem_->setObjectName("ConnectProblem");
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("Connect"));
  connect(buttons, &QDialogButtonBox::accepted, this, &ConnectDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ConnectDialog::reject);

  layout->addWidget(tcp_);
  layout->addWidget(tcp_box_);
  layout->addWidget(serial_);
  layout->addWidget(serial_box_);
  layout->addWidget(record_);
  layout->addLayout(folder_row);
  layout->addWidget(problem_);
  layout->addWidget(buttons);

  // The fields start from the remembered choice.
  const Result<SourceAddress> parsed = Parse_Source(initial.source);
  if (const auto* serial = parsed ? std::get_if<SerialAddress>(&parsed.value()) : nullptr) {
    serial_->setChecked(true);
    device_->setCurrentText(From_Std(serial->device));
    baud_->setCurrentText(QString::number(serial->baud));
  } else {
    tcp_->setChecked(true);
    if (const auto* tcp = parsed ? std::get_if<TcpAddress>(&parsed.value()) : nullptr) {
      host_->setText(From_Std(tcp->host));
      port_->setValue(tcp->port);
    }
  }
  record_->setChecked(!initial.record_folder.empty());
  folder_->setEnabled(record_->isChecked());
  folder_->setText(From_Std(initial.record_folder.empty()
                                ? Remembered_Connect_Choice().record_folder
                                : initial.record_folder));
  if (folder_->text().isEmpty()) folder_->setText(From_Std(Default_Recording_Folder()));
  Show_Kind();
}

void ConnectDialog::Fill_Serial_Devices() {
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
    QString text = port.systemLocation();
    device_->addItem(text);
    if (!port.description().isEmpty()) {
      device_->setItemData(device_->count() - 1, port.description(), Qt::ToolTipRole);
    }
  }
}

void ConnectDialog::Show_Kind() {
  tcp_box_->setEnabled(tcp_->isChecked());
  serial_box_->setEnabled(serial_->isChecked());
}

std::optional<ConnectChoice> ConnectDialog::Choice() {
  std::string source;
  if (tcp_->isChecked()) {
    source = Source_Text(TcpAddress{host_->text().trimmed().toStdString(),
                                    static_cast<std::uint16_t>(port_->value())});
  } else {
    source = device_->currentText().trimmed().toStdString() + '@' +
             baud_->currentText().trimmed().toStdString();
  }
  const Result<SourceAddress> parsed = Parse_Source(source);
  if (!parsed) {
    problem_->setText(From_Std(parsed.why()));
    return std::nullopt;
  }
  ConnectChoice choice{Source_Text(parsed.value()), {}};
  if (record_->isChecked()) {
    choice.record_folder = folder_->text().trimmed().toStdString();
    if (choice.record_folder.empty()) {
      problem_->setText(tr("Choose a folder for the recording, or turn recording off."));
      return std::nullopt;
    }
  }
  return choice;
}

void ConnectDialog::accept() {
  if (Choice()) QDialog::accept();
}

}  // namespace orvelt
