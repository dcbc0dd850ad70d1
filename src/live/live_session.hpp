#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decode/frame_decoder.hpp"
#include "decode/telemetry_state.hpp"
#include "ingest/kiss.hpp"
#include "live/recorder.hpp"

namespace orvelt {

inline constexpr const char* kStoreFullMessage =
    "store full: the display shows the first 5000 samples; recording goes on";

// One frame of a live session, as observers (the window, the headless receiver, forwarding)
// see it. The spans and views are valid during the call only.
struct LiveFrame {
  std::span<const std::uint8_t> bytes;  // unescaped, byte 0 the KISS command byte (first 512)
  std::size_t full_length = 0;
  std::int64_t arrival_ms = 0;  // UTC milliseconds since 1970
  std::string_view label;       // the label it was stamped with, or the label it set
  TakenFrame taken;
  // Handed to the decoder; false for frames over 512 bytes and for every frame once the store
  // is full (they are still recorded).
  bool decoded = false;
};

// A frame the decoder took as ORVELT-1 telemetry: decoded to its end and of one of the
// satellite's kinds (frames of other stations and frames with problems are not).
inline bool Is_Telemetry(const LiveFrame& frame) {
  return frame.decoded && !frame.taken.time_label && frame.taken.outcome.kind != FrameKind::Other &&
         frame.taken.outcome.problem == FrameProblem::None;
}

struct LiveCounts {
  std::uint64_t bytes = 0;
  std::uint64_t frames = 0;           // every frame received, time labels included
  std::uint64_t time_labels = 0;      // time-label frames of the TNC
  std::uint64_t decoded = 0;          // decoded to their end
  std::uint64_t problems = 0;         // handed to the decoder, not decoded to their end
  std::uint64_t too_long = 0;         // over 512 bytes: discarded, never buffered
  std::uint64_t discarded_bytes = 0;  // unescaped bytes of those frames
  std::uint64_t cut_off = 0;          // unfinished frames dropped when the connection ended
  std::uint64_t other = 0;            // decoded as none of the satellite's kinds: other stations
  std::int64_t last_frame_ms = -1;    // arrival of the last frame, -1 before the first

  LiveCounts& operator+=(const LiveCounts& more);
};

// What the recordings of a whole run hold, across every file a full store started.
struct RunRecording {
  std::uint64_t frames = 0;  // frames written, in every file
  std::uint64_t files = 0;   // files opened
};

// A live session: bytes from a TNC, in whatever pieces they arrive, are cut into frames, each
// frame is stamped with the UTC second of its arrival as a time label (unless a time-label frame
// of the TNC came just before it, which then stands) and taken exactly as a capture file's frame
// would be, then recorded and shown to the observers. The session owns no transport and no
// clock: the caller says when bytes arrived.
//
// A full store ends decoding as it ends a load, so that the recording reads back into exactly
// the store the session has; reception and recording go on.
class LiveSession {
 public:
  using Observer = std::function<void(const LiveFrame&)>;

  explicit LiveSession(TelemetryState& state) : state_(state) {}

  // Starts a session at `start_ms`: an empty store, fresh counts, a clean stream, and a
  // recording into `folder` (a new file named from `start_ms`; none when `folder` is empty).
  // Fails, and Recording() says why too, when the file cannot be made; reception goes on
  // regardless.
  Outcome Begin(const std::string& folder, std::int64_t start_ms);
  void Stop_Recording();
  // See Recorder::Set_Sync_Call.
  void Set_Recording_Sync_Call(Recorder::SyncCall sync) { recorder_.Set_Sync_Call(sync); }

  // Feeds bytes that arrived at `arrival_ms`; every frame they complete is taken, recorded and
  // observed in order. The recording is synced once the bytes are handled.
  void Feed(std::span<const std::uint8_t> bytes, std::int64_t arrival_ms);

  // The connection ended: an unfinished frame can never be completed and is dropped (counted).
  void Connection_Ended();

  // "New session": an empty store, fresh counts and, when recording, a new file; the stream
  // goes on.
  void New_Session(std::int64_t start_ms);

  // A station without a display starts a new session (fresh store, new recording file) instead
  // of stopping at a full store, so that its output never stops and every file reads back
  // whole.
  void Set_Roll_Over(bool roll_over) { roll_over_ = roll_over; }

  void Add_Observer(Observer observer) { observers_.push_back(std::move(observer)); }

  // Since the last new session (the store's contents).
  const LiveCounts& Counts() const { return counts_; }
  // Since Begin, across every new session: what a station reports at the end of a run.
  LiveCounts Run_Counts() const;
  RunRecording Run_Recording() const;
  bool Store_Full() const { return store_full_; }
  // Raw bytes since the last FEND: a frame being received, or garbage being discarded.
  std::uint64_t Pending_Bytes() const { return deframer_.Pending_Bytes(); }
  const RecordingStatus& Recording() const { return recorder_.status(); }
  TelemetryState& State() { return state_; }

 private:
  void Take(std::span<const std::uint8_t> stored, std::size_t full_length);

  TelemetryState& state_;
  KissDeframer deframer_;
  Recorder recorder_;
  std::string folder_;
  std::vector<Observer> observers_;
  LiveCounts counts_;
  LiveCounts earlier_counts_;  // of the sessions of this run before the current one
  RunRecording earlier_recording_;
  std::int64_t arrival_ms_ = 0;
  bool tnc_label_ = false;  // the last frame was a time-label frame of the TNC
  bool store_full_ = false;
  bool roll_over_ = false;
};

}  // namespace orvelt
