#include "qt/live_archiving.hpp"

#include "decode/time_label.hpp"
#include "live/live_session.hpp"

namespace orvelt {

LiveArchiving::LiveArchiving(LiveSession& session, std::filesystem::path archive_file,
                             QObject* parent)
    : QObject(parent), archive_file_(std::move(archive_file)) {
  commit_timer_.setInterval(1000);
  connect(&commit_timer_, &QTimer::timeout, this, &LiveArchiving::Commit);
  session.Add_Observer([this](const LiveFrame& frame) { Take(frame); });
}

LiveArchiving::~LiveArchiving() {
  Commit();
}

void LiveArchiving::Set_Enabled(bool enabled) {
  if (!enabled) Commit();
  enabled_ = enabled;
}

void LiveArchiving::Take(const LiveFrame& frame) {
  if (!enabled_ || frame.taken.time_label || !load_.outcome.ok()) return;
  if (!archive_) {
    auto opened = Archive::Open(archive_file_);
    if (!opened.ok()) {
      load_.outcome = Failure{opened.why()};
      return Check_Failure();
    }
    archive_ = std::move(opened.value());
    auto source = archive_->Source_Id({SourceKind::Live, "live reception"});
    if (!source.ok()) {
      load_.outcome = Failure{source.why()};
      return Check_Failure();
    }
    feed_.emplace(*archive_, source.value(), load_, std::int64_t{1} << 40);
  }
  if (!feed_->Take_Timed(frame.bytes, Parse_Time_Label(frame.label), frame.taken.outcome).ok()) {
    return Check_Failure();
  }
  if (!commit_timer_.isActive()) commit_timer_.start();
}

void LiveArchiving::Check_Failure() {
  if (!load_.outcome.ok() && !told_) {
    told_ = true;
    emit Failed(QString::fromStdString("archive: " + load_.outcome.why()));
  }
}

void LiveArchiving::Commit() {
  commit_timer_.stop();
  if (feed_ && !feed_->End().ok()) Check_Failure();
}

}  // namespace orvelt
