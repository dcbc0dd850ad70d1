#pragma once

#include <QObject>
#include <cstdint>

#include "window/platform.hpp"

namespace orvelt {

// Answers the asynchronous key-state query for Shift and the right mouse button from the
// application's own input events: bit 15 while the key is down, bit 0 when it went down since
// the previous query of that key.
class KeyPressTracker : public QObject {
  Q_OBJECT
 public:
  explicit KeyPressTracker(QObject* parent = nullptr);
  std::uint16_t Query(AsyncKey key);
};

}  // namespace orvelt
