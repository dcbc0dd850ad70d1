#include "qt/live_controller.hpp"

#include <QAction>
#include <QDateTime>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>

#include <array>
#include <vector>

#include "charts/chart_routines.hpp"
#include "live/live_status.hpp"
#include "qt/connect_dialog.hpp"
#include "qt/main_window.hpp"
#include "window/handlers.hpp"
#include "window/navigation.hpp"
#include "window/record_display.hpp"

namespace orvelt {

namespace {

QString From_Std(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::int64_t Now_Ms() {
  return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

LiveController::LiveController(MainWindow& window, QMenu* file_menu, QAction* before)
    : QObject(&window), window_(window), receiver_(window.App().telemetry, this) {
  clock_.start();
  connect_ = new QAction(tr("Co&nnect..."), this);
  connect_->setObjectName("MenuFileConnect");
  disconnect_ = new QAction(tr("D&isconnect"), this);
  disconnect_->setObjectName("MenuFileDisconnect");
  new_session_ = new QAction(tr("New &session"), this);
  new_session_->setObjectName("MenuFileNewSession");
  follow_action_ = new QAction(tr("Follo&w"), this);
  follow_action_->setObjectName("MenuFileFollow");
  follow_action_->setShortcut(QKeySequence(Qt::Key_End));
  follow_action_->setShortcutContext(Qt::WindowShortcut);
  for (QAction* action : {connect_, disconnect_, new_session_, follow_action_}) {
    file_menu->insertAction(before, action);
  }
  file_menu->insertSeparator(before);
  window.addAction(follow_action_);  // End works while the menu is closed
  connect(connect_, &QAction::triggered, this, &LiveController::On_Connect_Menu);
  connect(disconnect_, &QAction::triggered, this, &LiveController::Disconnect);
  connect(new_session_, &QAction::triggered, this, &LiveController::New_Session);
  connect(follow_action_, &QAction::triggered, this, &LiveController::Follow);

  // Only moves by the user stop following; the window's own updates of the bar do not trigger
  // actions. The record display goes back to records as the bar shows them at once.
  connect(window.Record_Bar(), &QScrollBar::actionTriggered, this, [this](int) {
    if (!receiver_.Running()) return;
    follow_.User_Moved();
    window_.App().show_latest = false;
  });

  repaint_timer_.setSingleShot(true);
  connect(&repaint_timer_, &QTimer::timeout, this, &LiveController::Repaint);
  status_timer_.setInterval(1000);
  connect(&status_timer_, &QTimer::timeout, this, [this] {
    Update_Status();
    window_.Render_Live();
  });
  connect(&receiver_, &LiveReceiver::Frames_Arrived, this, &LiveController::Frames_Arrived);
  connect(&receiver_, &LiveReceiver::Status_Changed, this, [this] {
    Update_Status();
    window_.Render_Live();
  });
  Update_Actions();
}

LiveController::~LiveController() = default;

Outcome LiveController::Connect_To(const std::string& source, const std::string& record_folder) {
  const Result<SourceAddress> parsed = Parse_Source(source);
  if (!parsed) return Outcome::Failed(parsed.why());
  follow_.Resume();
  // A recording that cannot be made is named in the status line; reception goes on.
  static_cast<void>(receiver_.Start(parsed.value(), record_folder));
  status_timer_.start();
  Update_Actions();
  Session_Began();
  return Outcome::Done();
}

void LiveController::Disconnect() {
  receiver_.Stop();
  status_timer_.stop();
  Update_Actions();
  Repaint();
}

void LiveController::New_Session() {
  if (!receiver_.Running()) return;
  receiver_.New_Session();
  follow_.Resume();
  Session_Began();
}

void LiveController::Session_Began() {
  // The store was emptied for the session: nothing of the earlier store or load may remain on
  // screen.
  window_.Forget_Load();
  Update_Status();
  window_.App().show_latest = receiver_.Running() && follow_.following;
  window_.Store_Replaced();
  Repaint();
}

void LiveController::Follow() {
  if (!receiver_.Running()) {
    // Without a live session there is nothing to follow: End goes to the last record.
    window_.Move_To_Record(Last_Record(window_.App().telemetry.store));
    return;
  }
  follow_.Resume();
  Repaint();
}

void LiveController::On_Connect_Menu() {
  ConnectDialog dialog(Remembered_Connect_Choice(), &window_);
  if (dialog.exec() != QDialog::Accepted) return;
  const auto choice = dialog.Choice();
  if (!choice) return;
  Remember_Connect_Choice(*choice);
  if (const Outcome connected = Connect_To(choice->source, choice->record_folder); !connected) {
    QMessageBox::warning(&window_, tr("Connect"), From_Std(connected.why()));
  }
}

void LiveController::Frames_Arrived() {
  if (repaint_timer_.isActive()) return;  // a repaint is already due
  const std::int64_t now = clock_.elapsed();
  repaint_timer_.start(static_cast<int>(Repaint_Delay_Ms(last_paint_ms_, now, kRepaintIntervalMs)));
}

int LiveController::Selected_Channel() const {
  const FormModel& form = window_.App().form;
  for (int i = 0; i < kChannelCount; ++i) {
    if (form.Option1[static_cast<std::size_t>(i)].on) return i;
  }
  return -1;
}

void LiveController::Repaint() {
  last_paint_ms_ = clock_.elapsed();
  AppState& app = window_.App();
  app.form.Take_Decoded_Facts(app.telemetry);
  app.show_latest = receiver_.Running() && follow_.following;
  const int newest = Newest_Record(app.telemetry.store, Selected_Channel());
  if (const int position = follow_.Position(app.form.HScroll1, newest)) {
    app.form.HScroll1 = position;
  }
  Show_Current_Record(app, window_.Qt_Platform(), Now_Ms() / 1000);
  // The chart of the selected channels grows as their samples arrive.
  if (Chart_Behind_Store(app)) Redraw_Chart(app);
  Update_Status();
  window_.Render_Live();
}

void LiveController::Update_Status() {
  if (!receiver_.Running() && receiver_.Session().Counts().frames == 0 &&
      receiver_.Link().Status().connections == 0 && receiver_.Session().Recording().path.empty()) {
    return;  // no live session yet: the status line is the load's
  }
  const std::int64_t now = Now_Ms();
  AppState& app = window_.App();
  app.form.Label3 = Live_Status_Line(receiver_.Link().Status(), receiver_.Session(), now);
  app.form.Label3_details =
      Live_Status_Details(receiver_.Link().Status(), receiver_.Session(), now);
}

void LiveController::Update_Actions() {
  const bool running = receiver_.Running();
  disconnect_->setEnabled(running);
  new_session_->setEnabled(running);
}

}  // namespace orvelt
