#include "qt/load_monitor.hpp"

#include <QApplication>
#include <QEvent>
#include <QProgressDialog>
#include <QWindow>

#include <algorithm>

namespace orvelt {

namespace {

// Events are handled at most this often during a load: enough to repaint and to see Cancel.
constexpr int kEventIntervalMs = 30;
constexpr int kProgressSteps = 1000;

bool Is_User_Input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

LoadMonitor::LoadMonitor(QWidget* window) : QObject(window), window_(window) {}

LoadMonitor::~LoadMonitor() {
  if (reading_) qApp->removeEventFilter(this);
  delete dialog_.data();
}

std::function<bool(const LoadProgress&)> LoadMonitor::Begin() {
  loading_ = true;
  cancelled_ = false;
  reading_ = false;
  return [this](const LoadProgress& progress) { return On_Progress(progress); };
}

void LoadMonitor::End() {
  if (!loading_) return;
  loading_ = false;
  if (reading_) qApp->removeEventFilter(this);
  reading_ = false;
  if (dialog_) dialog_->hide();
}

bool LoadMonitor::On_Progress(const LoadProgress& progress) {
  // Input is held back from the first byte read on, not before: choosing the files (the open
  // dialog) is the user's part of the load and needs every key and click.
  if (!reading_) {
    reading_ = true;
    started_.start();
    last_events_.start();
    qApp->installEventFilter(this);
  }
  if (!cancelled_ && started_.elapsed() >= kShowAfterMs) {
    if (!dialog_) {
      dialog_ = new QProgressDialog(window_);
      dialog_->setObjectName("LoadProgress");
      dialog_->setWindowTitle(tr("Loading"));
      dialog_->setCancelButtonText(tr("Cancel"));
      dialog_->setRange(0, kProgressSteps);
      dialog_->setMinimumDuration(0);
      dialog_->setAutoReset(false);
      dialog_->setAutoClose(false);
      connect(dialog_, &QProgressDialog::canceled, this, &LoadMonitor::Cancel);
      // Escape closes a dialog as its Cancel button does: here it must cancel the load too,
      // not hide the dialog while the load goes on.
      connect(dialog_, &QDialog::rejected, this, &LoadMonitor::Cancel);
    }
    const double part = progress.bytes_total > 0 ? static_cast<double>(progress.bytes_done) /
                                                       static_cast<double>(progress.bytes_total)
                                                 : 0.0;
    dialog_->setValue(static_cast<int>(std::clamp(part, 0.0, 1.0) * kProgressSteps));
    dialog_->setLabelText(tr("File %1 of %2, %3 of %4 MB read")
                              .arg(std::min(progress.files_done + 1, progress.files_total))
                              .arg(progress.files_total)
                              .arg(static_cast<double>(progress.bytes_done) / 1e6, 0, 'f', 1)
                              .arg(static_cast<double>(progress.bytes_total) / 1e6, 0, 'f', 1));
    if (!dialog_->isVisible()) {
      // Centred on the window whose load it shows, not where a window manager may put it.
      dialog_->adjustSize();
      QRect placed(QPoint(0, 0), dialog_->size());
      placed.moveCenter(window_->window()->frameGeometry().center());
      dialog_->move(placed.topLeft());
      dialog_->show();
    }
  }
  if (last_events_.elapsed() >= kEventIntervalMs) {
    last_events_.restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  if (dialog_ && dialog_->wasCanceled()) cancelled_ = true;
  return !cancelled_;
}

bool LoadMonitor::eventFilter(QObject* watched, QEvent* event) {
  // Input meant for the progress dialog goes through; input for anything else is dropped, so
  // that it is neither acted on mid-load nor replayed afterwards.
  if (loading_ && Is_User_Input(event->type())) {
    bool for_dialog = false;
    if (dialog_) {
      if (auto* window = qobject_cast<QWindow*>(watched)) {
        for_dialog = window == dialog_->windowHandle();
      } else {
        // A widget of the dialog, or an object it owns, such as the shortcut that takes Escape
        // for its Cancel button.
        for (QObject* o = watched; o != nullptr && !for_dialog; o = o->parent()) {
          for_dialog = o == dialog_;
        }
      }
    }
    if (!for_dialog) return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvelt
