#include "archive_format.hpp"

#include <charconv>
#include <cstdint>

#include "decode/channels.hpp"
#include "dump_format.hpp"
#include "export/csv_export.hpp"

namespace orvelt {

namespace {

constexpr std::size_t kWriteBytes = std::size_t{1} << 16;

}  // namespace

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
