#pragma once

#include <QObject>

#include <cstdint>
#include <string>

#include "decode/telemetry_state.hpp"
#include "live/kiss_link.hpp"
#include "live/live_session.hpp"

namespace orvelt {

// Where recordings go unless the user chose a folder: "ORVELT-1 recordings" in the user's
// documents folder (the home folder where there is none).
std::string Default_Recording_Folder();

// A live session fed by a link to a TNC: what the window and the headless receiver share.
// The telemetry state belongs to the caller (the window's, or the receiver's own).
class LiveReceiver : public QObject {
  Q_OBJECT
 public:
  explicit LiveReceiver(TelemetryState& state, QObject* parent = nullptr);
  ~LiveReceiver() override;

  // Begins a session (an empty store) recording into `record_folder` (none when empty) and
  // connects to `address`. Fails when the recording cannot be made; reception starts all the
  // same.
  Outcome Start(const SourceAddress& address, const std::string& record_folder);
  // Disconnects and closes the recording.
  void Stop();
  // A fresh store and a new recording file, staying connected.
  void New_Session();

  bool Running() const { return running_; }
  KissLink& Link() { return link_; }
  const KissLink& Link() const { return link_; }
  LiveSession& Session() { return session_; }
  const LiveSession& Session() const { return session_; }

 signals:
  // Frames were taken (after a piece of bytes that completed at least one).
  void Frames_Arrived();
  // The link or the recording changed.
  void Status_Changed();

 private:
  LiveSession session_;
  KissLink link_;
  bool running_ = false;
};

}  // namespace orvelt
