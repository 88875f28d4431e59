#pragma once

#include <string>
#include <string_view>

namespace lumivox::tools {

// Watches a tool's console text for a write error that the tool reports but does not exit with.
// ffmpeg 5.1 and sox end with status 0 after
//   Error writing trailer of /out/a.mp3: No space left on device
//   sox FAIL sox: `/out/a.wav' error writing output file: File too large
// A line counts only when it is not indented and ends with ": " and the system's text, so a file
// name (printed inside quotes) or a tag (printed indented) that merely holds the words does not.
class WriteErrorWatch {
  public:
    void feed(std::string_view piece);
    // The error text ("No space left on device"), or empty when none was seen.
    std::string error();

  private:
    void endLine();

    std::string line_;
    std::string error_;
};

// "No space left on device" when the file system holding path has no room left for us: MEncoder
// says nothing when its writes fail, and leaves a cut-off file.
std::string noRoomLeftFor(const std::string& path);

}  // namespace lumivox::tools
