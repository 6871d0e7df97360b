// The addresses the window builds from the vendor's host, a machine's
// number or a file's path, byte for byte. The fixed pages and links are
// tst_lookup's, as the window shows and opens them.

#include "ui/WindowPages.h"

#include <gtest/gtest.h>

using namespace vorlinda::ui;

namespace {

const QString vendor = QStringLiteral("http://vendor.example:8080");

struct AddressRow
{
    const char *name;
    QString built;
    const char *expected;
};

const AddressRow kAddressRows[] = {
    {"Banner", WindowPages::bannerAddress(vendor, QStringLiteral("305419896")),
     "http://vendor.example:8080/ban.asp?p=vrl12&rnd=305419896"},
    {"TranslationPage", WindowPages::translationPageAddress(vendor),
     "http://vendor.example:8080/res/cevir.htm"},
    {"LoaderImage", WindowPages::loaderImageAddress(vendor),
     "http://vendor.example:8080/res/ajax-loader-vorlinda.gif"},
    {"WaitingPage", WindowPages::waitingPage(vendor),
     "about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen Bekleyiniz..</font>"
     "<br><br><img src=http://vendor.example:8080/res/ajax-loader-vorlinda.gif width=16 "
     "height=16><br></center>"},
    {"ResultFileItsPathEncoded",
     WindowPages::resultPageAddress(QStringLiteral("/home/kuş kanadı/tmp.htm")),
     "file:///home/ku%C5%9F%20kanad%C4%B1/tmp.htm"},
    {"VendorLink", WindowPages::vendorLink(vendor), "http://vendor.example:8080/?ref=vrl_11"},
    {"FeedbackLink", WindowPages::feedbackLink(vendor),
     "http://vendor.example:8080/feedback.asp?ref=vrl10"},
};

class WindowPagesAddress : public testing::TestWithParam<AddressRow>
{};

TEST_P(WindowPagesAddress, HasItsBytes)
{
    EXPECT_EQ(GetParam().built.toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowPagesAddress, testing::ValuesIn(kAddressRows),
                         [](const auto &row) { return std::string(row.param.name); });

} // namespace
