#pragma once

#include <memory>
#include <string>

// A certificate authority made for one test, and the site certificates it
// signs, as PEM files in a temporary folder removed with it. Point
// SSL_CERT_FILE at caFile() for the client to trust it.
class TestAuthority
{
public:
    TestAuthority();
    ~TestAuthority();
    TestAuthority(const TestAuthority &) = delete;
    TestAuthority &operator=(const TestAuthority &) = delete;

    std::string caFile() const;

    struct Issued
    {
        std::string certificateFile; // the site's certificate
        std::string keyFile;         // its private key
    };
    // A site certificate for `name` (a host name, or an IP address), valid
    // from `validFrom` to `validUntil` seconds from now.
    Issued issue(const std::string &name, long validFrom = -3600, long validUntil = 86400);

private:
    struct Keys;
    std::unique_ptr<Keys> keys_;
    std::string folder_;
    int issued_ = 0;
};
