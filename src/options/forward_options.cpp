#include "options/forward_options.hpp"

#include <string_view>

namespace orvelt {
namespace {

enum class Option { kForward, kDryRun, kCallsign, kLat, kLon, kNorad, kServer, kOutbox, kInFlight };

struct OptionName {
  std::string_view name;
  Option option;
  bool takes_value;
};

constexpr OptionName kOptions[] = {
    {"--forward", Option::kForward, false},
    {"--dry-run", Option::kDryRun, false},
    {"--callsign", Option::kCallsign, true},
    {"--lat", Option::kLat, true},
    {"--lon", Option::kLon, true},
    {"--norad", Option::kNorad, true},
    {"--server", Option::kServer, true},
    {"--outbox", Option::kOutbox, true},
    {"--in-flight", Option::kInFlight, true},
};

// Stores a number of degrees between -limit and limit; the reason when it is not one.
Outcome Store_Degrees(std::optional<double>& target, const std::string& value, double limit) {
  const auto degrees = Parse_Degrees(value);
  if (!degrees) return Outcome::Failed("\"" + value + "\" is not a number of degrees");
  if (*degrees < -limit || *degrees > limit) {
    const std::string bound = std::to_string(static_cast<int>(limit));
    return Outcome::Failed(value + " is outside -" + bound + " to " + bound);
  }
  target = degrees;
  return Outcome::Done();
}

// Stores one option's value; the reason when the value cannot be used.
Outcome Store(ForwardOptions& options, Option option, const std::string& value) {
  switch (option) {
    case Option::kForward:
      options.forward = true;
      break;
    case Option::kDryRun:
      options.dry_run = true;
      break;
    case Option::kCallsign:
      if (Outcome usable = Check_Callsign(value); !usable) return usable;
      options.callsign = value;
      break;
    case Option::kLat:
      return Store_Degrees(options.latitude, value, 90.0);
    case Option::kLon:
      return Store_Degrees(options.longitude, value, 180.0);
    case Option::kNorad: {
      const auto id = Parse_Norad_Id(value);
      if (!id) return Outcome::Failed("\"" + value + "\" is not a NORAD catalogue number");
      options.norad_id = id;
      break;
    }
    case Option::kServer:
      if (Outcome usable = Check_Server_Url(value); !usable) return usable;
      options.servers.push_back(value);
      break;
    case Option::kOutbox:
      if (value.empty()) return Outcome::Failed("give the outbox file");
      options.outbox = value;
      break;
    case Option::kInFlight: {
      const auto count = Parse_Norad_Id(value);  // digits only, from 1
      if (!count || *count > static_cast<std::uint64_t>(kMaxInFlight)) {
        return Outcome::Failed("\"" + value + "\" is not a number from 1 to " +
                               std::to_string(kMaxInFlight));
      }
      options.requests_in_flight = static_cast<int>(*count);
      break;
    }
  }
  return Outcome::Done();
}

}  // namespace

Result<std::size_t> Take_Forward_Option(ForwardOptions& options,
                                        const std::vector<std::string>& arguments, std::size_t at) {
  const std::string& argument = arguments.at(at);
  const auto equals = argument.find('=');
  const std::string_view name = std::string_view(argument).substr(0, equals);
  const OptionName* known = nullptr;
  for (const OptionName& option : kOptions) {
    if (option.name == name) known = &option;
  }
  if (known == nullptr) return std::size_t{0};
  std::size_t used = 1;
  std::string value;
  if (known->takes_value) {
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (at + 1 < arguments.size()) {
      value = arguments[at + 1];
      used = 2;
    } else {
      return Result<std::size_t>::Failed(std::string(name) + ": a value is missing");
    }
  } else if (equals != std::string::npos) {
    return Result<std::size_t>::Failed(std::string(name) + " takes no value");
  }
  if (const Outcome stored = Store(options, known->option, value); !stored) {
    return Result<std::size_t>::Failed(std::string(name) + ": " + stored.why());
  }
  return used;
}

StationSettings Apply_Forward_Options(StationSettings saved, const ForwardOptions& options) {
  if (options.callsign) saved.callsign = *options.callsign;
  if (options.latitude) saved.latitude = *options.latitude;
  if (options.longitude) saved.longitude = *options.longitude;
  if (options.norad_id) saved.norad_id = *options.norad_id;
  if (!options.servers.empty()) {
    saved.servers.clear();
    for (const std::string& url : options.servers) saved.servers.push_back({url, true});
  }
  if (options.forward) saved.forwarding = true;
  return saved;
}

}  // namespace orvelt
