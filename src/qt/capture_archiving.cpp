#include "qt/capture_archiving.hpp"

#include <QThread>

#include "archive/archive.hpp"
#include "decode/telemetry_state.hpp"
#include "ingest/capture_reader.hpp"

namespace orvelt {

namespace {

ArchiveLoad Archive_Frames(const std::filesystem::path& file, const GatheredFrames& frames) {
  auto archive = Archive::Open(file);
  if (!archive.ok()) {
    ArchiveLoad load;
    load.outcome = Failure{archive.why()};
    return load;
  }
  return frames.Add_To(*archive.value());
}

void Add_Counts(AddCounts& total, const AddCounts& more) {
  total.frames += more.frames;
  total.added += more.added;
  total.new_source += more.new_source;
  total.already += more.already;
  total.untimed += more.untimed;
  total.not_telemetry += more.not_telemetry;
  total.samples += more.samples;
}

}  // namespace

CaptureArchiving::CaptureArchiving(std::filesystem::path archive_file, QObject* parent)
    : QObject(parent), archive_file_(std::move(archive_file)) {}

CaptureArchiving::~CaptureArchiving() {
  if (worker_ != nullptr) {
    worker_->wait();
    delete worker_;
  }
  for (const auto& frames : waiting_) Archive_Frames(archive_file_, *frames);
}

void CaptureArchiving::Set_Enabled(bool enabled) {
  enabled_ = enabled;
}

void CaptureArchiving::Load_Begins(LoadOptions& options, const TelemetryState& state) {
  const bool skip = skip_next_;
  skip_next_ = false;
  if (!enabled_ || skip) return;
  gathering_ = std::make_unique<GatheredFrames>();
  GatheredFrames* frames = gathering_.get();
  options.observers.push_back(
      [frames, &state](const FrameEvent& event) { frames->Take(state, event); });
}

void CaptureArchiving::Load_Ended(LoadOptions& options) {
  if (!gathering_) return;
  options.observers.pop_back();  // the one Load_Begins added: nothing adds one during a load
  if (gathering_->Frames() > 0) waiting_.push_back(std::move(gathering_));
  gathering_.reset();
  Start_Next();
}

void CaptureArchiving::Start_Next() {
  if (worker_ != nullptr || waiting_.empty()) return;
  archiving_ = std::move(waiting_.front());
  waiting_.pop_front();
  worker_ = QThread::create(
      [this, frames = archiving_.get()] { result_ = Archive_Frames(archive_file_, *frames); });
  connect(worker_, &QThread::finished, this, &CaptureArchiving::Finished);
  worker_->start();
}

void CaptureArchiving::Finished() {
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  archiving_.reset();
  Add_Counts(counts_, result_.counts);
  if (result_.outcome.ok()) {
    emit Archived();
  } else {
    emit Failed(QString::fromStdString("archive: " + result_.outcome.why()));
  }
  result_ = {};
  Start_Next();
}

}  // namespace orvelt
