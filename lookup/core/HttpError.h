#pragma once

#include <stdexcept>
#include <string>

namespace vorlinda::lookup {

// The failures of one exchange with the dictionary site. The lookup only needs
// to know that it failed; the kinds exist so the client can decide what to
// retry and so tests can tell the failures apart.
class HttpError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// abort() was called while the exchange was under way.
class HttpAborted : public HttpError
{
public:
    HttpAborted() : HttpError("the exchange was abandoned") {}
};

// The host name did not resolve, or no address accepted a connection in time.
class HttpConnectError : public HttpError
{
public:
    using HttpError::HttpError;
};

// The site's certificate failed its check (https): the connection is
// dropped before a byte of the request goes out, and nothing overrides it.
class HttpCertificateError : public HttpConnectError
{
public:
    enum class Reason
    {
        Expired,       // or not yet valid
        WrongName,     // made out to another host name or address
        UnknownIssuer, // no authority the system trusts signed it
        Other          // revoked, damaged, unsuitable: OpenSSL's words
    };
    HttpCertificateError(Reason reason, const std::string &what)
        : HttpConnectError(what), reason_(reason)
    {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// The server closed or reset the connection before the response was complete.
class HttpConnectionLost : public HttpError
{
public:
    HttpConnectionLost(const std::string &what, bool beforeResponse)
        : HttpError(what), beforeResponse_(beforeResponse)
    {}
    // True when not one byte of the response had arrived: on a reused
    // connection the request may be sent again.
    bool beforeResponse() const { return beforeResponse_; }

private:
    bool beforeResponse_ = false;
};

// No byte of the response arrived within the read time-out.
class HttpTimeout : public HttpError
{
public:
    using HttpError::HttpError;
};

// The response broke the protocol or one of our size limits.
class HttpProtocolError : public HttpError
{
public:
    using HttpError::HttpError;
};

// A complete response that does not count as success: a redirect or a status
// other than 2xx.
class HttpStatusError : public HttpError
{
public:
    HttpStatusError(const std::string &what, int status) : HttpError(what), status_(status) {}
    int status() const { return status_; }

private:
    int status_ = -1;
};

} // namespace vorlinda::lookup
