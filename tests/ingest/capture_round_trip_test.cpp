// The capture generator writes engineering values through the inverse calibrations and its own
// byte layout; read back by the decoder, every value must come within one raw step of what was
// meant, so that generated passes show the physics they simulate.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ingest/capture_reader.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

struct RoundTrip {
  std::string what;
  int channel;
  double step;  // the value of one raw step
  std::function<tools::Bytes(double)> record;
  std::vector<double> values;
};

std::vector<RoundTrip> Round_Trips() {
  std::vector<RoundTrip> trips;
  const auto word_records = [&](const auto& table, std::uint8_t type, auto inverse,
                                std::vector<double> values) {
    for (const LinearCalibration& c : table) {
      trips.push_back({"record " + std::to_string(type) + " selector " + std::to_string(c.selector),
                       c.channel, std::abs(c.slope),
                       [type, inverse, s = c.selector](double v) {
                         return tools::Raw_Word_Record(type, s, inverse(s, v));
                       },
                       values});
    }
  };
  word_records(kBatteryCalibrations, kBatteryRecord, tools::Battery_Raw,
               {0.0, 7.4, 8.25, 9.7488, 12.6});
  word_records(kSolarCalibrations, kSolarRecord, tools::Solar_Raw,
               {0.0, 3.5, 120.25, 450.0, 900.0});
  for (const auto& c : kSwitchCalibrations) {
    const std::uint8_t s = c.selector;
    const auto record = [s](double milliamps, double volts) {
      return tools::Switchboard_Record(s, 1, tools::Switch_Current_Word(s, milliamps),
                                       tools::Switch_Voltage_Word(s, volts));
    };
    const auto current = [record](double v) { return record(v, 3.3); };
    const auto voltage = [record](double v) { return record(50, v); };
    const std::string name = std::to_string(s);
    trips.push_back(
        {"switch current " + name, c.current_channel, c.ci, current, {0, 12.5, 100, 650}});
    trips.push_back(
        {"switch voltage " + name, c.voltage_channel, c.vi / 1000, voltage, {0.5, 3.3, 5, 7.2}});
  }
  const auto field = [](int axis) {
    return [axis](double v) {
      const std::int32_t w = tools::Magnetometer_Word(v);
      return axis == 2 ? tools::Magnetometer_Z_Record(w)
                       : tools::Magnetometer_XY_Record(axis == 0 ? w : 7, axis == 1 ? w : 7);
    };
  };
  const std::vector<double> readings = {-21.47, -0.00000003, 0.0, 18.123456};
  for (const int axis : {0, 1, 2}) {
    const int channel = kMagnetometerXChannel + axis;
    trips.push_back({"magnetometer " + std::to_string(axis), channel, 1 / kMagnetometerScale,
                     field(axis), readings});
  }
  return trips;
}

TEST(CaptureRoundTrip, EveryValueComesBackWithinOneRawStep) {
  for (const RoundTrip& trip : Round_Trips()) {
    for (const double meant : trip.values) {
      SCOPED_TRACE(trip.what + " at " + std::to_string(meant));
      TelemetryState state;
      tools::CaptureBuilder capture;
      capture.Add(trip.record(meant));
      ASSERT_TRUE(Take_Kiss_Bytes(state, capture.bytes()));
      ASSERT_EQ(state.store.Count(trip.channel), 1);
      EXPECT_LE(std::abs(state.store.Value(trip.channel, 1) - meant), trip.step);
    }
  }
}

}  // namespace
}  // namespace orvelt
