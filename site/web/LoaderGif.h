#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlinda::site {

// The small animated "please wait" image the program shows during a lookup:
// a ring of eight dots with a dark head running round, drawn and encoded
// here rather than shipped as a file.
class LoaderGif
{
public:
    static constexpr int kSize = 16;
    static constexpr int kFrameCount = 8;
    // Hundredths of a second per frame.
    static constexpr int kFrameDelay = 10;

    using Frame = std::vector<std::uint8_t>;      // kSize * kSize palette indices
    using Palette = std::array<std::uint32_t, 4>; // 0xRRGGBB; index 0 is transparent

    static Palette palette();
    static std::vector<Frame> frames();

    // A looping GIF89a of the given frames. The LZW stream restarts its table
    // every two pixels, so no code ever needs more than three bits: larger
    // than a real compressor's output, but tiny at this size and simple to
    // get right.
    static std::string encode(int width, int height, const Palette &palette,
                              const std::vector<Frame> &frames, int delay);

    // encode(kSize, kSize, palette(), frames(), kFrameDelay), built once.
    static const std::string &bytes();
};

} // namespace vorlinda::site
