#include "qt/fetch_dialog.hpp"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTimeZone>

#include <limits>

#include "archive/stored_token.hpp"
#include "forward/station_settings_store.hpp"

namespace orvelt {

namespace {

constexpr const char* kDefaultServer = "https://db.satnogs.org";

std::unique_ptr<QSettings> Settings() {
  return std::make_unique<QSettings>(QStringLiteral("orvelt"),
                                     QString::fromLatin1(kStationSettingsApplication));
}

QDateTime Utc(UtcSeconds time) {
  return QDateTime::fromSecsSinceEpoch(time, QTimeZone::utc());
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// "1 page", "2 pages".
QString Count(qint64 n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
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
    edit->setMinimumDateTime(Utc(kFirstUsableFrameTime));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss 'UTC'"));
  }
  from_->setEnabled(false);
  form->addRow(QString(), from_);
  form->addRow(tr("T&o:"), to_);
  outcome_ = new QLabel(this);
  outcome_->setObjectName(QStringLiteral("FetchOutcome"));
  outcome_->setWordWrap(true);
  // Servers' answers are shown as they are, never read as markup.
  outcome_->setTextFormat(Qt::PlainText);
  outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outcome_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // However long the outcome, all of it can be read: the area scrolls when it is taller.
  auto* outcome_area = new QScrollArea(this);
  outcome_area->setWidget(outcome_);
  outcome_area->setWidgetResizable(true);
  outcome_area->setFrameShape(QFrame::NoFrame);
  outcome_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  outcome_area->setMinimumHeight(QFontMetrics(font()).lineSpacing() * 6);
  outcome_area->setMinimumWidth(QFontMetrics(font()).averageCharWidth() * 60);
  form->addRow(outcome_area);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  start_ = buttons->addButton(tr("&Fetch"), QDialogButtonBox::ActionRole);
  stop_ = buttons->addButton(tr("Sto&p"), QDialogButtonBox::ActionRole);
  stop_->setEnabled(false);
  form->addRow(buttons);
  connect(start_, &QPushButton::clicked, this, &FetchDialog::Start);
  connect(stop_, &QPushButton::clicked, this, &FetchDialog::Stop);
  connect(buttons, &QDialogButtonBox::rejected, this, &FetchDialog::reject);
  connect(resume_, &QCheckBox::toggled, this, &FetchDialog::Show_Resume_Point);
  connect(server_, &QLineEdit::editingFinished, this, &FetchDialog::Show_Resume_Point);
  connect(norad_, &QSpinBox::valueChanged, this, &FetchDialog::Show_Resume_Point);
  Show_Resume_Point();
}

FetchDialog::~FetchDialog() = default;

std::string FetchDialog::Server() const {
  std::string server = server_->text().trimmed().toStdString();
  while (server.ends_with('/')) server.pop_back();
  return server;
}

Archive* FetchDialog::Opened_Archive() {
  if (!archive_) {
    auto opened = Archive::Open(archive_file_);
    if (!opened.ok()) {
      outcome_->setText(Text(opened.why()));
      return nullptr;
    }
    archive_ = std::move(opened.value());
  }
  return archive_.get();
}

void FetchDialog::Show_Resume_Point() {
  from_->setEnabled(!resume_->isChecked());
  if (!resume_->isChecked() || fetch_) return;
  // An archive that is not there yet has fetched nothing: a fetch starts at the beginning.
  UtcSeconds from = 0;
  if (archive_ || std::filesystem::exists(archive_file_)) {
    Archive* archive = Opened_Archive();
    if (archive == nullptr) return;
    auto plan =
        Plan_Fetch(*archive, Server(), norad_->value(), std::numeric_limits<UtcSeconds>::max());
    if (!plan.ok()) {
      outcome_->setText(Text(plan.why()));
      return;
    }
    from = plan.value().from;
    outcome_->setText(plan.value().continues
                          ? tr("The last fetch stopped early: this one goes on below %1.")
                                .arg(Text(Format_Utc_Time(plan.value().to)))
                          : QString());
  }
  from_->setDateTime(Utc(from));
}

void FetchDialog::Start() {
  if (fetch_) return;
  const QString server = server_->text().trimmed();
  if (!server.startsWith(QStringLiteral("http://")) &&
      !server.startsWith(QStringLiteral("https://"))) {
    outcome_->setText(tr("The server needs an http:// or https:// address."));
    return;
  }
  if (const Outcome token = Check_Token(token_->text().toStdString()); !token.ok()) {
    outcome_->setText(tr("The token cannot be used: %1.").arg(Text(token.why())));
    return;
  }
  auto settings = Settings();
  settings->setValue(QStringLiteral("archive/server"), server);
  if (auto kept = StoredToken(*settings).Save(token_->text()); !kept.ok()) {
    outcome_->setText(QString::fromStdString(kept.why()));
  }
  Archive* archive = Opened_Archive();
  if (archive == nullptr) return;
  FetchRequest request;
  request.server = Server();
  request.norad = norad_->value();
  request.token = token_->text().toStdString();
  request.to = to_->dateTime().toSecsSinceEpoch();
  plan_.reset();
  if (resume_->isChecked()) {
    auto plan = Plan_Fetch(*archive, request.server, request.norad, request.to);
    if (!plan.ok()) {
      outcome_->setText(Text(plan.why()));
      return;
    }
    plan_ = plan.value();
    request.from = plan_->from;
    request.to = plan_->to;
    from_->setDateTime(Utc(request.from));
  } else {
    request.from = from_->dateTime().toSecsSinceEpoch();
  }
  load_ = {};
  request_ = request;
  fetch_ = std::make_unique<NetworkFetch>(request, [this](const TelemetryPage& page) {
    return Add_Network_Page(*archive_, page, load_).ok();
  });
  connect(fetch_.get(), &NetworkFetch::Progress, this, &FetchDialog::Show_Progress);
  connect(fetch_.get(), &NetworkFetch::Finished, this, &FetchDialog::Finish, Qt::QueuedConnection);
  start_->setEnabled(false);
  stop_->setEnabled(true);
  outcome_->setText(
      tr("Fetching %1 to %2...")
          .arg(Text(Format_Utc_Time(request.from)), Text(Format_Utc_Time(request.to))));
  fetch_->Start();
}

void FetchDialog::reject() {
  // Closed during a fetch (Close, Escape, the window's close button): it ends as a stop does,
  // and where the next one goes on is noted now, before the dialog goes.
  if (fetch_) {
    fetch_->Cancel();
    Finish();
  }
  QDialog::reject();
}

void FetchDialog::Stop() {
  if (fetch_) fetch_->Cancel();
}

void FetchDialog::Show_Progress() {
  const FetchReport& report = fetch_->report();
  QString text =
      tr("Page %1: %2 so far").arg(report.pages).arg(Count(report.frames, "frame", "frames"));
  if (const auto left = fetch_->Seconds_Left()) {
    text += tr(", %1 left").arg(Text(Duration_Text(*left)));
  }
  if (report.waits > 0) {
    text += tr(" (waits the server asked for: %1, %2 in all)")
                .arg(report.waits)
                .arg(Text(Duration_Text(report.waited_ms / 1000)));
  }
  outcome_->setText(text + '.');
}

void FetchDialog::Finish() {
  if (!fetch_) return;  // ended already, when the dialog was closed
  const FetchReport report = fetch_->report();
  QString text =
      tr("%1 on %2: %3 new, %4 already archived.")
          .arg(Count(report.frames, "frame", "frames"), Count(report.pages, "page", "pages"))
          .arg(load_.counts.added)
          .arg(load_.counts.already + load_.counts.new_source);
  if (report.unusable > 0) {
    text +=
        tr(" %1 had no readable frame or time.").arg(Count(report.unusable, "entry", "entries"));
  }
  if (!load_.outcome.ok()) text += ' ' + Text(load_.outcome.why()) + '.';
  const Outcome noted =
      plan_ ? Note_Fetch_End(*archive_, request_.server, request_.norad, *plan_, report)
            : Outcome::Done();
  const std::string& stopped = report.to_last_page.why();
  if (report.to_last_page.ok()) {
    text += tr(" Done.");
  } else {
    text = (stopped == "stopped" ? tr("Stopped. ") : Text(stopped) + ". ") + text;
    text += tr(" What was fetched is kept.");
  }
  if (!noted.ok()) {
    text += ' ' + Text(noted.why()) + '.';
  } else if (plan_) {
    std::string next = Next_Fetch_Text(*archive_, request_.server, request_.norad);
    if (!next.empty() && next[0] >= 'a' && next[0] <= 'z') {
      next[0] = static_cast<char>(next[0] - 'a' + 'A');
    }
    text += ' ' + Text(next) + '.';
  }
  outcome_->setText(text);
  fetch_.reset();
  start_->setEnabled(true);
  stop_->setEnabled(false);
}

}  // namespace orvelt
