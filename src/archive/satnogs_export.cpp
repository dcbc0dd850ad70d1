#include "archive/satnogs_export.hpp"

#include <algorithm>

namespace orvelt {

namespace {

int Hex_Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> Network_Frame_Bytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(std::min(hex.size() / 2, kMaxNetworkFrameBytes) + 1);
  bytes.push_back(0);
  std::size_t i = 0;
  while (i < hex.size()) {
    // Spaces may stand between two bytes ("C0 80 00"), as some stations send them.
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= hex.size() || bytes.size() > kMaxNetworkFrameBytes) return std::nullopt;
    const int high = Hex_Digit(hex[i]), low = Hex_Digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    i += 2;
  }
  if (bytes.size() == 1) return std::nullopt;
  return bytes;
}

std::optional<NetworkFrame> Parse_Export_Line(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::size_t bar = line.find('|');
  if (bar == std::string_view::npos) return std::nullopt;
  const auto time = Parse_Utc_Time(line.substr(0, bar));
  auto bytes = Network_Frame_Bytes(line.substr(bar + 1));
  if (!time || !bytes) return std::nullopt;
  return NetworkFrame{*time, std::move(*bytes)};
}

std::string_view Without_Byte_Order_Mark(std::string_view line) {
  return line.starts_with("\xEF\xBB\xBF") ? line.substr(3) : line;
}

bool Is_Frame_Export(std::span<const std::uint8_t> head) {
  const auto end = std::find(head.begin(), head.end(), std::uint8_t{'\n'});
  const std::string_view line = Without_Byte_Order_Mark(std::string_view(
      reinterpret_cast<const char*>(head.data()), static_cast<std::size_t>(end - head.begin())));
  // The head may cut a long first line; its time and the start of its hex are enough then.
  if (end == head.end()) {
    const std::size_t bar = line.find('|');
    return bar != std::string_view::npos && Parse_Utc_Time(line.substr(0, bar)).has_value();
  }
  return Parse_Export_Line(line).has_value();
}

}  // namespace orvelt
