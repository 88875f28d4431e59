#include "tools/flacreader.h"

#include <algorithm>

namespace lumivox::tools {

FlacReader::FlacReader(const std::string& path) : decoder_(FLAC__stream_decoder_new()) {
    if (!decoder_ ||
        FLAC__stream_decoder_init_file(decoder_, path.c_str(), onWrite, onMetadata, onError,
                                       this) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(decoder_)) {
        return;
    }
    ok_ = !failed_ && (channels_ == 1 || channels_ == 2) && bits_ >= 4 && bits_ <= 32 &&
          rate_ > 0 && frames_ > 0;
    shift_ = bits_ <= 16 ? 16 - bits_ : 32 - bits_;
}

FlacReader::~FlacReader() {
    if (decoder_) {
        FLAC__stream_decoder_delete(decoder_);
    }
}

long FlacReader::read(long long from, long count, std::int32_t* left, std::int32_t* right) {
    if (!ok_ || failed_) {
        return -1;
    }
    if (from != pendingStart_ + static_cast<long long>(pendingRead_) || pendingStart_ < 0) {
        pendingLeft_.clear();
        pendingRight_.clear();
        pendingRead_ = 0;
        pendingStart_ = from;
        // libFLAC hands the frame that holds the target from the target sample on.
        if (from >= frames_ ||
            !FLAC__stream_decoder_seek_absolute(decoder_, static_cast<FLAC__uint64>(from))) {
            return from >= frames_ ? 0 : -1;
        }
    }
    while (pendingLeft_.size() - pendingRead_ < static_cast<std::size_t>(count) && !failed_ &&
           FLAC__stream_decoder_get_state(decoder_) != FLAC__STREAM_DECODER_END_OF_STREAM) {
        if (!FLAC__stream_decoder_process_single(decoder_)) {
            failed_ = true;
        }
    }
    if (failed_) {
        return -1;
    }
    const auto n = static_cast<long>(
        std::min(pendingLeft_.size() - pendingRead_, static_cast<std::size_t>(count)));
    const auto begin = pendingRead_;
    std::copy_n(pendingLeft_.begin() + static_cast<long>(begin), n, left);
    std::copy_n(pendingRight_.begin() + static_cast<long>(begin), n, right);
    pendingRead_ += static_cast<std::size_t>(n);
    if (pendingRead_ == pendingLeft_.size()) {
        pendingStart_ += static_cast<long long>(pendingRead_);
        pendingLeft_.clear();
        pendingRight_.clear();
        pendingRead_ = 0;
    }
    return n;
}

FLAC__StreamDecoderWriteStatus FlacReader::onWrite(const FLAC__StreamDecoder*,
                                                   const FLAC__Frame* frame,
                                                   const FLAC__int32* const buffer[], void* self) {
    auto* r = static_cast<FlacReader*>(self);
    const unsigned n = frame->header.blocksize;
    const FLAC__int32* right = buffer[r->channels_ - 1];
    for (unsigned i = 0; i < n; ++i) {
        // Shifted as unsigned: a left shift of a negative number is no arithmetic to rely on.
        r->pendingLeft_.push_back(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer[0][i]) << r->shift_));
        r->pendingRight_.push_back(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(right[i]) << r->shift_));
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacReader::onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                            void* self) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) {
        return;
    }
    auto* r = static_cast<FlacReader*>(self);
    const auto& info = metadata->data.stream_info;
    r->channels_ = static_cast<int>(info.channels);
    r->bits_ = static_cast<int>(info.bits_per_sample);
    r->rate_ = static_cast<long>(info.sample_rate);
    r->frames_ = static_cast<long long>(info.total_samples);
}

void FlacReader::onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
    static_cast<FlacReader*>(self)->failed_ = true;
}

}  // namespace lumivox::tools
