#pragma once

#include <string>

// A certificate authority made for one test with the openssl command, and the
// site certificates it signs, as PEM files in a temporary folder removed with
// it. Point SSL_CERT_FILE at caFile() for the client to trust it.
class TestAuthority
{
public:
    TestAuthority();
    ~TestAuthority();
    TestAuthority(const TestAuthority &) = delete;
    TestAuthority &operator=(const TestAuthority &) = delete;

    std::string caFile() const { return folder_ + "/ca.pem"; }

    struct Issued
    {
        std::string certificateFile; // the site's certificate
        std::string keyFile;         // its private key
    };
    // A site certificate for `name` (a host name, or an IP address), valid
    // from now for `days` (negative: it expired that long ago).
    Issued issue(const std::string &name, int days = 1);

private:
    void run(const std::string &command) const;

    std::string folder_;
    int issued_ = 0;
};
