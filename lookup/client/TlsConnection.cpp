#include "lookup/client/TlsConnection.h"

#include "lookup/core/HttpError.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <climits>

namespace vorlinda::lookup {

namespace {

// `what`, and OpenSSL's first queued error, if any; the queue is emptied.
std::string openSslError(const std::string &what)
{
    std::string text = what;
    if (const unsigned long code = ERR_get_error()) {
        std::array<char, 256> words;
        ERR_error_string_n(code, words.data(), words.size());
        text += ": ";
        text += words.data();
    }
    ERR_clear_error();
    return text;
}

bool isAddress(const std::string &host)
{
    in6_addr bytes;
    return inet_pton(AF_INET, host.c_str(), &bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), &bytes) == 1;
}

HttpCertificateError certificateError(long result)
{
    using Reason = HttpCertificateError::Reason;
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return {Reason::Expired, "the site's certificate has expired or is not yet valid"};
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return {Reason::WrongName, "the site's certificate is made out to another name"};
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return {Reason::UnknownIssuer, "the site's certificate comes from an unknown issuer"};
    default:
        return {Reason::Other, std::string("the site's certificate failed its check: ") +
                                   X509_verify_cert_error_string(result)};
    }
}

int clampedSize(std::size_t size)
{
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

} // namespace

TlsContext::TlsContext() : ctx_(SSL_CTX_new(TLS_client_method()))
{
    if (!ctx_)
        throw HttpConnectError(openSslError("cannot set up TLS"));
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    // A certificate that fails its check fails the handshake: there is no
    // way past it.
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(ctx_) != 1) {
        SSL_CTX_free(ctx_);
        throw HttpConnectError(openSslError("cannot read the system's certificate authorities"));
    }
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(ctx_);
}

TlsConnection::TlsConnection(std::unique_ptr<SocketConnection> socket, SSL *ssl)
    : socket_(std::move(socket)), ssl_(ssl), in_(BIO_new(BIO_s_mem())), out_(BIO_new(BIO_s_mem()))
{
    SSL_set_bio(ssl_, in_, out_); // owned by ssl_ from here on
}

TlsConnection::~TlsConnection()
{
    SSL_free(ssl_);
}

std::unique_ptr<TlsConnection> TlsConnection::open(std::unique_ptr<SocketConnection> socket,
                                                   const std::string &host,
                                                   const TlsContext &context)
{
    SSL *ssl = SSL_new(context.get());
    if (!ssl)
        throw HttpConnectError(openSslError("cannot set up TLS"));
    std::unique_ptr<TlsConnection> connection(new TlsConnection(std::move(socket), ssl));
    // The certificate must name the host as the address gives it.
    if (isAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        SSL_set1_host(ssl, host.c_str());
    }
    SSL_set_connect_state(ssl);
    for (;;) {
        const int result = SSL_do_handshake(ssl);
        if (result == 1) {
            connection->flush();
            break;
        }
        const int error = SSL_get_error(ssl, result);
        if (error == SSL_ERROR_WANT_READ) {
            connection->flush();
            if (!connection->pull())
                throw HttpConnectError("the site closed the connection during the TLS handshake");
            continue;
        }
        try {
            connection->flush(); // OpenSSL's alert, telling the site why
        } catch (const HttpError &) {
        }
        const long verified = SSL_get_verify_result(ssl);
        if (verified != X509_V_OK) {
            ERR_clear_error();
            throw certificateError(verified);
        }
        throw HttpConnectError(openSslError("the TLS handshake failed"));
    }
    if (SSL_get0_peer_certificate(ssl) == nullptr || SSL_get_verify_result(ssl) != X509_V_OK)
        throw HttpCertificateError(HttpCertificateError::Reason::Other,
                                   "the site showed no certificate that passed its check");
    return connection;
}

void TlsConnection::flush()
{
    const std::size_t pending = BIO_ctrl_pending(out_);
    if (pending == 0)
        return;
    std::string bytes(pending, '\0');
    const int n = BIO_read(out_, bytes.data(), clampedSize(pending));
    socket_->send(std::string_view(bytes).substr(0, static_cast<std::size_t>(std::max(n, 0))));
}

bool TlsConnection::pull()
{
    if (closed_)
        return false;
    std::array<char, std::size_t{17} * 1024> raw; // one TLS record at most
    const std::size_t n = socket_->receive(raw.data(), raw.size());
    if (n == 0) {
        closed_ = true;
        return false;
    }
    BIO_write(in_, raw.data(), static_cast<int>(n));
    return true;
}

void TlsConnection::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const int n = SSL_write(ssl_, bytes.data(), clampedSize(bytes.size()));
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        // Into memory, a write only waits when OpenSSL must first read.
        if (SSL_get_error(ssl_, n) != SSL_ERROR_WANT_READ)
            throw HttpConnectionLost(openSslError("TLS failed while sending"), true);
        flush();
        if (!pull())
            throw HttpConnectionLost("the site closed the connection", true);
    }
    flush();
}

std::size_t TlsConnection::receive(char *buffer, std::size_t size)
{
    for (;;) {
        const int n = SSL_read(ssl_, buffer, clampedSize(size));
        if (n > 0)
            return static_cast<std::size_t>(n);
        const int error = SSL_get_error(ssl_, n);
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0; // the site's TLS close
        if (error != SSL_ERROR_WANT_READ)
            throw HttpConnectionLost(openSslError("TLS failed while receiving"), false);
        flush(); // a key update's answer, say
        // A close without TLS's own ends the answer as a plain close does.
        if (!pull())
            return 0;
    }
}

bool TlsConnection::unusable()
{
    // What arrived while idle is TLS's own (session tickets) or a close;
    // OpenSSL tells which.
    std::array<char, std::size_t{17} * 1024> raw;
    try {
        while (!closed_) {
            const auto n = socket_->receiveNow(raw.data(), raw.size());
            if (!n)
                break;
            if (*n == 0)
                closed_ = true;
            else
                BIO_write(in_, raw.data(), static_cast<int>(*n));
        }
    } catch (const HttpError &) {
        return true;
    }
    char byte = 0;
    const int n = SSL_peek(ssl_, &byte, 1);
    const int error = n > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl_, n);
    ERR_clear_error();
    // Bytes nobody asked for, the site's TLS close, or a broken stream.
    return n > 0 || error != SSL_ERROR_WANT_READ || closed_;
}

} // namespace vorlinda::lookup
