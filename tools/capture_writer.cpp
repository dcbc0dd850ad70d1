#include "tools/capture_writer.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>

namespace orvelt::tools {

namespace {

void Put_BE(Bytes& out, std::uint64_t value, int width) {
  for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

Bytes Sensor_Header(std::uint8_t record_type, std::uint8_t selector, std::uint16_t seq) {
  Bytes frame = {0x00, kHeaderByte1, kHeaderByte2};
  Put_BE(frame, seq, 2);
  frame.insert(frame.end(), {kSensorMarker, record_type, selector, 0x00});
  return frame;
}

// Nearest integer to x within [lo, hi]; the clamp comes first so that far-off values cannot
// overflow the conversion.
long Round_Clamped(double x, double lo, double hi) {
  return std::lround(std::clamp(x, lo, hi));
}

template <const auto& kTable>
auto Find(std::uint8_t selector) {
  const auto entry = orvelt::Find_Calibration<kTable>(selector);
  if (!entry)
    throw std::invalid_argument("no calibration for selector " + std::to_string(selector));
  return *entry;
}

std::int16_t Invert_Linear(const orvelt::LinearCalibration& c, double value) {
  return static_cast<std::int16_t>(Round_Clamped((value - c.offset) / c.slope, -32768, 32767));
}

}  // namespace

// --- Frames -------------------------------------------------------------------------------

Bytes Text_Time_Label_Frame(std::string_view label) {
  Bytes frame = {kTimeLabelCommand};
  frame.insert(frame.end(), label.begin(), label.end());
  return frame;
}

Bytes Binary_Time_Label_Frame(std::int64_t ms_since_1970) {
  Bytes frame = {kTimeLabelCommand};
  Put_BE(frame, static_cast<std::uint64_t>(ms_since_1970), 8);
  return frame;
}

Bytes Counter_Frame(std::uint8_t type, std::uint32_t value) {
  Bytes frame = {0x00, kCounterMarker, type};
  Put_BE(frame, value, 4);
  return frame;
}

Bytes Message_Frame(std::string_view text, std::array<std::uint8_t, 3> trailer, std::uint16_t seq) {
  Bytes frame = {0x00, kHeaderByte1, kHeaderByte2};
  Put_BE(frame, seq, 2);
  frame.push_back(kMessageMarker);
  frame.insert(frame.end(), text.begin(), text.end());
  frame.insert(frame.end(), trailer.begin(), trailer.end());
  return frame;
}

Bytes Sensor_Frame(std::uint8_t record_type, std::uint8_t selector,
                   std::span<const std::uint8_t> data, std::uint16_t seq) {
  Bytes frame = Sensor_Header(record_type, selector, seq);
  frame.insert(frame.end(), data.begin(), data.end());
  return frame;
}

Bytes Raw_Word_Record(std::uint8_t record_type, std::uint8_t selector, std::int16_t raw,
                      std::uint16_t seq) {
  const auto word = static_cast<std::uint16_t>(raw);
  const std::array<std::uint8_t, 2> data = {static_cast<std::uint8_t>(word),
                                            static_cast<std::uint8_t>(word >> 8)};
  return Sensor_Frame(record_type, selector, data, seq);
}

Bytes Switchboard_Record(std::uint8_t selector, std::uint8_t status, std::uint16_t current_word,
                         std::uint16_t voltage_word, std::uint16_t seq) {
  const std::array<std::uint8_t, 5> data = {
      status, static_cast<std::uint8_t>(current_word >> 8), static_cast<std::uint8_t>(current_word),
      static_cast<std::uint8_t>(voltage_word), static_cast<std::uint8_t>(voltage_word >> 8)};
  return Sensor_Frame(kSwitchboardRecord, selector, data, seq);
}

Bytes Magnetometer_XY_Record(std::int32_t x, std::int32_t y, std::uint16_t seq) {
  Bytes frame = Sensor_Header(kMagnetometerRecord, kMagnetometerXYSelector, seq);
  Put_BE(frame, static_cast<std::uint32_t>(x), 4);
  Put_BE(frame, static_cast<std::uint32_t>(y), 4);
  return frame;
}

Bytes Magnetometer_Z_Record(std::int32_t z, std::uint16_t seq) {
  Bytes frame = Sensor_Header(kMagnetometerRecord, kMagnetometerZSelector, seq);
  Put_BE(frame, static_cast<std::uint32_t>(z), 4);
  return frame;
}

// --- Calibration inverses -----------------------------------------------------------------

std::int16_t Battery_Raw(std::uint8_t selector, double volts) {
  return Invert_Linear(Find<orvelt::kBatteryCalibrations>(selector), volts);
}

std::int16_t Solar_Raw(std::uint8_t selector, double milliamps) {
  return Invert_Linear(Find<orvelt::kSolarCalibrations>(selector), milliamps);
}

std::uint16_t Switch_Current_Word(std::uint8_t selector, double milliamps) {
  const auto& c = Find<orvelt::kSwitchCalibrations>(selector);
  return static_cast<std::uint16_t>(Round_Clamped((milliamps + c.cb) / c.ci, 0, 0x7FFF));
}

std::uint16_t Switch_Voltage_Word(std::uint8_t selector, double volts) {
  const auto& c = Find<orvelt::kSwitchCalibrations>(selector);
  const double vb = c.offset_added ? -c.vb : c.vb;
  return static_cast<std::uint16_t>(Round_Clamped((volts * 1000 + vb) / c.vi, 0, 0x7FFF));
}

std::int32_t Magnetometer_Word(double microtesla) {
  return static_cast<std::int32_t>(Round_Clamped(microtesla * orvelt::kMagnetometerScale,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

// --- KISS framing and capture files -------------------------------------------------------

void CaptureBuilder::Add(std::span<const std::uint8_t> frame) {
  const Bytes framed = Kiss_Frame(frame);
  bytes_.insert(bytes_.end(), framed.begin(), framed.end());
  ++frames_;
}

void CaptureBuilder::Add_Raw(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

bool CaptureBuilder::Write_File(const std::filesystem::path& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
  out.close();
  return static_cast<bool>(out);
}

// --- Time labels --------------------------------------------------------------------------

// --- Simulated passes ---------------------------------------------------------------------

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kOrbitSeconds = 5700;  // about 95 minutes
constexpr double kEclipseStart = 0.64;  // fraction of the orbit after which the sun is hidden
constexpr double kPenumbraSeconds = 8;  // time over which the arrays fade in and out
constexpr double kArrayPeakMa = 450;    // one array facing the sun squarely
constexpr double kBusLoadMa = 330;      // what the battery feeds with no sun
constexpr double kVoltsPerMaSecond = 6e-7;

// Standard distributions differ between library implementations; drawing from the raw engine
// output keeps the capture of a seed the same everywhere. For the same reason no expression
// draws twice where the order of evaluation is up to the compiler (function arguments,
// operands of + and *).
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  double Uniform() { return engine_() / 4294967296.0; }
  double Between(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  double Noise(double amplitude) { return Between(-amplitude, amplitude); }
  bool Chance(double p) { return Uniform() < p; }
  int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint32_t>(n)); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(engine_()); }

 private:
  std::mt19937 engine_;
};

struct Switch {
  std::uint8_t selector;
  double load_ma;  // nominal draw while on
  double volts;    // rail voltage while on
  std::uint8_t status;
  int hold = 0;  // seconds until the current status may change
};

// AX.25 address field: callsign shifted left one bit, padded with blanks, then the SSID byte;
// the last address of the field carries the end bit.
void Put_Address(Bytes& out, std::string_view call, int ssid, bool last) {
  for (std::size_t i = 0; i < 6; ++i) {
    out.push_back(static_cast<std::uint8_t>((i < call.size() ? call[i] : ' ') << 1));
  }
  out.push_back(static_cast<std::uint8_t>(0x60 | (ssid << 1) | (last ? 1 : 0)));
}

class PassSimulator {
 public:
  explicit PassSimulator(const PassOptions& options) : options_(options), random_(options.seed) {
    orbit_offset_ = random_.Between(0, kOrbitSeconds);
    spin_seconds_ = random_.Between(90, 180);
    spin_phase_ = random_.Between(0, kTwoPi);
    battery_volts_ = random_.Between(7.7, 8.0);
    seq_ = static_cast<std::uint16_t>(random_.Below(65536));
    last_bus_message_ = options.start - random_.Below(30);
    packets_ = {static_cast<std::uint32_t>(random_.Between(100, 2000)),
                static_cast<std::uint32_t>(random_.Between(20000, 90000)),
                static_cast<std::uint32_t>(random_.Below(50)),
                static_cast<std::uint32_t>(random_.Below(200))};
  }

  CaptureBuilder Run() {
    const int seconds = options_.fill ? std::max(options_.seconds, 5000) : options_.seconds;
    for (int s = 0; s < seconds; ++s) Second(s);
    return std::move(capture_);
  }

 private:
  void Add(const Bytes& frame) { capture_.Add(frame); }
  std::uint16_t Next_Seq() { return seq_++; }

  void Second(int s) {
    const std::int64_t now = options_.start + s;
    const std::size_t frames_before = capture_.frame_count();
    Add(options_.binary_time ? Binary_Time_Label_Frame(now * 1000 + random_.Below(1000))
                             : Text_Time_Label_Frame(Format_Time_Label(now)));

    const double t = s;
    const double orbit = std::fmod(t + orbit_offset_, kOrbitSeconds);
    const double eclipse = kEclipseStart * kOrbitSeconds;
    const double light =
        orbit >= eclipse
            ? 0
            : std::clamp(std::min(orbit, eclipse - orbit) / kPenumbraSeconds, 0.0, 1.0);

    // Sun direction in the body frame of the slowly tumbling satellite.
    const double spin = kTwoPi * t / spin_seconds_ + spin_phase_;
    const double elevation = 0.4 * std::sin(kTwoPi * t / 1300 + spin_phase_);
    const std::array<double, 3> sun = {std::cos(elevation) * std::cos(spin),
                                       std::cos(elevation) * std::sin(spin), std::sin(elevation)};
    // Array normals in the order of kSolarSelectors: Y+, Y-, X-, Z+, X+, Z-.
    const std::array<double, 6> facing = {sun[1], -sun[1], -sun[0], sun[2], sun[0], -sun[2]};
    double charge_ma = 0;
    for (std::size_t i = 0; i < kSolarSelectors.size(); ++i) {
      double ma = light * kArrayPeakMa * std::max(0.0, facing[i]);
      if (ma > 0) {
        const double gain = 1 + random_.Noise(0.01);
        ma = std::max(0.0, ma * gain + random_.Noise(1.5));
      }
      charge_ma += ma;
      Add(Raw_Word_Record(kSolarRecord, kSolarSelectors[i], Solar_Raw(kSolarSelectors[i], ma),
                          Next_Seq()));
    }

    // The charge regulator tapers near full charge; the terminal voltage follows the net current.
    const double net_ma = charge_ma * (battery_volts_ > 8.05 ? 0.3 : 1.0) - kBusLoadMa;
    battery_volts_ = std::clamp(battery_volts_ + net_ma * kVoltsPerMaSecond, 7.45, 8.1);
    const double terminal = battery_volts_ + 0.0002 * net_ma;
    Add(Raw_Word_Record(kBatteryRecord, 3,
                        Battery_Raw(3, std::clamp(terminal + random_.Noise(0.008), 7.4, 8.2)),
                        Next_Seq()));
    Add(Raw_Word_Record(
        kBatteryRecord, 8,
        Battery_Raw(8, std::clamp(terminal + 0.03 + random_.Noise(0.008), 7.4, 8.2)), Next_Seq()));

    Magnetometer(t, spin);
    Switches(s);
    Counters(s, now, frames_before);

    if (random_.Chance(1.0 / 90)) {
      static constexpr std::array<std::string_view, 5> kTexts = {
          "ORVELT-1 hello from orbit", "ORVELT-1 battery nominal", "ORVELT-1 camera shot stored",
          "ORVELT-1 digipeater active", "73 de ORVELT-1"};
      const std::string_view text = kTexts[random_.Below(kTexts.size())];
      Add(Message_Frame(text, {random_.Byte(), random_.Byte(), random_.Byte()}, Next_Seq()));
    }
    if (options_.foreign && random_.Chance(1.0 / 60)) Foreign();
    if (options_.damaged && random_.Chance(1.0 / 40)) Damaged(now);
  }

  // A dipole-like field along a polar orbit (twice as strong over the poles), seen from the
  // body spinning about an axis tilted against the orbit plane. Magnitudes stay below 21 µT so
  // every word fits the 32-bit record.
  void Magnetometer(double t, double spin) {
    constexpr double kTilt = 0.5;
    const double latitude = kTwoPi * std::fmod(t + orbit_offset_, kOrbitSeconds) / kOrbitSeconds;
    const double north = 9 * std::cos(latitude), east = 1.4, down = 18 * std::sin(latitude);
    const double x = north * std::cos(spin) + east * std::sin(spin);
    const double y_spun = -north * std::sin(spin) + east * std::cos(spin);
    const double y = y_spun * std::cos(kTilt) - down * std::sin(kTilt);
    const double z = y_spun * std::sin(kTilt) + down * std::cos(kTilt);
    const double x_read = x + random_.Noise(0.05);
    const double y_read = y + random_.Noise(0.05);
    Add(Magnetometer_XY_Record(Magnetometer_Word(x_read), Magnetometer_Word(y_read), Next_Seq()));
    Add(Magnetometer_Z_Record(Magnetometer_Word(z + random_.Noise(0.05)), Next_Seq()));
  }

  void Switches(int s) {
    for (std::size_t i = 0; i < switches_.size(); ++i) {
      Switch& sw = switches_[i];
      Step_Switch(i, sw);
      if (!options_.fill && static_cast<int>(i % 2) != s % 2) continue;
      const bool on = sw.status == 1 || sw.status == 5;
      const double ma = on ? sw.load_ma * (sw.status == 5 ? 5 : 1) * (1 + random_.Noise(0.03)) : 0;
      const double volts = on ? sw.volts * (1 + random_.Noise(0.005)) : 0.02 * random_.Uniform();
      std::uint16_t current = Switch_Current_Word(sw.selector, ma);
      if (current == kIgnoredCurrentWord) ++current;
      Add(Switchboard_Record(sw.selector, sw.status, current,
                             Switch_Voltage_Word(sw.selector, volts), Next_Seq()));
    }
  }

  // Each switch lives its own small life: the camera runs until its timer cuts it, the valve
  // pulses, the heater follows its thermostat, the wheels now and then trip on overcurrent.
  void Step_Switch(std::size_t index, Switch& sw) {
    if (sw.hold > 0) {
      --sw.hold;
      return;
    }
    const auto set = [&](std::uint8_t status, int lo, int hi) {
      sw.status = status;
      sw.hold = lo + random_.Below(hi - lo + 1);
    };
    switch (index) {
      case 2:  // camera
        if (sw.status == 1)
          set(8, 20, 40);
        else if (sw.status == 8)
          set(0, 0, 0);
        else if (random_.Chance(1.0 / 240))
          set(1, 30, 90);
        break;
      case 3:  // warp valve
        if (sw.status == 1)
          set(0, 0, 0);
        else if (random_.Chance(1.0 / 300))
          set(1, 3, 8);
        break;
      case 4:  // warp heater
        set(sw.status == 1 ? 0 : 1, 60, 240);
        break;
      case 6:  // SGR05
        if (sw.status == 16)
          set(1, 0, 0);
        else if (random_.Chance(1.0 / 1200))
          set(16, 60, 180);
        break;
      case 7:  // reaction wheels
        if (sw.status == 5)
          set(2, 30, 90);
        else if (sw.status == 2)
          set(1, 0, 0);
        else if (random_.Chance(1.0 / 600))
          set(5, 2, 5);
        break;
      default:
        break;
    }
  }

  void Counters(int s, std::int64_t now, std::size_t frames_before) {
    if (random_.Chance(1.0 / 20)) last_bus_message_ = now - random_.Below(3);
    if (random_.Chance(1.0 / 45)) ++packets_[0];
    packets_[1] += static_cast<std::uint32_t>(capture_.frame_count() - frames_before);
    if (random_.Chance(1.0 / 500)) ++packets_[2];
    if (random_.Chance(1.0 / 250)) ++packets_[3];
    for (int k = 0; k < 5; ++k) {
      if (!options_.fill && k != s % 5) continue;
      const auto value = k == 0 ? static_cast<std::uint32_t>(last_bus_message_) : packets_[k - 1];
      Add(Counter_Frame(static_cast<std::uint8_t>(0xE0 + k), value));
    }
  }

  void Foreign() {
    static constexpr std::array<std::string_view, 4> kSources = {"N0CALL", "NOCALL", "GS1TST",
                                                                 "QRP42"};
    static constexpr std::array<std::string_view, 4> kInfo = {
        "=5230.00N/01322.00E-ground station test", ">monitoring the ORVELT-1 pass",
        ":BLN1     net tonight on 145.825", "heard ORVELT-1 loud and clear 73"};
    Bytes frame = {0x00};
    Put_Address(frame, random_.Chance(0.5) ? "APRS" : "CQ", 0, false);
    const std::string_view source = kSources[random_.Below(kSources.size())];
    Put_Address(frame, source, random_.Below(16), true);
    frame.insert(frame.end(), {0x03, 0xF0});  // UI frame, no layer 3
    const std::string_view info = kInfo[random_.Below(kInfo.size())];
    frame.insert(frame.end(), info.begin(), info.end());
    Add(frame);
  }

  // Cycles through the kinds of damage so that a long enough pass shows every one of them.
  void Damaged(std::int64_t now) {
    switch (damage_++ % 5) {
      case 0: {  // longer than the 512-byte frame buffer
        Bytes frame = {0x00};
        const int size = 513 + random_.Below(100);
        while (static_cast<int>(frame.size()) < size) frame.push_back(random_.Byte());
        Add(frame);
        break;
      }
      case 1:  // counter value with its top bit set
        Add(Counter_Frame(static_cast<std::uint8_t>(0xE0 + random_.Below(5)),
                          0x80000000u | static_cast<std::uint32_t>(now)));
        break;
      case 2: {  // switchboard status code beyond the status table
        const std::uint8_t selector = kSwitchSelectors[random_.Below(kSwitchSelectors.size())];
        Add(Switchboard_Record(selector, static_cast<std::uint8_t>(17 + random_.Below(239)),
                               Switch_Current_Word(selector, 50), Switch_Voltage_Word(selector, 5),
                               Next_Seq()));
        break;
      }
      case 3: {  // record cut short after its selector
        Bytes frame =
            random_.Chance(0.5)
                ? Raw_Word_Record(kBatteryRecord, 3, Battery_Raw(3, 7.8), Next_Seq())
                : Magnetometer_XY_Record(Magnetometer_Word(5), Magnetometer_Word(-5), Next_Seq());
        frame.resize(8 + random_.Below(static_cast<int>(frame.size()) - 8));
        Add(frame);
        break;
      }
      default: {  // message frame too short to hold any text
        Bytes frame = Message_Frame("", {}, Next_Seq());
        frame.resize(6 + random_.Below(3));
        Add(frame);
        break;
      }
    }
  }

  const PassOptions& options_;
  Random random_;
  CaptureBuilder capture_;
  double orbit_offset_, spin_seconds_, spin_phase_, battery_volts_;
  std::uint16_t seq_;
  std::int64_t last_bus_message_;
  std::array<std::uint32_t, 4> packets_;  // up, down, up dropped, down dropped
  int damage_ = 0;
  std::array<Switch, 8> switches_ = {{{0x81, 140, 5.0, 1},
                                      {0x86, 80, 7.2, 1},
                                      {0x8B, 350, 5.0, 0},
                                      {0x90, 250, 8.0, 0},
                                      {0x95, 180, 7.8, 1},
                                      {0x9A, 45, 5.0, 1},
                                      {0x9F, 30, 3.3, 1},
                                      {0xA4, 90, 5.0, 1}}};
};

}  // namespace

CaptureBuilder Generate_Pass(const PassOptions& options) {
  return PassSimulator(options).Run();
}

CaptureBuilder Every_Kind_Capture() {
  CaptureBuilder capture;
  int second = 0;
  const auto label = [&] {
    capture.Add(Text_Time_Label_Frame(Format_Time_Label(1796725800 + second++)));
  };
  constexpr std::array<std::int16_t, 7> kWords = {-32768, -32767, -1, 0, 1, 32766, 32767};
  constexpr std::array<std::int32_t, 7> kLongWords = {
      std::numeric_limits<std::int32_t>::min(), -100, -1, 0, 1, 1250000000,
      std::numeric_limits<std::int32_t>::max()};

  label();
  for (std::uint8_t type = 0xDF; type <= 0xE5; ++type) {
    for (const std::uint32_t value : {0u, 1u, 1234567u, 1700000000u, 0x7FFFFFFFu}) {
      capture.Add(Counter_Frame(type, value));
    }
  }

  label();
  using namespace std::string_view_literals;
  for (const std::string_view text :
       std::array{""sv, "A"sv, "ORVELT-1 de KAVRO: all systems nominal"sv,
                  "\xB0\xB5\xB2 \xE4\xF6\xFC \xFF"sv, "tab\there, line\r\nend"sv, "NUL\0inside"sv,
                  "C1 \x80\x85\x9F end"sv}) {
    capture.Add(Message_Frame(text, {0x12, 0xC0, 0xDB}, 0xC0DB));
  }

  label();
  for (const std::uint8_t record : {kBatteryRecord, kSolarRecord}) {
    for (int selector = 0; selector < 33; ++selector) {
      for (const std::int16_t raw : kWords) {
        capture.Add(Raw_Word_Record(record, static_cast<std::uint8_t>(selector), raw));
      }
    }
  }

  label();
  for (const std::uint8_t selector : kSwitchSelectors) {
    for (int status = 0; status < orvelt::kSwitchStatusCount; ++status) {
      capture.Add(Switchboard_Record(selector, static_cast<std::uint8_t>(status),
                                     static_cast<std::uint16_t>(status * 1000),
                                     static_cast<std::uint16_t>(0x7FFF - status * 1000)));
    }
    for (const std::uint16_t word : {0x0000, 0x0001, 0x3467, 0x3469, 0x7FFF}) {
      capture.Add(Switchboard_Record(selector, 1, word, word));
    }
    // Ignored whatever else the record holds.
    capture.Add(Switchboard_Record(selector, 1, kIgnoredCurrentWord, 0x1234));
    capture.Add(Switchboard_Record(selector, 40, kIgnoredCurrentWord, 0x1234));
  }
  for (const std::uint8_t selector : {0x00, 0x80, 0x82, 0xA3, 0xA5, 0xFF}) {
    capture.Add(Switchboard_Record(selector, 1, 0x0100, 0x5000));
  }

  label();
  for (const std::int32_t x : kLongWords) {
    capture.Add(Magnetometer_XY_Record(x, ~x));  // ~x: the other end of the range
    capture.Add(Magnetometer_Z_Record(x));
  }
  capture.Add(Sensor_Frame(kMagnetometerRecord, 4, Bytes(8, 0x11)));
  capture.Add(Sensor_Frame(kMagnetometerRecord, 4, {}));
  capture.Add(Sensor_Frame(0x50, 3, Bytes(8, 0x22)));  // a record type without a name

  label();
  // Frames of other stations, and frames too short to say what they are.
  capture.Add(Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40, 0x40, 0x40, 0x60, 0x03, 0xF0, 'h', 'i'});
  capture.Add(Bytes{0x00});
  capture.Add(Bytes{0x00, 0xC0});
  capture.Add(Bytes{0x00, 0xC0, 0x80, 0x00, 0x00});
  capture.Add(Bytes{0x00, 0xC0, 0x80, 0x00, 0x00, 0x03, 0x2C, 0x03, 0x00, 0x10, 0x00});
  capture.Add(Bytes{0x00, 0xC0, 0x81, 0x00, 0x00, 0x02, 0x2C, 0x03, 0x00, 0x10, 0x00});

  label();
  // What the decoder rejects.
  for (const std::uint32_t value : {0x80000000u, 0xFFFFFFFFu}) {
    capture.Add(Counter_Frame(0xE1, value));
    capture.Add(Counter_Frame(0xE5, value));
  }
  for (std::size_t size = 2; size < 7; ++size) {
    Bytes frame = Counter_Frame(0xE1, 5);
    frame.resize(size);
    capture.Add(frame);
  }
  for (std::size_t size = 6; size < 9; ++size) {
    Bytes frame = Message_Frame("");
    frame.resize(size);
    capture.Add(frame);
  }
  for (Bytes frame : {Raw_Word_Record(kBatteryRecord, 3, 16), Raw_Word_Record(kSolarRecord, 1, 16),
                      Switchboard_Record(0x81, 1, 0x0100, 0x5000),
                      Magnetometer_XY_Record(-100, 100), Magnetometer_Z_Record(-100)}) {
    const std::size_t full = frame.size();
    for (std::size_t size = 6; size < full; ++size) {
      Bytes cut = frame;
      cut.resize(size);
      capture.Add(cut);
    }
  }
  for (const std::uint8_t selector : {0x81, 0x86, 0xA4, 0x82}) {
    capture.Add(Switchboard_Record(selector, 1, 0x8000, 0x5000));
    capture.Add(Switchboard_Record(selector, 1, 0x0100, 0x8000));
    capture.Add(Switchboard_Record(selector, 1, 0xFFFF, 0xFFFF));
    capture.Add(Switchboard_Record(selector, 1, 0xB468, 0x1234));
  }
  for (const int status : {17, 18, 100, 255}) {
    capture.Add(Switchboard_Record(0x90, static_cast<std::uint8_t>(status), 0x0200, 0x6000));
    capture.Add(Switchboard_Record(0x82, static_cast<std::uint8_t>(status), 0x0200, 0x6000));
  }
  for (const std::size_t size : {512, 513, 600}) {
    Bytes frame = Raw_Word_Record(kBatteryRecord, 3, 16);
    frame.resize(size, 0x5A);
    capture.Add(frame);
  }

  label();
  // The KISS port is the decoder's business no more than the command byte is.
  for (const std::uint8_t port : {0x10, 0x20, 0xF0}) {
    Bytes frame = Counter_Frame(0xE2, 42);
    frame[0] = port;
    capture.Add(frame);
  }
  // A frame the capture never finished: no FEND after it.
  const Bytes unfinished = Kiss_Frame(Counter_Frame(0xE3, 7));
  capture.Add_Raw(std::span(unfinished).first(unfinished.size() - 1));
  return capture;
}

}  // namespace orvelt::tools
