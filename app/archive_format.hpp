#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.hpp"
#include "decode/channel_limits.hpp"

namespace orvelt {

// What a command of orvelt-archive was given.
struct ArchiveCommand {
  std::string name;  // add, export, passes, stats, fetch
  std::optional<std::string> archive;
  std::vector<std::string> files;
  std::vector<int> channels;
  UtcSeconds from = -(std::int64_t{1} << 50);
  UtcSeconds to = std::int64_t{1} << 50;
  bool from_given = false;
  bool to_given = false;
  bool json = false;
  bool limits = false;
  std::optional<int> norad;
  std::optional<std::string> token;
  std::string server = "https://db.satnogs.org";
  std::optional<int> max_pages;  // fetch: pages one run reads at most
  bool help = false;             // --help: print the usage and do nothing else
};

// The command that `args` give, checked; the failure is the usage error, in a few words.
Result<ArchiveCommand> Parse_Archive_Command(const std::vector<std::string>& args);

// "N[,M...]" of channels that have a name; nothing when any is not one.
std::optional<std::vector<int>> Parse_Channel_List(std::string_view text);

// Writes the samples of the channels as orvelt-dump's CSV does (channel, caption, unit, sample,
// time, value) or as JSON Lines, time in UTC; the lines go to `write` in pieces. Gives the
// number of samples, or the archive's error.
Result<std::int64_t> Export_Samples(Archive& archive, const std::vector<int>& channels,
                                    UtcSeconds from, UtcSeconds to, bool json,
                                    const std::function<void(std::string_view)>& write);

// One CSV line per pass: start, end, frames, sources, then min, max and mean of each channel,
// and with `limits` the channels' values outside their limits.
Result<std::int64_t> Write_Passes(Archive& archive, const std::vector<int>& channels,
                                  UtcSeconds from, UtcSeconds to, const LimitTable* limits,
                                  const std::function<void(std::string_view)>& write);

}  // namespace orvelt
