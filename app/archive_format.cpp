#include "archive_format.hpp"

#include <charconv>
#include <cstdint>

#include "archive/network_fetch_rules.hpp"
#include "base/text_reading.hpp"
#include "decode/channels.hpp"
#include "dump_format.hpp"
#include "export/csv_export.hpp"

namespace orvelt {

namespace {

// A --to of a whole day means up to the end of that day.
std::optional<UtcSeconds> Parse_Bound(std::string_view text, bool upper) {
  const auto time = Parse_Utc_Time(text);
  if (time && upper && text.size() == 10) return *time + 86399;
  return time;
}

constexpr std::size_t kWriteBytes = std::size_t{1} << 16;

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
      if (const auto problem = Token_Problem(args[i + 1])) return fail("--token: " + *problem);
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

Result<std::int64_t> Export_Samples(Archive& archive, const std::vector<int>& channels,
                                    UtcSeconds from, UtcSeconds to, bool json,
                                    const std::function<void(std::string_view)>& write) {
  std::string buffer;
  buffer.reserve(kWriteBytes + 256);
  if (!json) buffer += "channel,caption,unit,sample,time,value\n";
  std::int64_t total = 0;
  for (const int channel : channels) {
    std::string head = std::to_string(channel);
    if (json) {
      head = "{\"channel\": " + head + ", \"caption\": ";
      Append_Json_String(head, Channel_Caption(channel));
      head += ", \"unit\": ";
      Append_Json_String(head, Channel_Unit(channel));
      head += ", \"sample\": ";
    } else {
      head += ',';
      Append_Csv_Field(head, Channel_Caption(channel));
      head += ',';
      Append_Csv_Field(head, Channel_Unit(channel));
      head += ',';
    }
    std::int64_t sample = 0;
    char number[32];
    UtcSeconds last_time = 0;
    std::string time_text;
    auto read = archive.For_Each_Sample(channel, from, to, [&](const Sample& s) {
      if (time_text.empty() || s.time != last_time) {
        last_time = s.time;
        time_text = Format_Utc_Time(s.time);
      }
      buffer += head;
      buffer.append(number, std::to_chars(number, number + sizeof number, ++sample).ptr);
      buffer += json ? ", \"time\": \"" : ",";
      buffer += time_text;
      buffer += json ? "\", \"value\": " : ",";
      if (json) {
        Append_Shortest_Number(buffer, s.value);
      } else {
        Append_Plain_Number(buffer, s.value);
      }
      buffer += json ? "}\n" : "\n";
      if (buffer.size() >= kWriteBytes) {
        write(buffer);
        buffer.clear();
      }
    });
    if (!read.ok()) return read;
    total += sample;
  }
  write(buffer);
  return total;
}

Result<std::int64_t> Write_Passes(Archive& archive, const std::vector<int>& channels,
                                  UtcSeconds from, UtcSeconds to, const LimitTable* limits,
                                  const std::function<void(std::string_view)>& write) {
  auto passes = archive.Passes(from, to);
  if (!passes.ok()) return Failure{passes.why()};
  std::string line = "start,end,frames,sources";
  for (const int channel : channels) {
    for (const char* what : {" min", " max", " mean"}) {
      line += ',';
      Append_Csv_Field(line, std::string(Channel_Caption(channel)) + what);
    }
  }
  if (limits) line += ",outside limits";
  write(line + '\n');
  for (const PassSpan& pass : passes.value()) {
    line = Format_Utc_Time(pass.start) + ',' + Format_Utc_Time(pass.end) + ',' +
           std::to_string(pass.frames) + ',';
    auto sources = archive.Sources_Within(pass.start, pass.end);
    if (!sources.ok()) return Failure{sources.why()};
    std::string names;
    for (const Source& source : sources.value()) {
      if (!names.empty()) names += "; ";
      names += std::string(Source_Kind_Text(source.kind)) + ' ' + source.name;
    }
    Append_Csv_Field(line, names);
    std::string outside;
    for (const int channel : channels) {
      auto summary = archive.Summary(channel, pass.start, pass.end);
      if (!summary.ok()) return Failure{summary.why()};
      const SampleSummary& s = summary.value();
      for (const double v : {s.min, s.max, s.mean}) {
        line += ',';
        if (s.count > 0) line += Plain_Number(v);
      }
      if (!limits || s.count == 0) continue;
      const ChannelLimits& limit = (*limits)[static_cast<std::size_t>(channel)];
      const std::string caption(Channel_Caption(channel));
      if (Check_Limits(limit, s.min) == LimitCheck::Below) {
        outside += (outside.empty() ? "" : "; ") + caption + " down to " + Plain_Number(s.min) +
                   " below " + Plain_Number(*limit.lower);
      }
      if (Check_Limits(limit, s.max) == LimitCheck::Above) {
        outside += (outside.empty() ? "" : "; ") + caption + " up to " + Plain_Number(s.max) +
                   " above " + Plain_Number(*limit.upper);
      }
    }
    if (limits) {
      line += ',';
      Append_Csv_Field(line, outside);
    }
    write(line + '\n');
  }
  return static_cast<std::int64_t>(passes.value().size());
}

}  // namespace orvelt
