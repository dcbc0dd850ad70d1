#pragma once

#include "base/result.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace orvelt {

// A TNC that offers KISS over TCP.
struct TcpAddress {
  std::string host;
  std::uint16_t port = 0;
  bool operator==(const TcpAddress&) const = default;
};

// A TNC on a serial line.
struct SerialAddress {
  std::string device;
  std::int32_t baud = 0;
  bool operator==(const SerialAddress&) const = default;
};

using SourceAddress = std::variant<TcpAddress, SerialAddress>;

// Reads `HOST:PORT` (an IPv6 host in brackets: `[::1]:8001`) or `DEVICE@BAUD`
// (`/dev/ttyUSB0@9600`), as the command line and the connect dialog take them; or why the text
// is neither.
Result<SourceAddress> Parse_Source(std::string_view text);

// The source as `Parse_Source` reads it back.
std::string Source_Text(const SourceAddress& address);

}  // namespace orvelt
