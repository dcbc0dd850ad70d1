#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <functional>

#include "ingest/capture_reader.hpp"

class QWidget;

namespace orvelt {

// Keeps the window alive during a load: the core's progress callback lands here after every
// chunk read. After a short while a progress dialog shows bytes and files done; the window
// repaints meanwhile, but clicks and keys meant for it are dropped rather than queued, so they
// do not replay once the load is over. Cancel (the dialog's button, closing the window, or a
// termination signal) makes the callback answer false, and the core keeps what it has read.
class LoadMonitor : public QObject {
  Q_OBJECT
 public:
  // A load shorter than this shows no dialog.
  static constexpr int kShowAfterMs = 300;

  explicit LoadMonitor(QWidget* window);
  ~LoadMonitor() override;

  // Begins a load; the returned callback (for LoadOptions::progress) is valid until End().
  std::function<bool(const LoadProgress&)> Begin();
  void End();

  bool Loading() const { return loading_; }
  bool Cancelled() const { return cancelled_; }
  // Ends the running load at its next chunk; what was read stays.
  void Cancel() { cancelled_ = true; }

  QProgressDialog* Dialog() const { return dialog_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool On_Progress(const LoadProgress& progress);

  QWidget* window_;
  QPointer<QProgressDialog> dialog_;
  QElapsedTimer started_;
  QElapsedTimer last_events_;
  bool loading_ = false;
  bool reading_ = false;  // bytes are being read: user input is held back
  bool cancelled_ = false;
};

}  // namespace orvelt
