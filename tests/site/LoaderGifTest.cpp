// The loader image decodes, with a GIF decoder of the test's own, back to
// the frames it was drawn from.
#include "LoaderGif.h"

#include <gtest/gtest.h>

#include <map>

using namespace vorlinda::site;

namespace {

struct Decoded
{
    int width = 0;
    int height = 0;
    bool loops = false;
    std::vector<LoaderGif::Frame> frames;
    std::vector<int> delays;
};

// A plain LZW decoder as GIF defines it: variable code width, clear and end
// codes, table growth to 12 bits.
LoaderGif::Frame decodeLzw(const std::string &data, int minCodeSize)
{
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    const auto reset = [&] {
        table.clear();
        for (unsigned i = 0; i < clear + 2; ++i)
            table.push_back({static_cast<std::uint8_t>(i)});
    };
    reset();
    int width = minCodeSize + 1;
    std::size_t bit = 0;
    LoaderGif::Frame out;
    std::vector<std::uint8_t> previous;
    for (;;) {
        if (bit + width > data.size() * 8)
            throw std::runtime_error("image data cut short");
        unsigned code = 0;
        for (int k = 0; k < width; ++k, ++bit)
            code |= ((static_cast<unsigned char>(data[bit / 8]) >> (bit % 8)) & 1u) << k;
        if (code == clear) {
            reset();
            width = minCodeSize + 1;
            previous.clear();
            continue;
        }
        if (code == end)
            return out;
        std::vector<std::uint8_t> entry;
        if (code < table.size())
            entry = table[code];
        else if (code == table.size() && !previous.empty()) {
            entry = previous;
            entry.push_back(previous.front());
        } else
            throw std::runtime_error("bad LZW code");
        if (!previous.empty()) {
            auto added = previous;
            added.push_back(entry.front());
            table.push_back(added);
            if (table.size() == (1u << width) && width < 12)
                ++width;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        previous = entry;
    }
}

Decoded decodeGif(const std::string &gif)
{
    Decoded d;
    std::size_t pos = 0;
    const auto byte = [&] {
        if (pos >= gif.size())
            throw std::runtime_error("GIF cut short");
        return static_cast<unsigned char>(gif[pos++]);
    };
    const auto word = [&] {
        const unsigned low = byte();
        return static_cast<int>(low | (byte() << 8));
    };
    const auto subBlocks = [&] {
        std::string data;
        while (const unsigned length = byte())
            for (unsigned k = 0; k < length; ++k)
                data += static_cast<char>(byte());
        return data;
    };
    if (gif.substr(0, 6) != "GIF89a")
        throw std::runtime_error("not a GIF89a");
    pos = 6;
    d.width = word();
    d.height = word();
    const unsigned packed = byte();
    pos += 2;
    if (packed & 0x80)
        pos += 3 * (2u << (packed & 0x07));
    int delay = 0;
    for (;;) {
        const unsigned introducer = byte();
        if (introducer == 0x3B)
            return d;
        if (introducer == 0x21) {
            const unsigned label = byte();
            const std::string data = subBlocks();
            if (label == 0xF9 && data.size() == 4)
                delay = static_cast<unsigned char>(data[1]) |
                        (static_cast<unsigned char>(data[2]) << 8);
            if (label == 0xFF && data.starts_with("NETSCAPE2.0"))
                d.loops = true;
        } else if (introducer == 0x2C) {
            pos += 8;
            const unsigned imagePacked = byte();
            if (imagePacked & 0x80)
                pos += 3 * (2u << (imagePacked & 0x07));
            const int minCodeSize = byte();
            d.frames.push_back(decodeLzw(subBlocks(), minCodeSize));
            d.delays.push_back(delay);
        } else {
            throw std::runtime_error("unknown block");
        }
    }
}

TEST(SiteLoaderGif, DecodesBackToItsFrames)
{
    const Decoded gif = decodeGif(LoaderGif::bytes());
    EXPECT_EQ(gif.width, 16);
    EXPECT_EQ(gif.height, 16);
    EXPECT_TRUE(gif.loops);
    EXPECT_EQ(gif.frames, LoaderGif::frames());
    EXPECT_EQ(gif.delays, std::vector<int>(LoaderGif::kFrameCount, LoaderGif::kFrameDelay));
}

TEST(SiteLoaderGif, FramesDifferSoItMoves)
{
    const auto frames = LoaderGif::frames();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(LoaderGif::kFrameCount));
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_NE(frames[i], frames[i - 1]) << "frame " << i;
    std::map<std::uint8_t, int> shades;
    for (const std::uint8_t pixel : frames[0])
        ++shades[pixel];
    EXPECT_EQ(shades.size(), 4u); // background and three shades of dot
}

TEST(SiteLoaderGif, OddPixelCountsEncodeToo)
{
    const LoaderGif::Frame frame = {1, 2, 3, 0, 1, 2, 3, 3, 2};
    const Decoded gif = decodeGif(LoaderGif::encode(3, 3, LoaderGif::palette(), {frame}, 5));
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0], frame);
}

} // namespace
