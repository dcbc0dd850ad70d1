#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"

namespace orvelt {

struct LiveFrame;
class LiveSession;

// Puts every frame of the window's live sessions into the archive as it arrives, stamped with
// its time label, while the archive setting asks for it. Frames are committed once a second, so
// that reception never waits for the disk and a crash loses at most that second.
class LiveArchiving : public QObject {
  Q_OBJECT
 public:
  LiveArchiving(LiveSession& session, std::filesystem::path archive_file, QObject* parent);
  ~LiveArchiving() override;

  void Set_Enabled(bool enabled);
  bool Enabled() const { return enabled_; }
  // Commits what was taken so far; the archive's failure, if any, is kept in Archived().
  void Commit();
  const Outcome& Archived() const { return load_.outcome; }
  const AddCounts& Counts() const { return load_.counts; }

 signals:
  // The archive stopped taking frames: why. Reception goes on without it.
  void Failed(const QString& why);

 private:
  void Take(const LiveFrame& frame);
  void Check_Failure();

  std::filesystem::path archive_file_;
  std::unique_ptr<Archive> archive_;
  std::optional<ArchiveFeed> feed_;
  ArchiveLoad load_;
  QTimer commit_timer_;
  bool enabled_ = false;
  bool told_ = false;
};

}  // namespace orvelt
