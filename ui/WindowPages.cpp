#include "ui/WindowPages.h"

#include <QUrl>

namespace vorlinda::ui {

namespace WindowPages {

namespace {

// Sites named by the captions of the link labels and the welcome page.
const QString zirvazoSite = QStringLiteral("www.zirvazo.com");
const QString karbonetSite = QStringLiteral("www.karbonet.com");
const QString gamesSite = QStringLiteral("www.oyunlar-fikralar.com");

} // namespace

QString bannerAddress(const QString &vendorSite, const QString &machineIdentifier)
{
    return QStringLiteral("%1/ban.asp?p=vrl12&rnd=%2").arg(vendorSite, machineIdentifier);
}

QString translationPageAddress(const QString &vendorSite)
{
    return QStringLiteral("%1/res/cevir.htm").arg(vendorSite);
}

QString loaderImageAddress(const QString &vendorSite)
{
    return QStringLiteral("%1/res/ajax-loader-vorlinda.gif").arg(vendorSite);
}

QString welcomePage()
{
    return QStringLiteral("about:<center><b><font face=verdana size=2>Çevirmek istediğiniz metni "
                          "girerek Çewir butonuna Basınız..</font></b>") +
           QStringLiteral("<br>").repeated(13) +
           QStringLiteral("<a href=http://%1/ target=_blank>Flash oyunlar, Fıkralar</a>")
               .arg(gamesSite) +
           QStringLiteral("<br></center>");
}

QString waitingPage(const QString &vendorSite)
{
    return QStringLiteral("about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen "
                          "Bekleyiniz..</font><br><br><img src=") +
           loaderImageAddress(vendorSite) + QStringLiteral(" width=16 height=16><br></center>");
}

QString notFoundPage()
{
    return QStringLiteral("about:<center><font face=verdana><b>SONUÇ BULUNAMADI</b><br>Arama "
                          "Metnini Değiştirerek tekrar deneyiniz!</font></center>");
}

QString failurePage()
{
    return QStringLiteral("about:<center><font face=verdana><b>BAĞLANTI KURULAMADI</b><br>internet "
                          "bağlantınızın olduğundan emin olunuz!</font></center>");
}

QString resultPageAddress(const QString &resultFile)
{
    return QUrl::fromLocalFile(resultFile).toString(QUrl::FullyEncoded);
}

QString vendorLink(const QString &vendorSite)
{
    return QStringLiteral("%1/?ref=vrl_11").arg(vendorSite);
}

QString feedbackLink(const QString &vendorSite)
{
    return QStringLiteral("%1/feedback.asp?ref=vrl10").arg(vendorSite);
}

QString zirvazoLink()
{
    return QStringLiteral("http://%1/?ref=vrl_11").arg(zirvazoSite);
}

QString karbonetLink()
{
    return QStringLiteral("http://%1/?ref=vrl_12").arg(karbonetSite);
}

} // namespace WindowPages

} // namespace vorlinda::ui
