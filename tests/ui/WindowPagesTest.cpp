// The waiting page and the result file's address, byte for byte. The
// banners, links and fixed pages are tst_lookup's, as the window loads and
// opens them.

#include "ui/WindowPages.h"
#include "tests/support/RowName.h"

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
    {"WaitingPage", WindowPages::waitingPage(vendor),
     "about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen Bekleyiniz..</font>"
     "<br><br><img src=http://vendor.example:8080/res/ajax-loader-vorlinda.gif width=16 "
     "height=16><br></center>"},
    {"ResultFileItsPathEncoded",
     WindowPages::resultPageAddress(QStringLiteral("/home/kuş kanadı/tmp.htm")),
     "file:///home/ku%C5%9F%20kanad%C4%B1/tmp.htm"},
};

using WindowPagesAddress = testing::TestWithParam<AddressRow>;

TEST_P(WindowPagesAddress, HasItsBytes)
{
    EXPECT_EQ(GetParam().built.toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowPagesAddress, testing::ValuesIn(kAddressRows), rowName);

} // namespace
