#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "forward/forwarder.hpp"
#include "forward/loaded_frames.hpp"
#include "forward/station_settings.hpp"

class QAction;
class QMenu;

namespace orvelt {

class LiveSession;
class MainWindow;
class Outbox;
class OutboxView;

// Telemetry forwarding in the window: "Station...", "Outbox..." and "Forward loaded frames...",
// the forwarder that sends from the outbox while forwarding is on, every live frame taken as
// telemetry queued as it arrives, and each server's state in the status line's tooltip.
class ForwardingController : public QObject {
  Q_OBJECT
 public:
  ForwardingController(MainWindow& window, LiveSession& session, QMenu* file_menu, QAction* before);
  ~ForwardingController() override;

  // The outbox file (the user's data folder unless a test gives a scratch one); forwarding
  // restarts on it.
  void Set_Outbox_Path(const std::filesystem::path& path);
  // Uses `station` from now on: forwarding runs when it is turned on and usable, and the
  // reason is kept (and shown) when it cannot.
  void Apply_Station(const StationSettings& station);

  // Null while forwarding is off or cannot run.
  Forwarder* forwarder() { return forwarder_.get(); }
  // What the status line's tooltip adds: one line per server, or why forwarding is not running.
  QString Status_Text() const;

  void On_Station_Menu();
  void On_Outbox_Menu();
  void On_Forward_Loaded_Menu();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Live_Frame_Taken(bool telemetry, std::span<const std::uint8_t> bytes,
                        std::int64_t arrival_ms);
  void Show_Outbox(Outbox& outbox);

  MainWindow& window_;
  StationSettings station_;
  std::filesystem::path outbox_path_;
  std::unique_ptr<Forwarder> forwarder_;
  std::optional<std::string> problem_;  // why forwarding that is turned on does not run
  // The outbox opened for the view alone while forwarding is off.
  std::unique_ptr<Outbox> viewed_outbox_;
  QPointer<OutboxView> outbox_view_;
  QueuedLogFrames queued_;
};

}  // namespace orvelt
