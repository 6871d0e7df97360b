#include "web/LoaderGif.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorlinda::site {
namespace {

constexpr int kMinCodeSize = 2; // four colours
constexpr unsigned kClearCode = 1u << kMinCodeSize;
constexpr unsigned kEndCode = kClearCode + 1;
constexpr int kCodeBits = kMinCodeSize + 1;

void put16(std::string &out, int value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

// Packs codes least significant bit first, as GIF wants.
class BitPacker
{
public:
    void put(unsigned code)
    {
        buffer_ |= code << count_;
        count_ += kCodeBits;
        while (count_ >= 8) {
            bytes_ += static_cast<char>(buffer_ & 0xFF);
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    std::string finish()
    {
        if (count_ > 0)
            bytes_ += static_cast<char>(buffer_ & 0xFF);
        return bytes_;
    }

private:
    std::string bytes_;
    unsigned buffer_ = 0;
    int count_ = 0;
};

std::string imageData(const LoaderGif::Frame &frame)
{
    BitPacker packer;
    // After a clear the decoder adds one table entry per code but the first;
    // two pixels per clear keep the table below eight entries.
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i % 2 == 0)
            packer.put(kClearCode);
        packer.put(frame[i] & 0x03);
    }
    packer.put(kEndCode);
    return packer.finish();
}

} // namespace

LoaderGif::Palette LoaderGif::palette()
{
    return {0xFFFFFF, 0xCFE3EA, 0x6FA6B9, 0x1D5C73};
}

std::vector<LoaderGif::Frame> LoaderGif::frames()
{
    constexpr int kDots = 8;
    constexpr double kRadius = 5.4;
    constexpr double kDotRadius = 1.6;
    const double centre = (kSize - 1) / 2.0;
    std::vector<Frame> frames;
    for (int f = 0; f < kFrameCount; ++f) {
        Frame frame(std::size_t{kSize} * kSize, 0);
        for (int d = 0; d < kDots; ++d) {
            // The head is darkest, the two dots behind it fade, the rest are pale.
            const int behind = (f - d + kDots) % kDots;
            const std::uint8_t shade = behind == 0 ? 3 : behind <= 2 ? 2 : 1;
            const double angle = 2 * std::numbers::pi * d / kDots - std::numbers::pi / 2;
            const double dx = centre + kRadius * std::cos(angle);
            const double dy = centre + kRadius * std::sin(angle);
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    if (std::hypot(x - dx, y - dy) <= kDotRadius)
                        frame[y * kSize + x] = std::max(frame[y * kSize + x], shade);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

std::string LoaderGif::encode(int width, int height, const Palette &palette,
                              const std::vector<Frame> &frames, int delay)
{
    std::string out = "GIF89a";
    put16(out, width);
    put16(out, height);
    // Global colour table present, 8-bit colour resolution, 2^(1+1) entries.
    out += static_cast<char>(0x80 | 0x70 | (kMinCodeSize - 1));
    out += '\0'; // background colour index
    out += '\0'; // square pixels
    for (const std::uint32_t rgb : palette) {
        out += static_cast<char>((rgb >> 16) & 0xFF);
        out += static_cast<char>((rgb >> 8) & 0xFF);
        out += static_cast<char>(rgb & 0xFF);
    }
    // Loop for ever.
    out += "\x21\xFF\x0B"
           "NETSCAPE2.0";
    out += std::string("\x03\x01\x00\x00\x00", 5);

    for (const Frame &frame : frames) {
        // Graphic control: restore to background, colour 0 transparent.
        out += "\x21\xF9\x04";
        out += static_cast<char>((2 << 2) | 0x01);
        put16(out, delay);
        out += std::string("\x00\x00", 2);
        // Image descriptor covering the whole screen, no local colour table.
        out += '\x2C';
        put16(out, 0);
        put16(out, 0);
        put16(out, width);
        put16(out, height);
        out += '\0';
        out += static_cast<char>(kMinCodeSize);
        const std::string data = imageData(frame);
        for (std::size_t pos = 0; pos < data.size(); pos += 255) {
            const std::size_t length = std::min<std::size_t>(255, data.size() - pos);
            out += static_cast<char>(length);
            out.append(data, pos, length);
        }
        out += '\0';
    }
    out += '\x3B';
    return out;
}

const std::string &LoaderGif::bytes()
{
    static const std::string kGif = encode(kSize, kSize, palette(), frames(), kFrameDelay);
    return kGif;
}

} // namespace vorlinda::site
