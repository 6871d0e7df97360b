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

SiteResponder::SiteResponder(std::shared_ptr<const Translator> translator,
                             std::shared_ptr<FeedbackStore> feedback)
    : translator_(std::move(translator)), feedback_(std::move(feedback))
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

SiteResponse SiteResponder::feedback(std::string_view method, const QueryString &query,
                                     std::string_view body) const
{
    // The form posts its fields; the program's link and older forms put
    // them in the address.
    std::optional<QueryString> posted;
    if (method == "POST" && !(posted = QueryString::fromTarget("?" + std::string(body), true)))
        return errorResponse(400, "Bad Request");
    const QueryString &fields = posted ? *posted : query;
    const std::string message = wordToUtf8(fields.value("msg").value_or(std::string{}));
    const std::string ref =
        wordToUtf8(fields.value("ref").value_or(query.value("ref").value_or(std::string{})));

    using Answer = SitePages::FeedbackAnswer;
    SiteResponse response;
    Answer answer = Answer::Form;
    if (method != "HEAD" && !trimBlanks(message).empty()) {
        switch (feedback_ ? feedback_->add(message, ref) : FeedbackStore::Outcome::Failed) {
        case FeedbackStore::Outcome::Stored:
            answer = Answer::Received;
            break;
        case FeedbackStore::Outcome::TooLong:
            answer = Answer::TooLong;
            response.status = 413;
            break;
        case FeedbackStore::Outcome::Full:
            answer = Answer::Full;
            response.status = 507;
            break;
        case FeedbackStore::Outcome::Failed:
            answer = Answer::Failed;
            response.status = 500;
            break;
        }
    }
    response.body = SitePages::feedbackPage(answer, ref, answer == Answer::Received ? "" : message);
    return response;
}

SiteResponse SiteResponder::respond(std::string_view method, std::string_view target,
                                    std::string_view cookieHeader, std::string_view body) const
{
    const std::string_view path = target.substr(0, target.find_first_of("?#"));
    if (method != "GET" && method != "HEAD" && (method != "POST" || path != "/feedback.asp"))
        return errorResponse(405, "Method Not Allowed");
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
        return feedback(method, *form, body);
    } else if (path == "/" || path == "/index.htm" || path == "/index.html") {
        response.body = SitePages::homePage(wordToUtf8(field("ref")));
    } else {
        return errorResponse(404, "Not Found");
    }
    return response;
}

} // namespace vorlinda::site
