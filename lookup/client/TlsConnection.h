#pragma once

#include "lookup/client/SocketConnection.h"
#include "lookup/core/Connection.h"

#include <memory>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace vorlinda::lookup {

// What every https connection of a client shares: OpenSSL's settings and the
// authorities the system trusts (SSL_CERT_FILE and SSL_CERT_DIR, as OpenSSL
// reads them, else the system's store), read when it is made.
class TlsContext
{
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    SSL_CTX *get() const { return ctx_; }

private:
    SSL_CTX *ctx_;
};

// The exchange inside TLS, over a socket connection. OpenSSL works on memory
// buffers only; the bytes go through the socket's own sends and receives, so
// the waits, the time-outs and the window's servicing are the plain ones.
class TlsConnection final : public Connection
{
public:
    // Runs the handshake over `socket` and checks the site's certificate
    // against the authorities and `host`. Throws HttpCertificateError when
    // the certificate fails, HttpConnectError when the handshake does, and
    // what the socket throws (HttpTimeout, HttpAborted).
    static std::unique_ptr<TlsConnection> open(std::unique_ptr<SocketConnection> socket,
                                               const std::string &host, const TlsContext &context);

    ~TlsConnection() override;
    TlsConnection(const TlsConnection &) = delete;
    TlsConnection &operator=(const TlsConnection &) = delete;

    void send(std::string_view bytes) override;
    std::size_t receive(char *buffer, std::size_t size) override;
    bool unusable() override;

private:
    explicit TlsConnection(std::unique_ptr<SocketConnection> socket, SSL *ssl);
    // Sends what OpenSSL has written.
    void flush();
    // Hands OpenSSL the next bytes from the socket; false when the site closed it.
    bool pull();

    std::unique_ptr<SocketConnection> socket_;
    SSL *ssl_;
    BIO *in_;  // the site's bytes, for OpenSSL to read
    BIO *out_; // OpenSSL's bytes, for the site
    bool closed_ = false;
};

} // namespace vorlinda::lookup
