// Demultiplexing with libogg, header reading and frame decoding with libtheora's legacy interface.
#include "media/TheoraStream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const char* message) {
    throw std::runtime_error(message);
}

template <class State> void Zero(State& state) {
    std::memset(&state, 0, sizeof state);
}

} // namespace

void TheoraStream::ZeroStates() {
    Zero(streamState);
    Zero(syncState);
    Zero(page);
    Zero(packet);
    Zero(comment);
    Zero(info);
    Zero(decoderState);
    Zero(frameBuffer);
}

TheoraStream::TheoraStream() {
    ZeroStates();
}

TheoraStream::~TheoraStream() {
    Close();
}

void TheoraStream::InitStates() {
    ogg_sync_init(&syncState);
    syncReady_ = true;
    theora_info_init(&info);
    theora_comment_init(&comment);
    headerStatesReady_ = true;
}

void TheoraStream::Close() {
    if (streamReady_)
        ogg_stream_clear(&streamState);
    if (decoderReady_)
        theora_clear(&decoderState);
    if (headerStatesReady_) {
        theora_comment_clear(&comment);
        theora_info_clear(&info);
    }
    if (syncReady_)
        ogg_sync_clear(&syncState);
    streamReady_ = decoderReady_ = headerStatesReady_ = syncReady_ = false;
    ZeroStates();
    data = nullptr;
    dataSize = 0;
    dataRead = 0;
}

void TheoraStream::Open(const uint8_t* newData, int size) {
    Close();
    data = newData;
    dataSize = newData ? std::max(size, 0) : 0;
    Rewind();
}

void TheoraStream::Rewind() {
    const uint8_t* keptData = data;
    const int keptSize = dataSize;
    Close();
    data = keptData;
    dataSize = keptSize;
    InitStates();
    try {
        ReadHeaders();
    } catch (...) {
        Close();
        throw;
    }
}

int TheoraStream::FeedData() {
    const int count = std::min(kChunkSize, dataSize - dataRead);
    if (count <= 0 || !syncReady_)
        return 0;
    char* buffer = ogg_sync_buffer(&syncState, count);
    if (!buffer)
        return 0;
    std::memcpy(buffer, data + dataRead, static_cast<size_t>(count));
    ogg_sync_wrote(&syncState, count);
    dataRead += count;
    return count;
}

void TheoraStream::QueuePage() {
    // Pages of the other logical streams carry another serial number and are refused here.
    if (streamReady_)
        ogg_stream_pagein(&streamState, &page);
}

void TheoraStream::ReadHeaders() {
    int headers = 0;

    // Every logical stream starts with a first page of its own before any stream goes on; the
    // first page holding a Theora identification header picks the stream to decode.
    for (bool searching = true; searching;) {
        if (FeedData() == 0)
            Fail("eof searched, terminate...");
        while (searching) {
            const int found = ogg_sync_pageout(&syncState, &page);
            if (found == 0)
                break;
            if (found < 0)
                continue; // bytes skipped to the next page
            if (!ogg_page_bos(&page)) {
                QueuePage();
                searching = false;
                break;
            }
            ogg_stream_state test;
            if (ogg_stream_init(&test, ogg_page_serialno(&page)) != 0)
                Fail("error during ogg_stream_init");
            if (ogg_stream_pagein(&test, &page) != 0) {
                ogg_stream_clear(&test);
                Fail("error during ogg_stream_pagein");
            }
            const int taken = ogg_stream_packetout(&test, &packet);
            if (taken < 0) {
                ogg_stream_clear(&test);
                Fail("error during ogg_stream_packetout");
            }
            if (!streamReady_ && taken > 0 && theora_decode_header(&info, &comment, &packet) == 0) {
                std::memcpy(&streamState, &test, sizeof test);
                streamReady_ = true;
                headers = 1;
            } else {
                ogg_stream_clear(&test);
            }
        }
    }

    // The comment and setup headers follow in the Theora stream's next packets. A file without
    // a Theora stream reads on to its end.
    while (headers < 3) {
        if (streamReady_) {
            while (headers < 3) {
                const int taken = ogg_stream_packetout(&streamState, &packet);
                if (taken == 0)
                    break;
                if (taken < 0)
                    Fail("error during ogg_stream_packetout");
                if (theora_decode_header(&info, &comment, &packet) != 0)
                    Fail("error during theora_decode_header (corrupt stream)");
                ++headers;
            }
            // No more data is asked for once the headers are complete: a file may end right
            // after them.
            if (headers == 3)
                break;
        }
        const int found = ogg_sync_pageout(&syncState, &page);
        if (found > 0)
            QueuePage();
        else if (found == 0 && FeedData() == 0)
            Fail("eof searched. terminate...");
    }

    // Headers that decode one by one can still describe a stream the decoder cannot set up, or
    // one too large to set up.
    // (`width` × `height` is the encoded frame; the picture lies inside it.)
    if (info.width > static_cast<ogg_uint32_t>(kMaxFrameSize) ||
        info.height > static_cast<ogg_uint32_t>(kMaxFrameSize))
        Fail("error during theora_decode_header (corrupt stream)");
    if (theora_decode_init(&decoderState, &info) != 0)
        Fail("error during theora_decode_header (corrupt stream)");
    decoderReady_ = true;
}

bool TheoraStream::DecodeNextFrame() {
    if (!decoderReady_)
        return false;
    for (;;) {
        const int taken = ogg_stream_packetout(&streamState, &packet);
        if (taken > 0)
            break;
        if (taken < 0)
            continue; // a hole where a page was lost: go on with the next packet
        const int found = ogg_sync_pageout(&syncState, &page);
        if (found > 0)
            QueuePage();
        else if (found == 0 && FeedData() == 0)
            return false;
    }
    if (theora_decode_packetin(&decoderState, &packet) < 0)
        Fail("error during theora_decode_packetin...");
    if (theora_decode_YUVout(&decoderState, &frameBuffer) != 0)
        Fail("error during theora_decode_YUVout...");
    return true;
}

int TheoraStream::PictureWidth() const {
    return decoderReady_ ? static_cast<int>(info.frame_width) : 0;
}

int TheoraStream::PictureHeight() const {
    return decoderReady_ ? static_cast<int>(info.frame_height) : 0;
}
