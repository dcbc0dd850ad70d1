#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace orvelt::testing {

// Runs the event loop until `done` holds or `timeout_ms` has passed; tells whether it holds.
// The loop runs at full speed (QTest::qWaitFor sleeps between rounds, which makes a client and
// server in one thread crawl).
inline bool Wait_Until(const std::function<bool()>& done, int timeout_ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  poll.start();
  loop.exec();
  return done();
}

// Runs the event loop for `ms`, for checks that something does not happen.
inline void Run_Events_For(int ms) {
  Wait_Until([] { return false; }, ms);
}

}  // namespace orvelt::testing
