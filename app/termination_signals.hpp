#pragma once

// SIGTERM and SIGINT handled in the event loop: a signal handler may do next to nothing, so it
// only writes a byte to a socket pair whose other end the event loop watches, and the program
// then ends as its own menu or a quit would, with its files closed and status 0.

#include <QCoreApplication>

#include <functional>
#include <utility>

#if defined(Q_OS_UNIX)
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

namespace orvelt {

#if defined(Q_OS_UNIX)
inline int termination_pair[2] = {-1, -1};

inline void On_Termination_Signal(int) {
  const char byte = 1;
  if (::write(termination_pair[0], &byte, 1) < 0) {
    // Nothing can be done inside a signal handler; the program goes on.
  }
}

// Runs `on_signal` in the event loop of `app` whenever SIGTERM or SIGINT arrives.
inline void On_Termination_Signals(QCoreApplication& app, std::function<void()> on_signal) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, termination_pair) != 0) return;
  auto* notifier = new QSocketNotifier(termination_pair[1], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [on_signal = std::move(on_signal)] {
    char byte = 0;
    if (::read(termination_pair[1], &byte, 1) < 0) return;
    on_signal();
  });
  struct sigaction action {};
  action.sa_handler = On_Termination_Signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}
#else
inline void On_Termination_Signals(QCoreApplication&, std::function<void()>) {}
#endif

}  // namespace orvelt
