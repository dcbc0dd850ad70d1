// Queues frames into an outbox and drains it to one server, for the test that kills it midway:
//   drain_program OUTBOX URL COUNT [--enqueue]
// Frame i carries i as its last two bytes. Ends with status 0 once nothing waits.
#include "forward/forwarder.hpp"

#include "support/example_station.hpp"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 4) return 2;
  orvelt::ForwarderConfig config;
  config.station = orvelt::testing::Example_Station(argv[2]);
  config.timeout_ms = 2000;
  config.retry = {50, 200};
  auto start = orvelt::Forwarder::Start(config, argv[1]);
  if (!start.ok()) {
    std::fprintf(stderr, "%s\n", start.why().c_str());
    return 3;
  }
  orvelt::Forwarder& forwarder = *start.value();
  for (int i = 0; argc > 4 && i < std::atoi(argv[3]); ++i) {
    const std::uint8_t hi = static_cast<std::uint8_t>(i >> 8), lo = static_cast<std::uint8_t>(i);
    if (auto accepted = forwarder.Accept({{0x00, 0xC0, hi, lo}, 1796638500000 + i}); !accepted) {
      std::fprintf(stderr, "%s\n", accepted.why().c_str());
      return 4;
    }
  }
  auto finish_when_empty = [&] {
    if (forwarder.Status().at(0).counts.waiting == 0) application.quit();
  };
  QObject::connect(&forwarder, &orvelt::Forwarder::countsChanged, finish_when_empty);
  QObject::connect(&forwarder, &orvelt::Forwarder::stopped, [&](const QString& reason) {
    std::fprintf(stderr, "%s\n", reason.toUtf8().constData());
    application.exit(5);
  });
  finish_when_empty();
  return application.exec();
}
