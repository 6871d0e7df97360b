// The pages and addresses the window loads and opens, byte for byte. Which
// view or label gets which one is tst_lookup's.

#include "ui/WindowPages.h"

#include <gtest/gtest.h>

using namespace vorlinda::ui;

namespace {

const QString vendor = QStringLiteral("http://vendor.example:8080");

TEST(WindowPages, EachPageAndAddressHasItsBytes)
{
    struct Row
    {
        const char *name;
        QString built;
        const char *expected;
    };
    const Row rows[] = {
        {"banner", WindowPages::bannerAddress(vendor, QStringLiteral("305419896")),
         "http://vendor.example:8080/ban.asp?p=vrl12&rnd=305419896"},
        {"translation page", WindowPages::translationPageAddress(vendor),
         "http://vendor.example:8080/res/cevir.htm"},
        {"loader image", WindowPages::loaderImageAddress(vendor),
         "http://vendor.example:8080/res/ajax-loader-vorlinda.gif"},
        {"welcome page", WindowPages::welcomePage(),
         "about:<center><b><font face=verdana size=2>Çevirmek istediğiniz metni girerek Çewir "
         "butonuna Basınız..</font></b><br><br><br><br><br><br><br><br><br><br><br><br><br>"
         "<a href=http://www.oyunlar-fikralar.com/ target=_blank>Flash oyunlar, Fıkralar</a>"
         "<br></center>"},
        {"waiting page", WindowPages::waitingPage(vendor),
         "about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen Bekleyiniz..</font>"
         "<br><br><img src=http://vendor.example:8080/res/ajax-loader-vorlinda.gif width=16 "
         "height=16><br></center>"},
        {"not-found page", WindowPages::notFoundPage(),
         "about:<center><font face=verdana><b>SONUÇ BULUNAMADI</b><br>Arama Metnini "
         "Değiştirerek tekrar deneyiniz!</font></center>"},
        {"failure page", WindowPages::failurePage(),
         "about:<center><font face=verdana><b>BAĞLANTI KURULAMADI</b><br>internet "
         "bağlantınızın olduğundan emin olunuz!</font></center>"},
        {"result file, its path encoded",
         WindowPages::resultPageAddress(QStringLiteral("/home/kuş kanadı/tmp.htm")),
         "file:///home/ku%C5%9F%20kanad%C4%B1/tmp.htm"},
        {"vendor link", WindowPages::vendorLink(vendor), "http://vendor.example:8080/?ref=vrl_11"},
        {"feedback link", WindowPages::feedbackLink(vendor),
         "http://vendor.example:8080/feedback.asp?ref=vrl10"},
        {"Zirvazo link", WindowPages::zirvazoLink(), "http://www.zirvazo.com/?ref=vrl_11"},
        {"Karbonet link", WindowPages::karbonetLink(), "http://www.karbonet.com/?ref=vrl_12"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.built.toStdString(), row.expected);
    }
}

} // namespace
