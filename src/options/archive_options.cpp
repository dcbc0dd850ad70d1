#include "options/archive_options.hpp"

#include <cstdint>

#include "archive/network_fetch_rules.hpp"
#include "base/text_reading.hpp"
#include "decode/channels.hpp"

namespace orvelt {

namespace {

// A --to of a whole day means up to the end of that day.
std::optional<UtcSeconds> Parse_Bound(std::string_view text, bool upper) {
  const auto time = Parse_Utc_Time(text);
  if (time && upper && text.size() == 10) return *time + 86399;
  return time;
}

// Channels the decoder fills; the selectors' captions name no series.
bool Is_Decoded_Channel(int channel) {
  for (const auto& c : kBatteryCalibrations)
    if (c.channel == channel) return true;
  for (const auto& c : kSolarCalibrations)
    if (c.channel == channel) return true;
  for (const auto& c : kSwitchCalibrations) {
    if (c.current_channel == channel || c.voltage_channel == channel) return true;
  }
  for (const int c : kCounterChannels)
    if (c == channel) return true;
  return channel >= kMagnetometerXChannel && channel <= kMagnetometerZChannel;
}

}  // namespace

std::optional<std::vector<int>> Parse_Channel_List(std::string_view text) {
  std::vector<int> channels;
  while (true) {
    const std::size_t comma = text.find(',');
    const auto n = Read_Whole_Number<std::int64_t>(text.substr(0, comma));
    if (!n || *n < 0 || *n >= kChannelCount || !Is_Decoded_Channel(static_cast<int>(*n))) {
      return std::nullopt;
    }
    channels.push_back(static_cast<int>(*n));
    if (comma == std::string_view::npos) return channels;
    text.remove_prefix(comma + 1);
  }
}

Result<ArchiveCommand> Parse_Archive_Command(const std::vector<std::string>& args) {
  ArchiveCommand c;
  if (args.empty()) return Failure{"no command given"};
  c.name = args[0];
  const bool add = c.name == "add", exporting = c.name == "export", passes = c.name == "passes",
             stats = c.name == "stats", fetch = c.name == "fetch";
  if (!add && !exporting && !passes && !stats && !fetch) {
    return Failure{"unknown command " + c.name};
  }
  bool options_done = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    const auto fail = [](std::string why) { return Failure{std::move(why)}; };
    if (!options_done && (arg == "--help" || arg == "-h")) {
      c.help = true;
      return c;
    }
    if (options_done || arg == "-" || !arg.starts_with("-")) {
      if (!add) return fail("unexpected argument " + arg);
      c.files.push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--archive" && !c.archive) {
      if (!has_value) return fail("--archive needs a file");
      c.archive = args[++i];
    } else if (arg == "--channel" && (exporting || passes) && c.channels.empty()) {
      const auto channels = has_value ? Parse_Channel_List(args[++i]) : std::nullopt;
      if (!channels) return fail("--channel needs channel numbers N[,M...] of named channels");
      c.channels = *channels;
    } else if ((arg == "--from" || arg == "--to") && (exporting || passes || fetch)) {
      const bool upper = arg == "--to";
      if ((upper ? c.to_given : c.from_given)) return fail("repeated option " + arg);
      const auto time = has_value ? Parse_Bound(args[++i], upper) : std::nullopt;
      if (!time) return fail(arg + " needs a UTC time YYYY-MM-DD[THH:MM[:SS]]");
      (upper ? c.to : c.from) = *time;
      (upper ? c.to_given : c.from_given) = true;
    } else if (arg == "--json" && exporting && !c.json) {
      c.json = true;
    } else if (arg == "--limits" && passes && !c.limits) {
      c.limits = true;
    } else if (arg == "--norad" && fetch && !c.norad) {
      const auto n = has_value ? Read_Whole_Number<std::int64_t>(args[++i]) : std::nullopt;
      if (!n || *n < 1 || *n > 999999999) return fail("--norad needs a satellite number");
      c.norad = static_cast<int>(*n);
    } else if (arg == "--token" && fetch && !c.token) {
      if (!has_value) return fail("--token needs the token");
      if (const Outcome token = Check_Token(args[i + 1]); !token.ok()) {
        return fail("--token: " + token.why());
      }
      c.token = args[++i];
    } else if (arg == "--max-pages" && fetch && !c.max_pages) {
      const auto n = has_value ? Read_Whole_Number<std::int64_t>(args[++i]) : std::nullopt;
      if (!n || *n < 1 || *n > 1'000'000) return fail("--max-pages needs a number of pages");
      c.max_pages = static_cast<int>(*n);
    } else if (arg == "--server" && fetch) {
      if (!has_value) return fail("--server needs an address");
      c.server = args[++i];
      while (c.server.ends_with('/')) c.server.pop_back();
      if (!c.server.starts_with("http://") && !c.server.starts_with("https://")) {
        return fail("--server needs an http:// or https:// address");
      }
    } else {
      return fail("unknown or repeated option " + arg);
    }
  }
  if (c.from > c.to) return Failure{"--from lies after --to"};
  if (fetch && (!c.norad || !c.token)) return Failure{"fetch needs --norad and --token"};
  if (exporting && c.channels.empty()) return Failure{"export needs --channel"};
  if (add && c.files.empty()) return Failure{"add needs capture files (- for standard input)"};
  if (passes && c.channels.empty()) {
    for (const auto& battery : kBatteryCalibrations) c.channels.push_back(battery.channel);
  }
  return c;
}

}  // namespace orvelt
