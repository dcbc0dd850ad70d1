#include "qt/fetch_dialog.hpp"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimeZone>

#include "archive/stored_token.hpp"
#include "forward/station_settings_store.hpp"

namespace orvelt {

namespace {

constexpr const char* kDefaultServer = "https://db.satnogs.org";

std::unique_ptr<QSettings> Settings() {
  return std::make_unique<QSettings>(QStringLiteral("orvelt"),
                                     QString::fromLatin1(kStationSettingsApplication));
}

}  // namespace

FetchDialog::FetchDialog(std::filesystem::path archive_file, QWidget* parent)
    : QDialog(parent), archive_file_(std::move(archive_file)) {
  setWindowTitle(tr("Fetch from SatNOGS DB"));
  auto settings = Settings();
  const StationSettings station = Load_Station_Settings(*settings);
  auto* form = new QFormLayout(this);
  server_ = new QLineEdit(
      settings->value(QStringLiteral("archive/server"), QString::fromLatin1(kDefaultServer))
          .toString(),
      this);
  form->addRow(tr("&Server:"), server_);
  norad_ = new QSpinBox(this);
  norad_->setRange(1, 999999);
  norad_->setValue(static_cast<int>(station.norad_id > 0 ? station.norad_id : 99999));
  form->addRow(tr("&NORAD ID:"), norad_);
  auto stored_token = StoredToken(*settings).Load();
  token_ = new QLineEdit(stored_token.ok() ? stored_token.value() : QString(), this);
  if (!stored_token.ok()) token_->setPlaceholderText(QString::fromStdString(stored_token.why()));
  token_->setEchoMode(QLineEdit::Password);
  form->addRow(tr("&Token:"), token_);
  resume_ = new QCheckBox(tr("&After the newest frame fetched before"), this);
  resume_->setChecked(true);
  form->addRow(tr("From:"), resume_);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  from_ = new QDateTimeEdit(now.addDays(-7), this);
  to_ = new QDateTimeEdit(now, this);
  for (QDateTimeEdit* edit : {from_, to_}) {
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss 'UTC'"));
  }
  from_->setEnabled(false);
  connect(resume_, &QCheckBox::toggled, from_, [this](bool on) { from_->setEnabled(!on); });
  form->addRow(QString(), from_);
  form->addRow(tr("&To:"), to_);
  outcome_ = new QLabel(this);
  outcome_->setWordWrap(true);
  form->addRow(outcome_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  start_ = buttons->addButton(tr("&Fetch"), QDialogButtonBox::ActionRole);
  form->addRow(buttons);
  connect(start_, &QPushButton::clicked, this, &FetchDialog::Start);
  connect(buttons, &QDialogButtonBox::rejected, this, [this] {
    if (fetch_) fetch_->Cancel();
    reject();
  });
}

FetchDialog::~FetchDialog() = default;

void FetchDialog::Start() {
  if (fetch_) return;
  const QString server = server_->text().trimmed();
  if (!server.startsWith(QStringLiteral("http://")) &&
      !server.startsWith(QStringLiteral("https://"))) {
    outcome_->setText(tr("The server needs an http:// or https:// address."));
    return;
  }
  if (token_->text().isEmpty()) {
    outcome_->setText(tr("The network database needs your token (see your profile there)."));
    return;
  }
  auto settings = Settings();
  settings->setValue(QStringLiteral("archive/server"), server);
  if (auto kept = StoredToken(*settings).Save(token_->text()); !kept.ok()) {
    outcome_->setText(QString::fromStdString(kept.why()));
  }
  if (!archive_) {
    auto opened = Archive::Open(archive_file_);
    if (!opened.ok()) {
      outcome_->setText(QString::fromStdString(opened.why()));
      return;
    }
    archive_ = std::move(opened.value());
  }
  FetchRequest request;
  request.server = server.toStdString();
  while (request.server.ends_with('/')) request.server.pop_back();
  request.norad = norad_->value();
  request.token = token_->text().toStdString();
  request.to = to_->dateTime().toSecsSinceEpoch();
  if (resume_->isChecked()) {
    auto from = Resume_Point(*archive_, request.server, request.norad);
    if (!from.ok()) {
      outcome_->setText(QString::fromStdString(from.why()));
      return;
    }
    request.from = from.value();
  } else {
    request.from = from_->dateTime().toSecsSinceEpoch();
  }
  load_ = {};
  request_ = request;
  fetch_ = std::make_unique<NetworkFetch>(request, [this](const TelemetryPage& page) {
    return Add_Network_Page(*archive_, page, load_);
  });
  connect(fetch_.get(), &NetworkFetch::Page_Taken, this, [this](int pages, qint64 frames) {
    outcome_->setText(tr("Page %1: %2 frames so far").arg(pages).arg(frames));
  });
  connect(fetch_.get(), &NetworkFetch::Finished, this, &FetchDialog::Finish, Qt::QueuedConnection);
  start_->setEnabled(false);
  outcome_->setText(tr("Fetching..."));
  fetch_->Start();
}

void FetchDialog::Finish() {
  const FetchReport report = fetch_->report();
  const QString counts = tr("%1 frames on %2 pages: %3 new, %4 already archived.")
                             .arg(report.frames)
                             .arg(report.pages)
                             .arg(load_.counts.added)
                             .arg(load_.counts.already + load_.counts.new_source);
  if (!load_.error.empty()) {
    outcome_->setText(counts + ' ' + QString::fromStdString(load_.error));
  } else if (!report.complete) {
    outcome_->setText(counts + ' ' + QString::fromStdString(report.error) +
                      tr("; what was fetched is kept."));
  } else {
    const Outcome noted = Note_Fetch_End(*archive_, request_, report);
    outcome_->setText(counts + (noted.ok()
                                    ? tr(" Done.")
                                    : QStringLiteral(" ") + QString::fromStdString(noted.why())));
  }
  fetch_.reset();
  start_->setEnabled(true);
}

}  // namespace orvelt
