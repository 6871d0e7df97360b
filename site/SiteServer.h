#pragma once

#include "SiteResponder.h"

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorlinda::site {

// The site on one listening address: httplib's server with our own
// connection loop (so request lines are repaired first, see
// ConnectionStream), every request answered by SiteResponder and logged as
// one line.
class SiteServer : public httplib::Server
{
public:
    using LogSink = std::function<void(std::string_view line)>;

    SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log);

    // Why binding `address`:`port` fails, in words a user can act on; tries
    // the bind itself to learn the reason.
    static std::string explainBindFailure(const std::string &address, int port);

    // The log line of one exchange; raw bytes of the target are shown as \xNN.
    static std::string logLine(const httplib::Request &request, const httplib::Response &response);

private:
    bool process_and_close_socket(socket_t sock) override;

    std::shared_ptr<const SiteResponder> responder_;
    LogSink log_;
    std::chrono::milliseconds readTimeout_{10000};
    std::chrono::milliseconds writeTimeout_{10000};
};

} // namespace vorlinda::site
