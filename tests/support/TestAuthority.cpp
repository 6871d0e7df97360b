#include "tests/support/TestAuthority.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

const std::string newKey = "-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";

} // namespace

TestAuthority::TestAuthority()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorlinda-ca-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("test authority: no temporary folder");
    folder_ = pattern;
    run("openssl req -x509 " + newKey +
        " -days 2 -subj '/CN=Vorlinda test authority' -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign -keyout ca.key -out ca.pem");
}

TestAuthority::~TestAuthority()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

TestAuthority::Issued TestAuthority::issue(const std::string &name, int days)
{
    const std::string stem = "site" + std::to_string(++issued_);
    const bool address = name.find_first_not_of("0123456789.:") == std::string::npos;
    std::ofstream(folder_ + "/" + stem + ".ext") << "subjectAltName=" << (address ? "IP:" : "DNS:")
                                                 << name << "\nbasicConstraints=CA:FALSE\n";
    run("openssl req " + newKey + " -subj '/CN=" + name + "' -keyout " + stem + ".key -out " +
        stem + ".csr");
    run("openssl x509 -req -in " + stem + ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -days " +
        std::to_string(days) + " -extfile " + stem + ".ext -out " + stem + ".pem");
    return {folder_ + "/" + stem + ".pem", folder_ + "/" + stem + ".key"};
}

void TestAuthority::run(const std::string &command) const
{
    if (std::system(("cd '" + folder_ + "' && " + command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("test authority: failed: " + command);
}
