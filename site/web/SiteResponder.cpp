#include "web/SiteResponder.h"

#include "text/CharacterReferences.h"
#include "text/QueryString.h"
#include "text/SiteLanguages.h"
#include "text/TextFolding.h"
#include "web/LoaderGif.h"
#include "web/SitePages.h"

#include <cstdio>
#include <random>

namespace vorlinda::site {
namespace {

std::string newSessionId()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

bool hasSessionCookie(std::string_view cookieHeader)
{
    const std::string wanted = std::string(SiteResponder::kSessionCookie) + "=";
    while (!cookieHeader.empty()) {
        const std::size_t semicolon = cookieHeader.find(';');
        if (trimBlanks(cookieHeader.substr(0, semicolon)).starts_with(wanted))
            return true;
        if (semicolon == std::string_view::npos)
            break;
        cookieHeader.remove_prefix(semicolon + 1);
    }
    return false;
}

std::string_view languageName(std::string_view code)
{
    const SiteLanguage *language = findSiteLanguage(code);
    return language != nullptr ? language->turkishName : std::string_view("?");
}

} // namespace

SiteResponse errorResponse(int status, std::string_view reason)
{
    SiteResponse response;
    response.status = status;
    response.body = SitePages::errorPage(status, reason);
    return response;
}

SiteResponder::SiteResponder(std::shared_ptr<const Translator> translator)
    : translator_(std::move(translator))
{}

SiteResponse SiteResponder::dictionary(std::string_view target, std::string_view cookieHeader) const
{
    const auto request = DictionaryRequest::fromTarget(target);
    if (!request)
        return errorResponse(400, "Bad Request");
    // The program sends a letter Windows-1254 lacks as a character reference.
    const std::string word = decodeCharacterReferences(wordToUtf8(request->word));
    const auto pairs =
        translator_->translate(request->from, request->to, word, SitePages::kMaxPairs);

    SiteResponse response;
    const std::string_view fromName = languageName(request->from);
    const std::string_view toName = languageName(request->to);
    response.body = pairs.empty()
                        ? SitePages::notFoundPage(word, fromName, toName,
                                                  translator_->serves(request->from, request->to))
                        : SitePages::resultPage(pairs, fromName, toName);
    if (!hasSessionCookie(cookieHeader)) {
        response.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" +
                                                        newSessionId() + "; path=/");
    }
    return response;
}

SiteResponse SiteResponder::respond(std::string_view method, std::string_view target,
                                    std::string_view cookieHeader) const
{
    if (method != "GET" && method != "HEAD")
        return errorResponse(405, "Method Not Allowed");
    const std::string_view path = target.substr(0, target.find_first_of("?#"));
    const auto form = QueryString::fromTarget(target, true);
    if (!form)
        return errorResponse(400, "Bad Request");
    const auto field = [&](std::string_view name) {
        return form->value(name).value_or(std::string{});
    };

    if (path == "/index.php")
        return dictionary(target, cookieHeader);
    SiteResponse response;
    if (path == "/ban.asp") {
        response.body = SitePages::bannerPage(field("p"));
    } else if (path == "/res/cevir.htm" || path == "/res/cevir") {
        response.body =
            SitePages::translatePage(*translator_, field("from"), field("to"), field("text"));
    } else if (path == "/res/ajax-loader-vorlinda.gif") {
        response.contentType = "image/gif";
        response.body = LoaderGif::bytes();
        response.headers.emplace_back("Cache-Control", "max-age=86400");
    } else if (path == "/feedback.asp") {
        response.body = SitePages::feedbackPage(wordToUtf8(field("msg")));
    } else if (path == "/" || path == "/index.htm" || path == "/index.html") {
        response.body = SitePages::homePage(wordToUtf8(field("ref")));
    } else {
        return errorResponse(404, "Not Found");
    }
    return response;
}

} // namespace vorlinda::site
