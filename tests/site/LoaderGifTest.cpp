// The loader image, read back by Qt's own GIF reader, shows the frames it was
// drawn from.
#include "LoaderGif.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <set>

using namespace vorlinda::site;

namespace {

struct Read
{
    QSize size;
    int loopCount = 0;
    std::vector<QImage> frames;
    std::vector<int> delays;
};

Read readGif(const std::string &gif)
{
    QByteArray bytes(gif.data(), static_cast<qsizetype>(gif.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    Read read{reader.size(), reader.loopCount(), {}, {}};
    QImage frame;
    while (reader.read(&frame)) {
        read.frames.push_back(frame.convertToFormat(QImage::Format_ARGB32));
        read.delays.push_back(reader.nextImageDelay());
    }
    return read;
}

// The colour each palette index should show; index 0 is see-through.
QRgb shown(std::uint8_t index)
{
    return index == 0 ? 0u : (0xFF000000u | LoaderGif::palette()[index]);
}

void expectFrame(const QImage &image, const LoaderGif::Frame &frame, int width)
{
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const int x = static_cast<int>(i) % width;
        const int y = static_cast<int>(i) / width;
        const QRgb pixel = image.pixel(x, y);
        if (frame[i] == 0)
            EXPECT_EQ(qAlpha(pixel), 0) << x << "," << y;
        else
            EXPECT_EQ(pixel, shown(frame[i])) << x << "," << y;
    }
}

TEST(SiteLoaderGif, ReadsBackAsTheDrawnFrames)
{
    const Read gif = readGif(LoaderGif::bytes());
    EXPECT_EQ(gif.size, QSize(16, 16));
    EXPECT_EQ(gif.loopCount, -1); // for ever
    const auto frames = LoaderGif::frames();
    ASSERT_EQ(gif.frames.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        expectFrame(gif.frames[i], frames[i], LoaderGif::kSize);
        EXPECT_EQ(gif.delays[i], LoaderGif::kFrameDelay * 10);
    }
}

TEST(SiteLoaderGif, FramesDifferSoItMoves)
{
    const auto frames = LoaderGif::frames();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(LoaderGif::kFrameCount));
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_NE(frames[i], frames[i - 1]) << "frame " << i;
    EXPECT_EQ(std::set<std::uint8_t>(frames[0].begin(), frames[0].end()).size(), 4u);
}

TEST(SiteLoaderGif, OddPixelCountsEncodeToo)
{
    const LoaderGif::Frame frame = {1, 2, 3, 0, 1, 2, 3, 3, 2};
    const Read gif = readGif(LoaderGif::encode(3, 3, LoaderGif::palette(), {frame}, 5));
    ASSERT_EQ(gif.frames.size(), 1u);
    expectFrame(gif.frames[0], frame, 3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv); // for the image format plugins
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
