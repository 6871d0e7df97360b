#include "lookup/client/HttpClient.h"

#include "lookup/client/SocketConnection.h"
#include "lookup/client/TlsConnection.h"

#include <QAbstractEventDispatcher>

namespace vorlinda::lookup {

HttpClient::HttpClient(Options options, QObject *parent)
    : QObject(parent), options_(std::move(options)),
      session_(options_.host, options_.port, options_.secure)
{}

HttpClient::~HttpClient() = default;

std::string HttpClient::get(const std::string &requestTarget)
{
    // The window is serviced during an exchange, so a second lookup can be
    // asked for before the first is over; the connection serves one at a time.
    if (busy_)
        throw HttpError("an exchange with the site is already under way");
    busy_ = true;
    aborted_ = false;
    struct Idle
    {
        bool &busy;
        ~Idle() { busy = false; }
    } idle{busy_};

    const SocketConnection::Wait wait = [this](const std::function<bool()> &ready,
                                               std::chrono::milliseconds limit) {
        return antiFreeze_->wait(ready, limit, aborted_);
    };
    return session_.get(requestTarget, [&]() -> std::unique_ptr<Connection> {
        auto socket = SocketConnection::open(options_.host, options_.port, options_.connectLimit,
                                             options_.readTimeout, wait);
        if (!options_.secure)
            return socket;
        if (!tls_)
            tls_ = std::make_unique<TlsContext>();
        return TlsConnection::open(std::move(socket), options_.host, *tls_);
    });
}

void HttpClient::abort()
{
    if (!busy_) {
        session_.disconnect();
        return;
    }
    aborted_ = true;
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void HttpClient::setAntiFreeze(const AntiFreeze *antiFreeze)
{
    antiFreeze_ = antiFreeze ? antiFreeze : &ownAntiFreeze_;
}

} // namespace vorlinda::lookup
