#include "TestAuthority.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("test authority: ") + what);
}

EVP_PKEY *newKey()
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    check(key != nullptr, "no key");
    return key;
}

void addExtension(X509 *certificate, X509 *issuer, int nid, const std::string &value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    check(extension != nullptr, "bad extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509 *newCertificate(EVP_PKEY *key, const std::string &commonName, long serial, long validFrom,
                     long validUntil)
{
    X509 *certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), validFrom);
    X509_gmtime_adj(X509_getm_notAfter(certificate), validUntil);
    X509_set_pubkey(certificate, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char *>(commonName.c_str()), -1, -1,
                               0);
    return certificate;
}

void write(const std::string &path, X509 *certificate, EVP_PKEY *key)
{
    FILE *file = std::fopen(path.c_str(), "w");
    check(file != nullptr, "cannot write a file");
    const bool ok =
        certificate ? PEM_write_X509(file, certificate) == 1
                    : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(file);
    check(ok, "cannot write PEM");
}

} // namespace

struct TestAuthority::Keys
{
    EVP_PKEY *key = nullptr;
    X509 *certificate = nullptr;
    ~Keys()
    {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

TestAuthority::TestAuthority() : keys_(std::make_unique<Keys>())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorlinda-ca-XXXXXX").string();
    check(::mkdtemp(pattern.data()) != nullptr, "no temporary folder");
    folder_ = pattern;
    keys_->key = newKey();
    keys_->certificate = newCertificate(keys_->key, "Vorlinda test authority", 1, -3600, 86400);
    X509_set_issuer_name(keys_->certificate, X509_get_subject_name(keys_->certificate));
    addExtension(keys_->certificate, keys_->certificate, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(keys_->certificate, keys_->certificate, NID_key_usage,
                 "critical,keyCertSign,cRLSign");
    addExtension(keys_->certificate, keys_->certificate, NID_subject_key_identifier, "hash");
    check(X509_sign(keys_->certificate, keys_->key, EVP_sha256()) > 0, "cannot sign");
    write(caFile(), keys_->certificate, nullptr);
}

TestAuthority::~TestAuthority()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TestAuthority::caFile() const
{
    return folder_ + "/ca.pem";
}

TestAuthority::Issued TestAuthority::issue(const std::string &name, long validFrom, long validUntil)
{
    EVP_PKEY *key = newKey();
    X509 *certificate = newCertificate(key, name, 100 + ++issued_, validFrom, validUntil);
    X509_set_issuer_name(certificate, X509_get_subject_name(keys_->certificate));
    in6_addr bytes;
    const bool address = inet_pton(AF_INET, name.c_str(), &bytes) == 1 ||
                         inet_pton(AF_INET6, name.c_str(), &bytes) == 1;
    addExtension(certificate, keys_->certificate, NID_subject_alt_name,
                 (address ? "IP:" : "DNS:") + name);
    addExtension(certificate, keys_->certificate, NID_basic_constraints, "CA:FALSE");
    addExtension(certificate, keys_->certificate, NID_ext_key_usage, "serverAuth");
    addExtension(certificate, keys_->certificate, NID_authority_key_identifier, "keyid:always");
    check(X509_sign(certificate, keys_->key, EVP_sha256()) > 0, "cannot sign");
    const std::string stem = folder_ + "/site" + std::to_string(issued_);
    Issued files{stem + ".pem", stem + ".key"};
    write(files.certificateFile, certificate, nullptr);
    write(files.keyFile, nullptr, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return files;
}
