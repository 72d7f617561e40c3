#include "core/alarms/gif_blocks.h"

namespace horolux {
namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::size_t kGraphicControlLength = 8;
constexpr std::size_t kImageDescriptorLength = 11;  // with the LZW code size byte

unsigned Word(GifBytes data, std::size_t at) {
    return static_cast<unsigned>(data[at]) | static_cast<unsigned>(data[at + 1]) << 8;
}

// 3 * 2^(n+1) bytes when bit 7 of the packed byte is set.
std::size_t ColourTableSize(std::uint8_t packed) {
    return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
}

bool Fits(GifBytes data, std::size_t offset, std::size_t length) {
    return offset <= data.size() && length <= data.size() - offset;
}

// Bytes of the data sub-blocks from start, up to and with the empty terminator; 0 when they
// run past the end.
std::size_t SubBlocksLength(GifBytes data, std::size_t start) {
    std::size_t at = start;
    while (at < data.size()) {
        const std::size_t size = data[at];
        if (!Fits(data, at, size + 1)) return 0;
        at += size + 1;
        if (size == 0) return at - start;
    }
    return 0;
}

// A fixed head followed by data sub-blocks.
std::size_t HeadAndSubBlocks(GifBytes data, std::size_t offset, std::size_t head) {
    if (!Fits(data, offset, head)) return 0;
    const std::size_t tail = SubBlocksLength(data, offset + head);
    return tail ? head + tail : 0;
}

bool IsGraphic(GifBlock kind) {
    return kind == GifBlock::kGraphicControl || kind == GifBlock::kImage ||
           kind == GifBlock::kPlainText;
}

// Reads the image descriptor (or marks a plain text frame) and steps over it.
bool TakeGraphic(GifBytes data, std::size_t& offset, GifFrame& frame) {
    const std::size_t length = GifBlockLength(data, offset);
    if (length == 0) return false;
    if (GifBlockAt(data, offset) == GifBlock::kImage) {
        frame.left = Word(data, offset + 1);
        frame.top = Word(data, offset + 3);
        frame.width = Word(data, offset + 5);
        frame.height = Word(data, offset + 7);
    } else {
        frame.plainText = true;
    }
    offset += length;
    frame.end = offset;
    return true;
}

}  // namespace

bool IsGifSignature(GifBytes data) {
    return data.size() >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

std::optional<GifScreen> ReadGifScreen(GifBytes data) {
    if (data.size() < kGifScreenEnd) return std::nullopt;
    GifScreen screen;
    screen.width = Word(data, 6);
    screen.height = Word(data, 8);
    screen.globalColourTableSize = ColourTableSize(data[10]);
    screen.firstBlock = kGifScreenEnd + screen.globalColourTableSize;
    return screen;
}

GifBlock GifBlockAt(GifBytes data, std::size_t offset) {
    if (offset >= data.size()) return GifBlock::kUnknown;
    switch (data[offset]) {
        case kImageSeparator:
            return GifBlock::kImage;
        case kGifTrailer:
            return GifBlock::kTrailer;
        case kExtension:
            break;
        default:
            return GifBlock::kUnknown;
    }
    if (offset + 1 >= data.size()) return GifBlock::kUnknown;
    switch (data[offset + 1]) {
        case 0xFF:
            return GifBlock::kApplication;
        case 0xFE:
            return GifBlock::kComment;
        case 0xF9:
            return GifBlock::kGraphicControl;
        case 0x01:
            return GifBlock::kPlainText;
        default:
            return GifBlock::kUnknown;
    }
}

std::size_t GifBlockLength(GifBytes data, std::size_t offset) {
    switch (GifBlockAt(data, offset)) {
        case GifBlock::kApplication:
            return HeadAndSubBlocks(data, offset, 14);
        case GifBlock::kComment:
            return HeadAndSubBlocks(data, offset, 2);
        case GifBlock::kGraphicControl:
            return Fits(data, offset, kGraphicControlLength) ? kGraphicControlLength : 0;
        case GifBlock::kPlainText:
            return HeadAndSubBlocks(data, offset, 15);
        case GifBlock::kImage: {
            if (!Fits(data, offset, kImageDescriptorLength)) return 0;
            const std::size_t head = kImageDescriptorLength + ColourTableSize(data[offset + 9]);
            return HeadAndSubBlocks(data, offset, head);
        }
        case GifBlock::kTrailer:
            return 1;
        case GifBlock::kUnknown:
            break;
    }
    return 0;
}

std::optional<GifFrame> TakeGifFrame(GifBytes data, std::size_t& offset) {
    std::size_t at = offset;
    // Extensions that belong to no frame (application, comment) are passed over.
    GifBlock kind = GifBlockAt(data, at);
    while (!IsGraphic(kind)) {
        if (kind == GifBlock::kTrailer || kind == GifBlock::kUnknown) return std::nullopt;
        const std::size_t length = GifBlockLength(data, at);
        if (length == 0) return std::nullopt;
        at += length;
        kind = GifBlockAt(data, at);
    }

    GifFrame frame;
    frame.start = at;
    if (kind == GifBlock::kGraphicControl) {
        if (GifBlockLength(data, at) == 0) return std::nullopt;
        frame.delay = static_cast<int>(Word(data, at + 4));
        frame.disposal = (data[at + 3] >> 2) & 7;
        // Whatever lies between the control extension and its image goes with the frame.
        at += kGraphicControlLength;
        for (kind = GifBlockAt(data, at); kind != GifBlock::kImage && kind != GifBlock::kPlainText;
             kind = GifBlockAt(data, at)) {
            if (kind == GifBlock::kTrailer || kind == GifBlock::kUnknown) return std::nullopt;
            const std::size_t length = GifBlockLength(data, at);
            if (length == 0) return std::nullopt;
            at += length;
        }
    }
    if (!TakeGraphic(data, at, frame)) return std::nullopt;
    offset = at;
    return frame;
}

std::size_t CountGifFrames(GifBytes data, const GifScreen& screen) {
    std::size_t offset = screen.firstBlock;
    std::size_t count = 0;
    while (count < kMaxGifFrames && TakeGifFrame(data, offset)) ++count;
    return count;
}

std::vector<GifFrame> CollectGifFrames(GifBytes data, const GifScreen& screen) {
    std::vector<GifFrame> frames;
    std::size_t offset = screen.firstBlock;
    while (frames.size() < kMaxGifFrames) {
        std::optional<GifFrame> frame = TakeGifFrame(data, offset);
        if (!frame) break;
        frames.push_back(*frame);
    }
    return frames;
}

std::vector<std::uint8_t> BuildFrameGif(GifBytes data, const GifScreen& screen,
                                        const GifFrame& frame) {
    // A frame of other data could point anywhere: nothing is copied from outside the data.
    if (screen.firstBlock > frame.start || frame.start >= frame.end || frame.end > data.size())
        return {};
    std::vector<std::uint8_t> gif;
    gif.reserve(screen.firstBlock + (frame.end - frame.start) + 1);
    gif.insert(gif.end(), data.begin(),
               data.begin() + static_cast<std::ptrdiff_t>(screen.firstBlock));
    gif.insert(gif.end(), data.begin() + static_cast<std::ptrdiff_t>(frame.start),
               data.begin() + static_cast<std::ptrdiff_t>(frame.end));
    gif.push_back(kGifTrailer);
    return gif;
}

}  // namespace horolux
