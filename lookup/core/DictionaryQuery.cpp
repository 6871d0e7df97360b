#include "lookup/core/DictionaryQuery.h"

#include "lookup/core/LanguageTable.h"

namespace vorlinda::lookup::DictionaryQuery {

namespace {

bool unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

std::string percentEncode(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string requestTarget(int sourcePosition, int targetPosition, std::string_view word)
{
    std::string target = "/index.php?selectFrom=";
    target += percentEncode(LanguageTable::sourceCode(sourcePosition));
    target += "&selectTo=";
    target += percentEncode(LanguageTable::targetCode(targetPosition));
    target += "&txtLang=";
    target += percentEncode(word);
    target += "&submitButton=Search";
    return target;
}

} // namespace vorlinda::lookup::DictionaryQuery
