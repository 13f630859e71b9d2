// Decodes an Ogg Theora file held in memory, frame by frame, through libogg and libtheora's legacy
// decoding interface.
//
// The bytes are not copied beforehand: they are handed to the page synchroniser in chunks of at
// most 8192 bytes as the decoder needs them. Other logical streams of the file (sound, a second
// video) are skipped. Corrupt or truncated data raises std::runtime_error with one of these texts:
//
//     "eof searched, terminate..."                         the data ended before the first page
//                                                          that does not begin a stream
//     "error during ogg_stream_init"
//     "error during ogg_stream_pagein"                     a first page the stream refuses
//     "error during ogg_stream_packetout"                  a hole in the header pages
//     "error during theora_decode_header (corrupt stream)" also a frame over kMaxFrameSize
//     "eof searched. terminate..."                         the data ended inside the headers
//     "error during theora_decode_packetin..."             a frame packet the decoder rejects
//     "error during theora_decode_YUVout..."
//
// Data that ends after the headers is not an error: DecodeNextFrame then reports the end.
#pragma once

#include <ogg/ogg.h>
#include <theora/theora.h>

#include <cstdint>

class TheoraStream {
public:
    // The most bytes handed to the synchroniser at once.
    static constexpr int kChunkSize = 8192;
    // The largest encoded frame accepted, in pixels each way, whatever the picture inside it.
    // The headers may announce up to 1048560 × 1048560, and libtheora allocates its reference
    // frames for whatever they say before the first frame is read, then decodes every frame
    // at that size: a few damaged bytes could take gigabytes, or seconds a frame. This is
    // nearly ten times the area of the largest video the program carries (800 × 608).
    static constexpr int kMaxFrameSize = 2048;

    TheoraStream();
    ~TheoraStream();
    // The decoder keeps the address of `info`, so the object stays where it was made.
    TheoraStream(const TheoraStream&) = delete;
    TheoraStream& operator=(const TheoraStream&) = delete;

    // Reads the three headers of the first Theora stream of the file at `data` (which must outlive
    // the object) and starts its decoder, dropping whatever was open before. Throws
    // std::runtime_error (above); the object is then closed.
    void Open(const uint8_t* data, int size);
    // Starts again from the first byte of the same data: every state is cleared and the headers
    // are read again.
    void Rewind();
    // Drops every libogg and libtheora state; the data is forgotten.
    void Close();
    bool IsOpen() const { return decoderReady_; }

    // Decodes the next frame into `frameBuffer`. False, and `frameBuffer` unchanged, when the data
    // is exhausted. A page missing from the middle of the data only skips the frames it held.
    bool DecodeNextFrame();

    // Hands the next min(8192, dataSize − dataRead) bytes to the synchroniser and returns their
    // count: 0 when the data is exhausted.
    int FeedData();

    // The picture size (`info.frame_width` × `info.frame_height`); 0 × 0 until opened.
    int PictureWidth() const;
    int PictureHeight() const;

    // libogg and libtheora state, in the order the decoding uses it.
    ogg_stream_state streamState;
    ogg_sync_state syncState;
    ogg_page page;
    ogg_packet packet;
    // Header comments, needed only to decode the headers.
    theora_comment comment;
    theora_info info;
    theora_state decoderState;
    // The last decoded frame. Its planes belong to the decoder and stay valid until the next
    // decode, rewind or close.
    yuv_buffer frameBuffer;
    // The whole file in memory (not owned), its length and how much of it the synchroniser has.
    const uint8_t* data = nullptr;
    int dataSize = 0;
    int dataRead = 0;

private:
    // Every libogg and libtheora structure back to all zero bytes, as before InitStates.
    void ZeroStates();
    void InitStates();
    void ReadHeaders();
    // Puts a page that is not a stream's first page into the Theora stream, once it is known.
    void QueuePage();

    bool syncReady_ = false;
    bool headerStatesReady_ = false;
    bool streamReady_ = false;
    bool decoderReady_ = false;
};
