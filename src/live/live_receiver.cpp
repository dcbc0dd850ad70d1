#include "live/live_receiver.hpp"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <span>

namespace orvelt {

std::string Default_Recording_Folder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return QDir(documents).filePath(QStringLiteral("ORVELT-1 recordings")).toStdString();
}

LiveReceiver::LiveReceiver(TelemetryState& state, QObject* parent)
    : QObject(parent), session_(state), link_(this) {
  connect(&link_, &KissLink::Bytes_Received, this, [this](const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint64_t before = session_.Counts().frames;
    session_.Feed(std::span(data, static_cast<std::size_t>(bytes.size())),
                  QDateTime::currentMSecsSinceEpoch());
    // A piece that completes no frame changes nothing to show; repainting for it would only
    // hold back the frame it is part of.
    if (session_.Counts().frames != before) emit Frames_Arrived();
  });
  connect(&link_, &KissLink::Connection_Ended, this, [this] { session_.Connection_Ended(); });
  connect(&link_, &KissLink::Status_Changed, this, &LiveReceiver::Status_Changed);
}

LiveReceiver::~LiveReceiver() {
  link_.blockSignals(true);
  link_.Stop();
  session_.Stop_Recording();
}

Outcome LiveReceiver::Start(const SourceAddress& address, const std::string& record_folder) {
  Stop();
  running_ = true;
  Outcome recording = session_.Begin(record_folder, QDateTime::currentMSecsSinceEpoch());
  link_.Start(address);
  return recording;
}

void LiveReceiver::Stop() {
  if (!running_) return;
  running_ = false;
  link_.Stop();
  session_.Stop_Recording();
  emit Status_Changed();
}

void LiveReceiver::New_Session() {
  session_.New_Session(QDateTime::currentMSecsSinceEpoch());
  emit Frames_Arrived();
  emit Status_Changed();
}

}  // namespace orvelt
