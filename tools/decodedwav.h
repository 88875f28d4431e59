#pragma once

#include <cstdint>
#include <string>

namespace lumivox::tools {

// The batch decodes each FLAC to tmp.wav (sox.exe) just before it encodes the same FLAC to MP3
// (coder.exe). sox.exe leaves a note in the program's work folder naming both files; coder.exe
// then reads the samples from the WAV instead of decoding the FLAC a second time. The note holds
// both files' device, inode, size and modification time, so another FLAC, or either file changed
// since, is never taken for the one decoded.
void forgetDecodedWav();
void noteDecodedWav(const std::string& flac, const std::string& wav);
// The WAV noted as holding `flac`'s samples, when both are still the files noted; else empty.
std::string decodedWavOf(const std::string& flac);

// A source sox.exe refused (lossy, damaged): the reason is noted in place of a WAV, so that
// coder.exe makes no MP3 of the same file either. Empty when the source is not the one noted.
void noteRefusedSource(const std::string& source, const std::string& reason);
std::string refusalOf(const std::string& source);

// The samples of a 16-bit PCM WAV with the 44-byte header sox.exe writes.
class WavSamples {
  public:
    WavSamples(const std::string& path, int channels);
    ~WavSamples();
    WavSamples(const WavSamples&) = delete;
    WavSamples& operator=(const WavSamples&) = delete;

    bool ok() const { return fd_ >= 0; }
    long long frames() const { return frames_; }
    // As FlacReader::read: frames [from, from + count) of the first and last channel; fewer at
    // the end, -1 on an error. Safe to call from several threads at once.
    long read(long long from, long count, std::int32_t* left, std::int32_t* right) const;

  private:
    int fd_ = -1;
    int channels_;
    long long frames_ = 0;
};

}  // namespace lumivox::tools
