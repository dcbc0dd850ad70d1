#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/utc_time.hpp"
#include "base/result.hpp"

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

}  // namespace orvelt
