#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <filesystem>
#include <memory>

#include "archive/archive_loading.hpp"
#include "archive/gathered_frames.hpp"

class QThread;

namespace orvelt {

struct LoadOptions;
struct TelemetryState;

// Puts the frames of every capture loaded into the window into the archive, while the archive
// setting asks for loaded captures too. The frames are gathered as the load takes them and
// archived after it on a thread of their own, one load after the other, so that a load never
// waits for the disk.
class CaptureArchiving : public QObject {
  Q_OBJECT
 public:
  CaptureArchiving(std::filesystem::path archive_file, QObject* parent);
  // Archives what is still waiting before it goes: nothing loaded is left out.
  ~CaptureArchiving() override;

  void Set_Enabled(bool enabled);
  bool Enabled() const { return enabled_; }
  // The next load is not archived (a pass the history window took out of the archive).
  void Skip_Next_Load() { skip_next_ = true; }

  // Around a load into `state`: gathers its frames as an observer of the load while enabled.
  void Load_Begins(LoadOptions& options, const TelemetryState& state);
  void Load_Ended(LoadOptions& options);

  // Loads gathered and not yet in the archive.
  bool Busy() const { return worker_ != nullptr || !waiting_.empty(); }
  // What archiving the loads did so far.
  const AddCounts& Counts() const { return counts_; }

 signals:
  // A load went into the archive.
  void Archived();
  // The archive did not take a load: why. The window goes on without it.
  void Failed(const QString& why);

 private:
  void Start_Next();
  void Finished();

  std::filesystem::path archive_file_;
  bool enabled_ = false;
  bool skip_next_ = false;
  std::unique_ptr<GatheredFrames> gathering_;
  std::deque<std::unique_ptr<GatheredFrames>> waiting_;
  // The load being archived, the thread doing it, and what it did (read once it finished).
  std::unique_ptr<GatheredFrames> archiving_;
  QThread* worker_ = nullptr;
  ArchiveLoad result_;
  AddCounts counts_;
};

}  // namespace orvelt
