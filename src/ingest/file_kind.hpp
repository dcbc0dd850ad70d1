#pragma once

#include <filesystem>

namespace orvelt {

// What an entry that is no regular file is, in the words of its refusal ("not a capture file
// (a FIFO)"): opening a FIFO or a device to read it whole could wait or read forever.
inline const char* File_Kind_Name(std::filesystem::file_type type) {
  using std::filesystem::file_type;
  switch (type) {
    case file_type::directory:
      return "a folder";
    case file_type::fifo:
      return "a FIFO";
    case file_type::character:
    case file_type::block:
      return "a device";
    case file_type::socket:
      return "a socket";
    case file_type::not_found:
      return "a link to a missing file";
    default:
      return "not a regular file";
  }
}

}  // namespace orvelt
