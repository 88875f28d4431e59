#pragma once

#include <FLAC/stream_decoder.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumivox::tools {

// Decodes spans of a FLAC file with libFLAC, in the numbers ffmpeg's FLAC decoder gives: sources
// of up to 16 bits as 16-bit samples, deeper ones left-aligned in 32 bits. Lossless, so any span
// is the very audio ffmpeg would hand on when nothing is resampled or mixed.
class FlacReader {
  public:
    explicit FlacReader(const std::string& path);
    ~FlacReader();
    FlacReader(const FlacReader&) = delete;
    FlacReader& operator=(const FlacReader&) = delete;

    bool ok() const { return ok_; }
    int channels() const { return channels_; }
    int bits() const { return bits_; }
    long sampleRate() const { return rate_; }
    long long frames() const { return frames_; }  // samples per channel

    // Decodes frames [from, from + count) into left and right (the same for mono), each scaled
    // as above. Returns how many frames it gave: fewer at the end of the file, -1 on an error.
    long read(long long from, long count, std::int32_t* left, std::int32_t* right);

  private:
    static FLAC__StreamDecoderWriteStatus onWrite(const FLAC__StreamDecoder*, const FLAC__Frame*,
                                                  const FLAC__int32* const buffer[], void* self);
    static void onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata*, void* self);
    static void onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self);

    FLAC__StreamDecoder* decoder_ = nullptr;
    bool ok_ = false;
    bool failed_ = false;
    int channels_ = 0;
    int bits_ = 0;
    int shift_ = 0;
    long rate_ = 0;
    long long frames_ = 0;
    // Decoded but not yet read: frames from pendingStart_ on, pendingRead_ of them taken.
    std::vector<std::int32_t> pendingLeft_, pendingRight_;
    std::size_t pendingRead_ = 0;
    long long pendingStart_ = -1;
};

}  // namespace lumivox::tools
