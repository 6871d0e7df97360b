#include "web/SitePages.h"

#include "text/SiteLanguages.h"
#include "text/TextFolding.h"
#include "web/FeedbackStore.h"

namespace vorlinda::site::SitePages {
namespace {

// The translation page handles a short text, not a document.
constexpr std::size_t kMaxTextBytes = 600;

constexpr std::string_view kStyle =
    "body{font-family:Verdana,Arial,sans-serif;font-size:13px;color:#1b2a33;"
    "background:#f4f9fb;margin:10px}"
    "h1{font-size:17px;color:#1d5c73;margin:0 0 8px}"
    "td{padding:2px 6px;border-bottom:1px solid #d6e6ec}"
    ".muted{color:#5b6f78;font-size:11px}";

std::string pageHead(std::string_view title, std::string_view extraStyle = {})
{
    std::string head = "<!DOCTYPE html>\n<html lang=\"tr\"><head><meta charset=\"utf-8\">\n<title>";
    head += htmlEscape(title);
    head += "</title>\n<style>";
    head += kStyle;
    head += extraStyle;
    head += "</style></head>\n<body>\n";
    return head;
}

constexpr std::string_view kNoPairDictionary = "Bu dil çifti için sözlüğümüz yok.";

constexpr std::string_view kPageEnd = "</body></html>\n";

std::string languageOptions(std::string_view selected)
{
    std::string out;
    for (const SiteLanguage &language : siteLanguages()) {
        out += "<option value=\"";
        out += language.code;
        out += language.code == selected ? "\" selected>" : "\">";
        out += language.turkishName;
        out += "</option>";
    }
    return out;
}

} // namespace

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string resultPage(const std::vector<TranslationPair> &pairs, std::string_view fromName,
                       std::string_view toName)
{
    std::string page = pageHead("Vorlinda Sözlük");
    page += "<h1>Vorlinda Sözlük</h1>\n<p class=\"muted\">";
    page += htmlEscape(fromName);
    page += " &rarr; ";
    page += htmlEscape(toName);
    page += "</p>\n";
    page += kResultsMarker;
    // Exactly two characters stand between the marker and the first row.
    page += "\r\n";
    std::size_t rowBytes = 0;
    std::size_t rows = 0;
    for (const TranslationPair &pair : pairs) {
        std::string row = "<tr>";
        row += kCellStart;
        row += htmlEscape(pair.source);
        row += "</td>";
        row += kCellStart;
        row += htmlEscape(pair.translation);
        row += "</td></tr>\n";
        if (rows == kMaxRows || rowBytes + row.size() > kRowBudget)
            break;
        rowBytes += row.size();
        ++rows;
        page += row;
    }
    page += "</table>\n";
    if (rows < pairs.size()) {
        // Outside the table, so the program's scan of the cells never meets it.
        page += "<p class=\"muted\">İlk " + std::to_string(rows) + " karşılık gösterildi; " +
                std::to_string(pairs.size() - rows) + " karşılık daha var.</p>\n";
    }
    page += "<p class=\"muted\">Sözlük verileri: FreeDict projesi.</p>\n";
    page += kPageEnd;
    return page;
}

std::string notFoundPage(std::string_view word, std::string_view fromName, std::string_view toName,
                         bool pairServed)
{
    std::string page = pageHead("Vorlinda Sözlük");
    page += "<h1>Vorlinda Sözlük</h1>\n<p><b>";
    page += kNotFoundPhrase;
    page += "</b></p>\n<p>&ldquo;";
    page += htmlEscape(word);
    page += "&rdquo; için ";
    page += htmlEscape(fromName);
    page += " &rarr; ";
    page += htmlEscape(toName);
    page += pairServed
                ? " sözlüğünde bir karşılık bulamadık. Yazımı denetleyip yeniden deneyin.</p>\n"
                : " karşılık bulamadık. " + std::string(kNoPairDictionary) + "</p>\n";
    page += kPageEnd;
    return page;
}

std::string bannerPage(std::string_view productCode)
{
    std::string page = pageHead(
        "Vorlinda Sözlük",
        "html,body{margin:0;padding:0;overflow:hidden;background:#fff}"
        ".b{box-sizing:border-box;width:521px;height:99px;border:1px solid #1d5c73;"
        "background:linear-gradient(100deg,#1d5c73 0,#1d5c73 92px,#e6f3f7 92px,#cfe8f0 100%);"
        "position:relative}"
        ".v{position:absolute;left:18px;top:17px;width:56px;height:56px;border-radius:28px;"
        "background:#f6c244;color:#1d5c73;font:bold 38px Georgia,serif;text-align:center;"
        "line-height:56px}"
        ".n{position:absolute;left:110px;top:14px;font:bold 24px Verdana,sans-serif;color:#1d5c73}"
        ".s{position:absolute;left:111px;top:50px;font:12px Verdana,sans-serif;color:#23404c}"
        ".c{position:absolute;right:8px;bottom:5px;font:9px Verdana,sans-serif;color:#5b6f78}");
    page += "<div class=\"b\"><div class=\"v\">V</div><div class=\"n\">Vorlinda Sözlük</div>\n"
            "<div class=\"s\">Sözcüğü yazın, dilleri seçin, Çewir&rsquo;e basın.<br>"
            "On sekiz dil, tek pencere, hızlı ve yalın.</div>\n<div class=\"c\">";
    page += htmlEscape(productCode);
    page += "</div></div>\n";
    page += kPageEnd;
    return page;
}

std::string translatePage(const Translator &translator, std::string_view fromCode,
                          std::string_view toCode, std::string_view text)
{
    const std::string from = normaliseLanguageCode(fromCode.empty() ? "english" : fromCode);
    const std::string to = normaliseLanguageCode(toCode.empty() ? "turkish" : toCode);
    const std::string input = wordToUtf8(text.substr(0, kMaxTextBytes));

    std::string page =
        pageHead("Vorlinda Çeviri",
                 "html,body{overflow:hidden}body{width:483px;height:413px}"
                 "textarea{width:475px;height:90px;font:13px Verdana,sans-serif}"
                 "select{font:12px Verdana,sans-serif}"
                 ".out{margin-top:8px;height:190px;overflow:auto;background:#fff;border:1px solid "
                 "#bcd6df;padding:6px;line-height:1.5}"
                 ".u{color:#a33;font-style:italic}");
    page += "<h1>Vorlinda Çeviri</h1>\n"
            "<form action=\"/res/cevir\" method=\"get\" accept-charset=\"utf-8\">\n"
            "<select name=\"from\">";
    page += languageOptions(from);
    page += "</select> &rarr; <select name=\"to\">";
    page += languageOptions(to);
    page += "</select> <input type=\"submit\" value=\"Çevir\"><br>\n"
            "<textarea name=\"text\" maxlength=\"500\" placeholder=\"Kısa bir metin yazın\">";
    page += htmlEscape(input);
    page += "</textarea>\n</form>\n";

    if (!trimBlanks(input).empty()) {
        page += "<div class=\"out\">";
        for (const TranslatedPiece &piece : translator.translateText(from, to, input)) {
            if (!piece.word)
                page += htmlEscape(piece.text);
            else if (!piece.translation)
                page += "<span class=\"u\">" + htmlEscape(piece.text) + "</span>";
            else
                page += htmlEscape(*piece.translation);
        }
        page += "</div>\n<p class=\"muted\">Sözcük sözcük çeviri; bulunamayan sözcükler "
                "<span class=\"u\">eğik</span> yazılır.</p>\n";
    } else {
        page += "<p class=\"muted\">Metni yazıp dilleri seçin; her sözcüğün ilk karşılığını "
                "gösteririz.</p>\n";
    }
    if (!translator.serves(from, to))
        page += "<p class=\"muted\">" + std::string(kNoPairDictionary) + "</p>\n";
    page += kPageEnd;
    return page;
}

std::string feedbackPage(FeedbackAnswer answer, std::string_view ref, std::string_view message)
{
    std::string page = pageHead("Vorlinda Sözlük - Görüşleriniz");
    page += "<h1>Görüşleriniz</h1>\n";
    switch (answer) {
    case FeedbackAnswer::Form:
        page += "<p>Vorlinda Sözlük hakkında söylemek istediklerinizi yazın.</p>\n";
        break;
    case FeedbackAnswer::Received:
        page += "<p>Teşekkür ederiz, iletiniz alındı.</p>\n";
        break;
    case FeedbackAnswer::TooLong:
        page += "<p>İletiniz " + std::to_string(FeedbackStore::kMaxCharacters) +
                " karakterden uzun, alınmadı. Kısaltıp yeniden gönderin.</p>\n";
        break;
    case FeedbackAnswer::Full:
        page += "<p>İleti kutumuz doldu; iletiniz alınmadı. Lütfen daha sonra yeniden "
                "deneyin.</p>\n";
        break;
    case FeedbackAnswer::Failed:
        page += "<p>Bir arıza yüzünden iletiniz kaydedilemedi, alınmadı. Lütfen daha sonra "
                "yeniden deneyin.</p>\n";
        break;
    }
    // A message not taken is given back in the form, to be sent again.
    if (answer != FeedbackAnswer::Received) {
        page += "<form action=\"/feedback.asp\" method=\"post\" accept-charset=\"utf-8\">";
        if (!ref.empty())
            page += "<input type=\"hidden\" name=\"ref\" value=\"" + htmlEscape(ref) + "\">";
        page += "<textarea name=\"msg\" rows=\"5\" cols=\"50\" maxlength=\"" +
                std::to_string(FeedbackStore::kMaxCharacters) + "\">";
        page += htmlEscape(message);
        page += "</textarea><br><input type=\"submit\" value=\"Gönder\"></form>\n";
    }
    page += kPageEnd;
    return page;
}

std::string homePage(std::string_view ref)
{
    std::string page = pageHead("Vorlinda Sözlük");
    page += "<h1>Vorlinda Sözlük</h1>\n"
            "<p>Masaüstünde küçük, hızlı bir sözlük: sözcüğü yazın, dilleri seçin, karşılıkları "
            "hemen görün.</p>\n<ul><li><a href=\"/res/cevir.htm\">Metin çevirisi</a></li>"
            "<li><a href=\"/feedback.asp\">Görüşleriniz</a></li></ul>\n";
    if (!trimBlanks(ref).empty()) {
        page += "<p class=\"muted\">Bu sayfaya ";
        page += htmlEscape(ref);
        page += " üzerinden geldiniz.</p>\n";
    }
    page += kPageEnd;
    return page;
}

std::string errorPage(int status, std::string_view reason)
{
    std::string page = pageHead("Vorlinda Sözlük");
    page += "<h1>" + std::to_string(status) + " " + htmlEscape(reason) + "</h1>\n";
    page += kPageEnd;
    return page;
}

} // namespace vorlinda::site::SitePages
