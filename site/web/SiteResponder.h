#pragma once

#include "text/QueryString.h"
#include "web/FeedbackStore.h"
#include "web/Translator.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::site {

struct SiteResponse
{
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// The error page of `status`, as every refusal of the site is answered,
// whether the responder or the connection refuses.
SiteResponse errorResponse(int status, std::string_view reason);

// Everything the site answers, decided from the request's method, raw
// target, Cookie header and body (a form posted to the feedback page); the
// HTTP server only carries it over the wire.
class SiteResponder
{
public:
    static constexpr std::string_view kSessionCookie = "vorlinda_oturum";

    // Without `feedback`, a message sent is answered as not kept.
    explicit SiteResponder(std::shared_ptr<const Translator> translator,
                           std::shared_ptr<FeedbackStore> feedback = nullptr);

    SiteResponse respond(std::string_view method, std::string_view target,
                         std::string_view cookieHeader, std::string_view body = {}) const;

private:
    SiteResponse dictionary(std::string_view target, std::string_view cookieHeader) const;
    SiteResponse feedback(std::string_view method, const QueryString &query,
                          std::string_view body) const;

    std::shared_ptr<const Translator> translator_;
    std::shared_ptr<FeedbackStore> feedback_;
};

} // namespace vorlinda::site
