#include "ExternalBrowser.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ExternalBrowser, TestOpenerSeesTheAddress)
{
    std::vector<QUrl> opened;
    ExternalBrowser::setOpener([&opened](const QUrl &url) { opened.push_back(url); });

    ExternalBrowser::open(QUrl(QStringLiteral("http://localhost/res/cevir.htm")));
    ExternalBrowser::setOpener({});

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), QUrl(QStringLiteral("http://localhost/res/cevir.htm")));
}
