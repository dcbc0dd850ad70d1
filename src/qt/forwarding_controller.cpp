#include "qt/forwarding_controller.hpp"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>

#include "forward/outbox.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_session.hpp"
#include "qt/main_window.hpp"
#include "qt/outbox_view.hpp"
#include "qt/station_dialog.hpp"

namespace orvelt {

namespace {

QString From_Std(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ForwardingController::ForwardingController(MainWindow& window, LiveSession& session,
                                           QMenu* file_menu, QAction* before)
    : QObject(&window), window_(window), outbox_path_(Default_Outbox_Path()) {
  auto* station = new QAction(tr("S&tation..."), this);
  station->setObjectName("MenuFileStation");
  auto* outbox = new QAction(tr("O&utbox..."), this);
  outbox->setObjectName("MenuFileOutbox");
  auto* loaded = new QAction(tr("Forward &loaded frames..."), this);
  loaded->setObjectName("MenuFileForwardLoaded");
  for (QAction* action : {station, outbox, loaded}) file_menu->insertAction(before, action);
  file_menu->insertSeparator(before);
  connect(station, &QAction::triggered, this, &ForwardingController::On_Station_Menu);
  connect(outbox, &QAction::triggered, this, &ForwardingController::On_Outbox_Menu);
  connect(loaded, &QAction::triggered, this, &ForwardingController::On_Forward_Loaded_Menu);

  session.Add_Observer([this](const LiveFrame& frame) {
    Live_Frame_Taken(Is_Telemetry(frame), frame.bytes, frame.arrival_ms);
  });
  window.Status_Line()->installEventFilter(this);

  QSettings settings;
  Apply_Station(Load_Station_Settings(settings));
  if (problem_) {
    // Forwarding was left on but cannot run (a damaged outbox, one in use): said at once and
    // without stopping anything, since reception and recording never depend on it.
    auto* notice = new QMessageBox(
        QMessageBox::Warning, tr("Forwarding"),
        tr("Forwarding is off: %1\nReception and recording go on; frames received are not "
           "forwarded.")
            .arg(From_Std(*problem_)),
        QMessageBox::Ok, &window);
    notice->setObjectName("ForwardingOffNotice");
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::NonModal);
    QTimer::singleShot(0, notice, &QWidget::show);
  }
}

ForwardingController::~ForwardingController() {
  delete outbox_view_.data();  // it reads an outbox that goes with this controller
}

void ForwardingController::Set_Outbox_Path(const std::filesystem::path& path) {
  outbox_path_ = path;
  Apply_Station(station_);
}

void ForwardingController::Apply_Station(const StationSettings& station) {
  // One program at a time holds an outbox: the old forwarder and a view's own copy let go of
  // it before a new one opens it.
  delete outbox_view_.data();
  viewed_outbox_.reset();
  forwarder_.reset();
  problem_.reset();
  station_ = station;
  if (!station.forwarding) return;
  ForwarderConfig config;
  config.station = station;
  auto started = Forwarder::Start(config, outbox_path_);
  if (!started.ok()) {
    problem_ = started.why();
    return;
  }
  forwarder_ = std::move(started.value());
  connect(forwarder_.get(), &Forwarder::stopped, this, [this](const QString& reason) {
    // Reception and recording go on; the user is told once, plainly.
    QMessageBox::warning(&window_, tr("Forwarding"),
                         tr("Forwarding stopped: %1\nReception and recording go on.").arg(reason));
  });
}

void ForwardingController::Live_Frame_Taken(bool telemetry, std::span<const std::uint8_t> bytes,
                                            std::int64_t arrival_ms) {
  if (!telemetry || !forwarder_) return;
  const auto accepted = forwarder_->Accept({{bytes.begin(), bytes.end()}, arrival_ms});
  if (!accepted.ok()) return;  // the forwarder has stopped and said why
  // The frame was just logged: it is not offered again by "Forward loaded frames...".
  const std::uint64_t logged = window_.App().telemetry.frame_log.total_appended();
  if (logged > 0) queued_.Add(logged - 1, logged);
}

QString ForwardingController::Status_Text() const {
  if (forwarder_) return QStringLiteral("Forwarding:\n") + forwarder_->Status_Text();
  if (problem_) return tr("Forwarding is off: %1").arg(From_Std(*problem_));
  return {};
}

bool ForwardingController::eventFilter(QObject* watched, QEvent* event) {
  // The status line's own tooltip (load report or live link) with each server's state below.
  if (event->type() == QEvent::ToolTip) {
    const QString forwarding = Status_Text();
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != nullptr && !forwarding.isEmpty()) {
      QString tip = label->toolTip();
      if (!tip.isEmpty()) tip += QStringLiteral("\n\n");
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip + forwarding, label);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void ForwardingController::On_Station_Menu() {
  StationDialog dialog(station_, &window_);
  if (dialog.exec() != QDialog::Accepted) return;
  const StationSettings station = dialog.settings();
  QSettings settings;
  Save_Station_Settings(settings, station);
  Apply_Station(station);
  if (problem_) {
    QMessageBox::warning(&window_, tr("Forwarding"),
                         tr("Forwarding cannot start: %1").arg(From_Std(*problem_)));
  }
}

void ForwardingController::Show_Outbox(Outbox& outbox) {
  auto* view = new OutboxView(outbox, Enabled_Servers(station_), &window_);
  view->setObjectName("OutboxView");
  view->setWindowFlag(Qt::Window);
  view->setWindowTitle(tr("Outbox"));
  view->setAttribute(Qt::WA_DeleteOnClose);
  // A window that only shows closes on Escape, as a dialog does.
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), view);
  close->setContext(Qt::WindowShortcut);
  connect(close, &QShortcut::activated, view, &QWidget::close);
  if (forwarder_) {
    connect(view, &OutboxView::outboxChanged, forwarder_.get(), &Forwarder::Wake);
    connect(forwarder_.get(), &Forwarder::countsChanged, view, &OutboxView::Refresh);
  }
  connect(view, &QObject::destroyed, this, [this] {
    if (!forwarder_) viewed_outbox_.reset();
  });
  outbox_view_ = view;
  view->show();
}

void ForwardingController::On_Outbox_Menu() {
  if (outbox_view_) {
    outbox_view_->Refresh();
    outbox_view_->raise();
    outbox_view_->activateWindow();
    return;
  }
  if (forwarder_ && forwarder_->outbox() != nullptr) return Show_Outbox(*forwarder_->outbox());
  // Forwarding is off: the outbox can still be looked at, and rejected frames dealt with.
  auto opened = Outbox::Open(outbox_path_);
  if (!opened.ok()) {
    QMessageBox::warning(&window_, tr("Outbox"),
                         tr("The outbox cannot be opened: %1").arg(From_Std(opened.why())));
    return;
  }
  viewed_outbox_ = std::move(opened.value());
  Show_Outbox(*viewed_outbox_);
}

void ForwardingController::On_Forward_Loaded_Menu() {
  if (!forwarder_) {
    const QString why = problem_ ? From_Std(*problem_) : tr("it is turned off");
    QMessageBox::information(
        &window_, tr("Forward loaded frames"),
        tr("Forwarding does not run: %1.\nTick \"%2\" in File / Station... first.")
            .arg(why, StationDialog::Forwarding_Caption()));
    return;
  }
  const LoadedFrames loaded = Loaded_Frames_To_Forward(window_.App().telemetry.frame_log, queued_);
  const QString question = From_Std(Loaded_Frames_Question(loaded));
  if (loaded.frames.empty()) {
    QMessageBox::information(&window_, tr("Forward loaded frames"), question);
    return;
  }
  QMessageBox ask(QMessageBox::Question, tr("Forward loaded frames"), question,
                  QMessageBox::Yes | QMessageBox::Cancel, &window_);
  ask.setObjectName("ForwardLoadedQuestion");
  ask.setDefaultButton(QMessageBox::Cancel);
  if (ask.exec() != QMessageBox::Yes) return;
  std::size_t queued = 0;
  for (const ReceivedFrame& frame : loaded.frames) {
    const auto accepted = forwarder_->Accept(frame);
    if (!accepted.ok()) {
      QMessageBox::warning(&window_, tr("Forward loaded frames"),
                           tr("%1 of %2 frames were queued; then: %3")
                               .arg(queued)
                               .arg(loaded.frames.size())
                               .arg(From_Std(accepted.why())));
      return;
    }
    ++queued;
  }
  queued_.Add(0, loaded.end_position);
}

}  // namespace orvelt
