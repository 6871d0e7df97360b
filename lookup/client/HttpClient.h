#pragma once

#include "lookup/client/AntiFreeze.h"
#include "lookup/core/HttpError.h"
#include "lookup/core/HttpSession.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <string>

namespace vorlinda::lookup {

// Where the dictionary site is and how long to wait for it. (Outside the
// class so that `Options options = {}` can name it while the class is still
// being declared.)
struct HttpClientOptions
{
    std::string host = "localhost";
    quint16 port = 80;
    std::chrono::milliseconds connectLimit{120000}; // name resolution and connecting
    std::chrono::milliseconds readTimeout{60000};   // between two bytes of the response
    bool secure = false; // https: TLS, the certificate checked against the host
};

class TlsContext;

// The program's HTTP client for the dictionary site: one kept-alive
// connection, the cookie store of the run, and waits that keep the window
// serviced.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    using Options = HttpClientOptions;

    explicit HttpClient(Options options = {}, QObject *parent = nullptr);
    ~HttpClient() override;

    // One GET of `requestTarget` ("/index.php?..."); returns the body bytes
    // exactly as received. Blocks its caller while running the event loop, so
    // the window stays serviced. Throws HttpError on every failure, and
    // HttpAborted when abort() was called meanwhile.
    std::string get(const std::string &requestTarget);

    // Abandons an exchange under way (the window is closing); when idle,
    // closes the kept-alive connection.
    void abort();
    bool busy() const { return busy_; }

    // The waits use this anti-freeze's settings from then on; the client
    // has one of its own until it is given one.
    void setAntiFreeze(const AntiFreeze *antiFreeze);

    const HttpSession &session() const { return session_; }

private:
    Options options_;
    HttpSession session_;
    std::unique_ptr<TlsContext> tls_; // made on the first https connection
    AntiFreeze ownAntiFreeze_;
    const AntiFreeze *antiFreeze_ = &ownAntiFreeze_;
    bool busy_ = false;
    bool aborted_ = false;
};

} // namespace vorlinda::lookup
