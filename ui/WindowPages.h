#pragma once

#include <QString>

namespace vorlinda::ui {

// The pages the window's views load and the addresses its link labels open.
// Each is built from its arguments alone; the window supplies the vendor's
// site ("http://host[:port]" or "https://..."), the machine and the result file.
namespace WindowPages {

// The vendor's banner, in both banner panes; it opens the translate button.
QString bannerAddress(const QString &vendorSite, const QString &machineIdentifier);
// The translation tab's page.
QString translationPageAddress(const QString &vendorSite);
// The spinning image on the waiting page.
QString loaderImageAddress(const QString &vendorSite);

// The result view, before the first lookup.
QString welcomePage();
// The result view while the site keeps a lookup waiting.
QString waitingPage(const QString &vendorSite);
// The result view when the site has no translation for the word.
QString notFoundPage();
// The result view when the site cannot be reached.
QString failurePage();
// The result view on the page a lookup wrote to `resultFile`.
QString resultPageAddress(const QString &resultFile);

// The link labels' addresses, opened in the user's browser.
QString vendorLink(const QString &vendorSite);   // Label4
QString feedbackLink(const QString &vendorSite); // Label5
QString zirvazoLink();                           // Label6
QString karbonetLink();                          // Label7

} // namespace WindowPages

} // namespace vorlinda::ui
