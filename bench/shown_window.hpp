#pragma once

// Start-up of the main window as the program does it, for the window benchmarks.

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "qt/main_window.hpp"

namespace orvelt::bench {

// Starts a window on `platform` and returns it once it is shown and painted.
inline std::unique_ptr<MainWindow> Start_Shown_Window(std::unique_ptr<QtPlatform> platform) {
  auto window = std::make_unique<MainWindow>(std::move(platform));
  if (const auto started = window->Start_Up(); !started) {
    std::fprintf(stderr, "start-up failed: %s\n", started.why().c_str());
    std::exit(1);
  }
  window->show();
  while (!window->windowHandle() || !window->windowHandle()->isExposed()) {
    QApplication::processEvents();
  }
  window->repaint();
  return window;
}

}  // namespace orvelt::bench
