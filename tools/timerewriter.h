#pragma once

#include <string>
#include <string_view>

namespace lumivox::tools {

// Rewrites ffmpeg's elapsed-time fields into seconds as the text streams through, because the
// progress display reads "time=" as a plain number:
//   size=     768kB time=00:00:59.24 bitrate= 106.2kbits/s speed= 118x\r
// becomes
//   size=     768kB time=59.24 bitrate= 106.2kbits/s speed= 118x\r
// A field cut off at the end of a chunk is held back until the next chunk completes it; every
// other byte (carriage returns included) passes unchanged, "time=N/A" too.
class TimeFieldRewriter {
  public:
    // Returns the text that can be passed on now.
    std::string feed(std::string_view chunk);
    // End of stream: returns whatever was held back, a complete field rewritten.
    std::string flush();

  private:
    std::string pending_;
};

// Converts the text after "time=" when it is H:MM:SS[.cc] ("01:02:03.50" gives "3723.50",
// "-00:00:00.02" gives "-0.02"). Empty when the text is not of that form.
std::string clockToSeconds(std::string_view clock);

}  // namespace lumivox::tools
