#include "qt/key_press_tracker.hpp"

namespace orvelt {

KeyPressTracker::KeyPressTracker(QObject* parent) : QObject(parent) {}

std::uint16_t KeyPressTracker::Query(AsyncKey) { return 0; }

}  // namespace orvelt
