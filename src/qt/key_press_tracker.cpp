#include "qt/key_press_tracker.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace orvelt {

namespace {

constexpr std::uint16_t kDownNow = 0x8000;
constexpr std::uint16_t kPressedSinceQuery = 0x0001;

}  // namespace

KeyPressTracker::KeyPressTracker(QObject* parent) : QObject(parent) {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

KeyPressTracker::~KeyPressTracker() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

KeyPressTracker::KeyState& KeyPressTracker::State(AsyncKey key) {
  return key == AsyncKey::Shift ? shift_ : right_button_;
}

std::uint16_t KeyPressTracker::Query(AsyncKey key) {
  KeyState& state = State(key);
  std::uint16_t word = 0;
  if (state.down) word |= kDownNow;
  if (state.pressed_since_query) word |= kPressedSinceQuery;
  state.pressed_since_query = false;
  return word;
}

void KeyPressTracker::Press(KeyState& key) {
  // The same press reaches the filter more than once (window, widget, the parents it
  // propagates to) and a held key repeats; only going down counts.
  if (key.down) return;
  key.down = true;
  key.pressed_since_query = true;
}

bool KeyPressTracker::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      if (key->key() != Qt::Key_Shift || key->isAutoRepeat()) break;
      if (event->type() == QEvent::KeyPress) {
        Press(shift_);
      } else {
        shift_.down = false;
      }
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      // A click carries the true state of Shift: it may have gone down while another
      // application had the keyboard, or come up without us seeing the release.
      if (mouse->modifiers().testFlag(Qt::ShiftModifier)) {
        Press(shift_);
      } else {
        shift_.down = false;
      }
      if (mouse->button() == Qt::RightButton) Press(right_button_);
      break;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton) {
        right_button_.down = false;
      }
      break;
    case QEvent::ApplicationDeactivate:
      // Releases while another application is active never reach us.
      shift_.down = false;
      right_button_.down = false;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvelt
