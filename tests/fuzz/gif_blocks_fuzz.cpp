// Any bytes, GIF or not, must walk without a read outside the data (the fuzzer's buffer has
// exactly size bytes), and what the walk reports must hold together: frames in order inside the
// data, as many as the count says, and each one-frame GIF walking back to the same frame.
#include <cstdint>
#include <cstdlib>

#include "core/alarms/gif_blocks.h"

namespace {

using namespace horolux;

bool SameFrame(const GifFrame& a, const GifFrame& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
           a.delay == b.delay && a.disposal == b.disposal && a.plainText == b.plainText &&
           a.end - a.start == b.end - b.start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const GifBytes bytes(data, size);
    for (std::size_t at = 0; at <= size; ++at) {
        const std::size_t length = GifBlockLength(bytes, at);
        if (length > size - at) std::abort();
    }

    const auto screen = ReadGifScreen(bytes);
    if (!screen) {
        if (size >= kGifScreenEnd) std::abort();
        return 0;
    }
    const std::vector<GifFrame> frames = CollectGifFrames(bytes, *screen);
    if (frames.size() != CountGifFrames(bytes, *screen) || frames.size() > kMaxGifFrames)
        std::abort();

    std::size_t previousEnd = screen->firstBlock;
    for (const GifFrame& frame : frames) {
        if (frame.start < previousEnd || frame.start >= frame.end || frame.end > size) std::abort();
        previousEnd = frame.end;

        const std::vector<std::uint8_t> gif = BuildFrameGif(bytes, *screen, frame);
        if (gif.size() != screen->firstBlock + (frame.end - frame.start) + 1) std::abort();
        if (gif.back() != kGifTrailer) std::abort();
        const auto own = ReadGifScreen(gif);
        if (!own || own->firstBlock != screen->firstBlock) std::abort();
        const std::vector<GifFrame> again = CollectGifFrames(gif, *own);
        if (again.size() != 1 || !SameFrame(again[0], frame)) std::abort();
    }
    return 0;
}
