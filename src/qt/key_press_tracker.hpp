#pragma once

#include <QObject>

#include <cstdint>

#include "form/platform.hpp"

class QEvent;

namespace orvelt {

// Answers the asynchronous key-state query for Shift and the right mouse button from the
// application's own input events: bit 15 while the key is down, bit 0 when it went down since
// the previous query of that key. It watches every event of the application, so it has seen a
// press before any widget reacts to it.
class KeyPressTracker : public QObject {
  Q_OBJECT
 public:
  explicit KeyPressTracker(QObject* parent = nullptr);
  ~KeyPressTracker() override;

  std::uint16_t Query(AsyncKey key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct KeyState {
    bool down = false;
    bool pressed_since_query = false;
  };

  static void Press(KeyState& key);
  KeyState& State(AsyncKey key);

  KeyState shift_;
  KeyState right_button_;
};

}  // namespace orvelt
