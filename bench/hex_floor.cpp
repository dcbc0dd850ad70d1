// The least a hex dump of a capture can cost: read the stream in large pieces, cut it at FEND,
// unescape, and write each frame of at most 512 bytes as one hex line, as `orvelt-dump --hex`
// does (time labels and over-long frames left out). Plain stdio, no allocation per frame; it
// is the floor that `orvelt-dump --hex` is timed against.
//   hex_floor FILE >/dev/null
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned char kFend = 0xC0, kFesc = 0xDB, kTfend = 0xDC, kTfesc = 0xDD;
constexpr unsigned kFrameCapacity = 512;
constexpr unsigned char kTimeLabelCommand = 9;

unsigned char input[1 << 20];
char output[1 << 16];
unsigned used = 0;

void Flush() {
  std::fwrite(output, 1, used, stdout);
  used = 0;
}

void Line(const unsigned char* frame, unsigned n) {
  static const char kHex[] = "0123456789ABCDEF";
  if (sizeof output - used < n * 3 + 1) Flush();
  for (unsigned k = 0; k < n; ++k) {
    output[used++] = kHex[frame[k] >> 4];
    output[used++] = kHex[frame[k] & 0x0F];
    output[used++] = ' ';
  }
  output[used++] = '\n';
}

}  // namespace

int main(int argc, char** argv) {
  std::FILE* in = argc > 1 ? std::fopen(argv[1], "rb") : stdin;
  if (!in) return 1;
  unsigned char frame[kFrameCapacity];
  unsigned long long length = 0;
  bool escaped = false;
  std::size_t got;
  while ((got = std::fread(input, 1, sizeof input, in)) > 0) {
    for (std::size_t i = 0; i < got; ++i) {
      unsigned char b = input[i];
      if (b == kFend) {
        if (length > 0 && length <= kFrameCapacity && frame[0] != kTimeLabelCommand) {
          Line(frame, static_cast<unsigned>(length));
        }
        length = 0;
        escaped = false;
        continue;
      }
      if (escaped) {
        escaped = false;
        if (b == kTfend || b == kTfesc) {
          b = b == kTfend ? kFend : kFesc;
        } else if (length < kFrameCapacity) {
          frame[length] = kFesc;  // a lone FESC stays as it is
          ++length;
        } else {
          ++length;
        }
      } else if (b == kFesc) {
        escaped = true;
        continue;
      }
      if (length < kFrameCapacity) frame[length] = b;
      ++length;
    }
  }
  Flush();
  return 0;
}
