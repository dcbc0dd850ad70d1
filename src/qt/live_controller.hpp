#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "base/result.hpp"
#include "live/follow.hpp"
#include "live/kiss_link.hpp"
#include "live/live_receiver.hpp"

class QAction;
class QMenu;

namespace orvelt {

class MainWindow;

// Live reception in the window: "Connect...", "Disconnect", "New session" and "Follow"; the
// record display follows the newest record until the user moves the scroll bar, the chart of
// the selected channels grows as samples arrive, and the status line says how the link and
// the recording stand. Repaints are coalesced to about 30 per second.
class LiveController : public QObject {
  Q_OBJECT
 public:
  LiveController(MainWindow& window, QMenu* file_menu, QAction* before);
  ~LiveController() override;

  // Connects to `source` (HOST:PORT or DEVICE@BAUD), recording into `record_folder` unless it
  // is empty; an empty store starts the session. Fails, saying why, for a source that cannot
  // be read.
  Outcome Connect_To(const std::string& source, const std::string& record_folder);
  void Disconnect();
  void New_Session();
  void Follow();

  bool Following() const { return follow_.following; }
  LiveReceiver& Receiver() { return receiver_; }
  // Tests shorten the reconnect delays.
  void Set_Timing(const LinkTiming& timing) { receiver_.Link().Set_Timing(timing); }

  // Shows the connect dialog and connects with what the user chose.
  void On_Connect_Menu();

 private:
  void Frames_Arrived();
  void Repaint();
  void Update_Status();
  void Session_Began();
  void Update_Actions();
  int Selected_Channel() const;

  MainWindow& window_;
  LiveReceiver receiver_;
  FollowState follow_;
  QTimer repaint_timer_;
  QTimer status_timer_;
  QElapsedTimer clock_;
  std::int64_t last_paint_ms_ = -1;
  QAction* connect_ = nullptr;
  QAction* disconnect_ = nullptr;
  QAction* new_session_ = nullptr;
  QAction* follow_action_ = nullptr;
};

}  // namespace orvelt
