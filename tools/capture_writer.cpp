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
  Bytes frame = {0x00, 0xC0, 0x80};
  Put_BE(frame, seq, 2);
  frame.insert(frame.end(), {0x02, record_type, selector, 0x00});
  return frame;
}

// Nearest integer to x within [lo, hi]; the clamp comes first so that far-off values cannot
// overflow the conversion.
long Round_Clamped(double x, double lo, double hi) {
  return std::lround(std::clamp(x, lo, hi));
}

struct Linear {
  std::uint8_t selector;
  double slope;
  double offset;
};

constexpr std::array<Linear, 2> kBattery = {{{3, -0.00945, 9.7488}, {8, -0.00946, 9.7526}}};
constexpr std::array<Linear, 6> kSolar = {{{1, -0.542490348, 528.0441026},
                                           {4, -0.537846059, 523.1519466},
                                           {7, -0.541228423, 526.8412823},
                                           {10, -0.52264946, 508.5204547},
                                           {13, -0.518702129, 512.807352},
                                           {31, -0.52947555, 515.5141451}}};

// current = ci * I - cb (mA); voltage = (vi * V - vb) / 1000 (V). The reaction wheels add their
// voltage constant instead of subtracting it, which a negative vb expresses.
struct SwitchCalibration {
  std::uint8_t selector;
  double ci, cb, vi, vb;
};
constexpr std::array<SwitchCalibration, 8> kSwitch = {{
    {0x81, 0.259549, 1.516825, 0.2300107, 1.113424579},
    {0x86, 0.258359, 1.554162, 0.2315349, 1.136056829},
    {0x8B, 0.258359, 1.595903, 0.23315, 1.187043977},
    {0x90, 0.518526, 8.756971, 0.3667785, 7.266803691},
    {0x95, 0.534516, 3.25046, 0.2603641, 0.504061},
    {0x9A, 0.528245, 2.974109, 0.2233264, 0.930303516},
    {0x9F, 0.260476, 0.91132, 0.2254974, 0.993915009},
    {0xA4, 0.532941, 3.152331, 0.2592693, -0.3656067},
}};

template <typename Table>
const auto& Find(const Table& table, std::uint8_t selector) {
  for (const auto& entry : table) {
    if (entry.selector == selector) return entry;
  }
  throw std::invalid_argument("no calibration for selector " + std::to_string(selector));
}

std::int16_t Invert_Linear(const Linear& c, double value) {
  return static_cast<std::int16_t>(Round_Clamped((value - c.offset) / c.slope, -32768, 32767));
}

}  // namespace

// --- Frames -------------------------------------------------------------------------------

Bytes Text_Time_Label_Frame(std::string_view label) {
  Bytes frame = {0x09};
  frame.insert(frame.end(), label.begin(), label.end());
  return frame;
}

Bytes Binary_Time_Label_Frame(std::int64_t ms_since_1970) {
  Bytes frame = {0x09};
  Put_BE(frame, static_cast<std::uint64_t>(ms_since_1970), 8);
  return frame;
}

Bytes Counter_Frame(std::uint8_t type, std::uint32_t value) {
  Bytes frame = {0x00, 0x01, type};
  Put_BE(frame, value, 4);
  return frame;
}

Bytes Message_Frame(std::string_view text, std::array<std::uint8_t, 3> trailer, std::uint16_t seq) {
  Bytes frame = {0x00, 0xC0, 0x80};
  Put_BE(frame, seq, 2);
  frame.push_back(0xC0);
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
  Bytes frame = Sensor_Header(kMagnetometerRecord, 3, seq);
  Put_BE(frame, static_cast<std::uint32_t>(x), 4);
  Put_BE(frame, static_cast<std::uint32_t>(y), 4);
  return frame;
}

Bytes Magnetometer_Z_Record(std::int32_t z, std::uint16_t seq) {
  Bytes frame = Sensor_Header(kMagnetometerRecord, 5, seq);
  Put_BE(frame, static_cast<std::uint32_t>(z), 4);
  return frame;
}

// --- Calibration inverses -----------------------------------------------------------------

std::int16_t Battery_Raw(std::uint8_t selector, double volts) {
  return Invert_Linear(Find(kBattery, selector), volts);
}

std::int16_t Solar_Raw(std::uint8_t selector, double milliamps) {
  return Invert_Linear(Find(kSolar, selector), milliamps);
}

std::uint16_t Switch_Current_Word(std::uint8_t selector, double milliamps) {
  const auto& c = Find(kSwitch, selector);
  return static_cast<std::uint16_t>(Round_Clamped((milliamps + c.cb) / c.ci, 0, 0x7FFF));
}

std::uint16_t Switch_Voltage_Word(std::uint8_t selector, double volts) {
  const auto& c = Find(kSwitch, selector);
  return static_cast<std::uint16_t>(Round_Clamped((volts * 1000 + c.vb) / c.vi, 0, 0x7FFF));
}

std::int32_t Magnetometer_Word(double microtesla) {
  return static_cast<std::int32_t>(Round_Clamped(microtesla * 1e8,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

// --- KISS framing and capture files -------------------------------------------------------

Bytes Kiss_Frame(std::span<const std::uint8_t> frame) {
  Bytes out;
  out.reserve(frame.size() + 8);
  out.push_back(kFend);
  for (std::uint8_t b : frame) {
    if (b == kFend) {
      out.insert(out.end(), {kFesc, kTfend});
    } else if (b == kFesc) {
      out.insert(out.end(), {kFesc, kTfesc});
    } else {
      out.push_back(b);
    }
  }
  out.push_back(kFend);
  return out;
}

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

std::optional<std::int64_t> Parse_Time_Label(std::string_view label) {
  using namespace std::chrono;
  constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (label.size() != kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const bool digit = label[i] >= '0' && label[i] <= '9';
    if (kShape[i] == '0' ? !digit : label[i] != kShape[i]) return std::nullopt;
  }
  const auto number = [&](std::size_t pos, std::size_t len) {
    int n = 0;
    for (std::size_t i = pos; i < pos + len; ++i) n = n * 10 + (label[i] - '0');
    return n;
  };
  const year_month_day date{year{number(0, 4)}, month(number(5, 2)), day(number(8, 2))};
  const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
  if (!date.ok() || h > 23 || m > 59 || s > 59) return std::nullopt;
  return sys_days{date}.time_since_epoch() / 1s + h * 3600 + m * 60 + s;
}

std::string Format_Time_Label(std::int64_t seconds_since_1970) {
  using namespace std::chrono;
  const sys_seconds t{seconds{seconds_since_1970}};
  const auto midnight = floor<days>(t);
  const year_month_day date{midnight};
  const hh_mm_ss clock{t - midnight};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

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

}  // namespace orvelt::tools
