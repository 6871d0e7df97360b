// The loader image, read back by Qt's own GIF reader, shows the frames it was
// drawn from, index 0 see-through, looping for ever.
#include "web/LoaderGif.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace vorlinda::site;

TEST(SiteLoaderGif, ReadsBackAsTheDrawnFramesLoopingForEver)
{
    QByteArray bytes = QByteArray::fromStdString(LoaderGif::bytes());
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    EXPECT_EQ(reader.size(), QSize(16, 16));
    EXPECT_EQ(reader.loopCount(), -1);
    const auto frames = LoaderGif::frames();
    std::size_t read = 0;
    for (QImage image; reader.read(&image) && read < frames.size(); ++read) {
        EXPECT_EQ(reader.nextImageDelay(), 100);
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int i = 0; i < 16 * 16; ++i) {
            const std::uint8_t index = frames[read][i];
            const QRgb pixel = image.pixel(i % 16, i / 16);
            ASSERT_EQ(qAlpha(pixel) == 0 ? 0u : pixel,
                      index == 0 ? 0u : 0xFF000000u | LoaderGif::palette()[index])
                << "frame " << read << " pixel " << i;
        }
    }
    EXPECT_EQ(read, frames.size());
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv); // for the image format plugins
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
