#include "qt/station_dialog.hpp"

#include "forward/maidenhead.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvelt {
namespace {

QLineEdit* Line_Edit(const QString& name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  return edit;
}

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Degrees as typed; "" for 0 when nothing was entered yet keeps the field empty.
QString Degrees_Text(double degrees) {
  return QString::number(degrees, 'g', 12);
}

}  // namespace

StationDialog::StationDialog(const StationSettings& settings, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Station"));
  callsign_ = Line_Edit("callsign", QString::fromStdString(settings.callsign), this);
  // The locator of the position kept, so that the box shows what the position was set from.
  locator_ = Line_Edit("locator", {}, this);
  if (settings.latitude != 0.0 || settings.longitude != 0.0) {
    if (const auto square = Position_To_Maidenhead({settings.latitude, settings.longitude})) {
      locator_->setText(QString::fromStdString(*square));
    }
  }
  latitude_ = Line_Edit("latitude", Degrees_Text(settings.latitude), this);
  longitude_ = Line_Edit("longitude", Degrees_Text(settings.longitude), this);
  norad_ = Line_Edit("norad",
                     settings.norad_id != 0 ? QString::number(settings.norad_id) : QString(), this);
  servers_ = new QListWidget(this);
  servers_->setObjectName("servers");
  for (const ServerEntry& server : settings.servers) {
    auto* item = new QListWidgetItem(QString::fromStdString(server.url), servers_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(server.enabled ? Qt::Checked : Qt::Unchecked);
  }
  new_server_ = Line_Edit("newServer", {}, this);
  new_server_->setPlaceholderText("https://");
  // Enter in a box with a button beside it does what the button does, not OK: an address typed
  // and entered is added, and a locator entered sets the position.
  new_server_->installEventFilter(this);
  locator_->installEventFilter(this);
  forwarding_ = new QCheckBox(Forwarding_Caption(), this);
  forwarding_->setObjectName("forwarding");
  forwarding_->setChecked(settings.forwarding);
  message_ = new QLabel(this);
  message_->setObjectName("message");
  message_->setWordWrap(true);

  auto* use_locator = Button("useLocator", tr("Use locator"), this);
  auto* add = Button("addServer", tr("Add"), this);
  auto* preset = Button("addPreset", tr("Add SatNOGS DB"), this);
  auto* remove = Button("removeServer", tr("Remove"), this);
  connect(use_locator, &QPushButton::clicked, this, &StationDialog::Use_Locator);
  connect(add, &QPushButton::clicked, this, [this] { Add_Server(new_server_->text().trimmed()); });
  connect(preset, &QPushButton::clicked, this,
          [this] { Add_Server(QString::fromUtf8(kSatnogsDbTelemetryUrl.data())); });
  connect(remove, &QPushButton::clicked, this, [this] { delete servers_->currentItem(); });

  auto* locator_row = new QHBoxLayout;
  locator_row->addWidget(locator_);
  locator_row->addWidget(use_locator);
  auto* form = new QFormLayout;
  form->addRow(tr("Callsign"), callsign_);
  form->addRow(tr("Locator"), locator_row);
  form->addRow(tr("Latitude (°, north +)"), latitude_);
  form->addRow(tr("Longitude (°, east +)"), longitude_);
  form->addRow(tr("NORAD number"), norad_);
  auto* server_row = new QHBoxLayout;
  server_row->addWidget(new_server_);
  server_row->addWidget(add);
  server_row->addWidget(preset);
  server_row->addWidget(remove);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &StationDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &StationDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel(tr("Servers (checked ones receive frames)"), this));
  layout->addWidget(servers_);
  layout->addLayout(server_row);
  layout->addWidget(forwarding_);
  layout->addWidget(message_);
  layout->addWidget(buttons);
}

QString StationDialog::Forwarding_Caption() {
  return tr("Forward received frames");
}

bool StationDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == new_server_ || watched == locator_)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == new_server_) {
        if (!new_server_->text().trimmed().isEmpty()) Add_Server(new_server_->text().trimmed());
      } else {
        Use_Locator();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

StationSettings StationDialog::settings() const {
  StationSettings settings;
  settings.callsign = callsign_->text().trimmed().toStdString();
  settings.latitude = Parse_Degrees(latitude_->text().trimmed().toStdString()).value_or(0.0);
  settings.longitude = Parse_Degrees(longitude_->text().trimmed().toStdString()).value_or(0.0);
  settings.norad_id = Parse_Norad_Id(norad_->text().trimmed().toStdString()).value_or(0);
  for (int i = 0; i < servers_->count(); ++i) {
    const QListWidgetItem* item = servers_->item(i);
    settings.servers.push_back({item->text().toStdString(), item->checkState() == Qt::Checked});
  }
  settings.forwarding = forwarding_->isChecked();
  return settings;
}

std::vector<SettingsProblem> StationDialog::Problems() const {
  std::vector<SettingsProblem> problems;
  auto unreadable = [&](QLineEdit* edit, const char* field, bool readable) {
    const QString text = edit->text().trimmed();
    if (!text.isEmpty() && !readable) {
      problems.push_back({field, "\"" + text.toStdString() + "\" is not a number"});
    }
  };
  unreadable(latitude_, "latitude",
             Parse_Degrees(latitude_->text().trimmed().toStdString()).has_value());
  unreadable(longitude_, "longitude",
             Parse_Degrees(longitude_->text().trimmed().toStdString()).has_value());
  unreadable(norad_, "NORAD number",
             Parse_Norad_Id(norad_->text().trimmed().toStdString()).has_value());
  const StationSettings edited = settings();
  for (SettingsProblem& problem : Check_Station_Settings(edited).problems) {
    // Settings that are kept but not used yet need only be readable.
    if (edited.forwarding || problem.field == "server") problems.push_back(std::move(problem));
  }
  return problems;
}

void StationDialog::Show_Problems(const std::vector<SettingsProblem>& problems) {
  SettingsCheck check{problems};
  message_->setText(QString::fromStdString(check.Message()));
}

void StationDialog::accept() {
  const std::vector<SettingsProblem> problems = Problems();
  if (!problems.empty()) {
    Show_Problems(problems);
    return;
  }
  message_->clear();
  QDialog::accept();
}

void StationDialog::Use_Locator() {
  const QString locator = locator_->text().trimmed();
  const auto position = Maidenhead_To_Position(locator.toStdString());
  if (!position) {
    Show_Problems({{"locator", "\"" + locator.toStdString() +
                                   "\" is not a Maidenhead locator of 4, 6 or 8 characters"}});
    return;
  }
  latitude_->setText(QString::number(position->latitude, 'f', 6));
  longitude_->setText(QString::number(position->longitude, 'f', 6));
  message_->clear();
}

void StationDialog::Add_Server(const QString& url) {
  if (Outcome usable = Check_Server_Url(url.toStdString()); !usable) {
    Show_Problems({{"server", url.toStdString() + ": " + usable.why()}});
    return;
  }
  if (servers_->findItems(url, Qt::MatchExactly).isEmpty()) {
    auto* item = new QListWidgetItem(url, servers_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  new_server_->clear();
  message_->clear();
}

}  // namespace orvelt
