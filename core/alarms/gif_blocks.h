#pragma once
// The block structure of a GIF file, walked without decoding anything: the logical screen, the
// frames with their delays, positions and disposal methods, and for each frame a standalone
// one-frame GIF that a picture loader can decode on its own. Every read is checked against the
// end of the data, so truncated or garbled files only end the walk early.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace horolux {

using GifBytes = std::span<const std::uint8_t>;

// Header (6 bytes) and logical screen descriptor (7 bytes).
inline constexpr std::size_t kGifScreenEnd = 13;
inline constexpr std::uint8_t kGifTrailer = 0x3B;
// Frames beyond this many are ignored: each decoded frame holds GDI objects, and a process has
// only some ten thousand of them.
inline constexpr std::size_t kMaxGifFrames = 1000;
// The largest side of a picture the control takes: a bogus logical screen of 65535 x 65535
// would otherwise ask for gigabytes of surface.
inline constexpr unsigned kMaxPictureSide = 4096;

enum class GifBlock {
    kApplication,     // 0x21 0xFF
    kComment,         // 0x21 0xFE
    kGraphicControl,  // 0x21 0xF9
    kPlainText,       // 0x21 0x01
    kImage,           // 0x2C
    kTrailer,         // 0x3B
    kUnknown,         // anything else, and the end of the data
};

struct GifScreen {
    unsigned width = 0, height = 0;          // logical screen, pixels
    std::size_t globalColourTableSize = 0;   // bytes; 0 without a global table
    std::size_t firstBlock = kGifScreenEnd;  // offset of the first block after the table
};

struct GifFrame {
    std::size_t start = 0;  // the graphic control extension, or the image when there is none
    std::size_t end = 0;    // one past the image's last data sub-block
    unsigned left = 0, top = 0, width = 0, height = 0;  // from the image descriptor
    int delay = -1;          // hundredths of a second; -1 without a graphic control extension
    int disposal = 0;        // 0 without a graphic control extension
    bool plainText = false;  // a plain text extension in the image's place: no size or position
};

// Whether the data begins with "GIF" (the version is not checked).
bool IsGifSignature(GifBytes data);

// The logical screen; none when the data is too short to hold the descriptor. firstBlock may
// lie past the end of the data, and the walk then finds no frame.
std::optional<GifScreen> ReadGifScreen(GifBytes data);

GifBlock GifBlockAt(GifBytes data, std::size_t offset);

// Bytes of the block at offset, or 0 when it is not recognised or would pass the end of the
// data (a step the walk cannot take).
std::size_t GifBlockLength(GifBytes data, std::size_t offset);

// The next frame at or after offset, moving offset past it; none when a trailer, an
// unrecognised block or a block cut off by the end of the data comes first.
std::optional<GifFrame> TakeGifFrame(GifBytes data, std::size_t& offset);

// Frames the walk finds from the first block, at most kMaxGifFrames.
std::size_t CountGifFrames(GifBytes data, const GifScreen& screen);

// The frames in file order, at most kMaxGifFrames.
std::vector<GifFrame> CollectGifFrames(GifBytes data, const GifScreen& screen);

// A GIF of the one frame: header, logical screen and global colour table of the data, the
// frame's bytes, then the trailer. Its size is firstBlock + (end - start) + 1. The frame must
// come from a walk of the same data.
std::vector<std::uint8_t> BuildFrameGif(GifBytes data, const GifScreen& screen,
                                        const GifFrame& frame);

}  // namespace horolux
