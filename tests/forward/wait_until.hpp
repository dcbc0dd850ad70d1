#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace orvelt::testing {

// Runs the event loop until `done` holds or `timeout_ms` has passed; tells whether it holds.
// The loop runs at full speed (QTest::qWaitFor sleeps between rounds, which makes a client and
// server in one thread crawl).
inline bool Wait_Until(const std::function<bool()>& done, int timeout_ms = 5000) {
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

}  // namespace orvelt::testing
