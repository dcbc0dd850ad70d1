#include "live/source_address.hpp"

#include "base/text_reading.hpp"

namespace orvelt {

namespace {

// A whole decimal number in [low, high], or -1.
long Whole_Number(std::string_view text, long low, long high) {
  const auto value = Read_Whole_Number<long>(text);
  return !value || *value < low || *value > high ? -1 : *value;
}

Result<SourceAddress> Failed(std::string why) {
  return Result<SourceAddress>::Failed(std::move(why));
}

}  // namespace

Result<SourceAddress> Parse_Source(std::string_view text) {
  constexpr long kMaxBaud = 100000000;
  if (text.empty()) return Failed("no source given: expected HOST:PORT or DEVICE@BAUD");
  if (const auto at = text.rfind('@'); at != std::string_view::npos) {
    const std::string_view device = text.substr(0, at);
    if (device.empty())
      return Failed("no serial device before '@' in \"" + std::string(text) + '"');
    const long baud = Whole_Number(text.substr(at + 1), 1, kMaxBaud);
    if (baud < 0) {
      return Failed("baud rate must be a whole number from 1 to 100000000 in \"" +
                    std::string(text) + '"');
    }
    return SourceAddress(SerialAddress{std::string(device), static_cast<std::int32_t>(baud)});
  }
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    return Failed("\"" + std::string(text) + "\" is neither HOST:PORT nor DEVICE@BAUD");
  }
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return Failed("an IPv6 address needs brackets, as in [::1]:8001");
  }
  if (host.empty()) return Failed("no host before ':' in \"" + std::string(text) + '"');
  const long port = Whole_Number(text.substr(colon + 1), 1, 65535);
  if (port < 0) {
    return Failed("port must be a whole number from 1 to 65535 in \"" + std::string(text) + '"');
  }
  return SourceAddress(TcpAddress{std::string(host), static_cast<std::uint16_t>(port)});
}

std::string Source_Text(const SourceAddress& address) {
  if (const auto* tcp = std::get_if<TcpAddress>(&address)) {
    const bool v6 = tcp->host.find(':') != std::string::npos;
    return (v6 ? "[" + tcp->host + "]" : tcp->host) + ':' + std::to_string(tcp->port);
  }
  const auto& serial = std::get<SerialAddress>(address);
  return serial.device + '@' + std::to_string(serial.baud);
}

}  // namespace orvelt
