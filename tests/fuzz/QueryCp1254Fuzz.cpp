// The query address from two list positions (the first two bytes) and a
// word (the rest); and Windows-1254 both ways: every byte survives a decode
// and encode, and text the code page holds survives an encode and decode.
#include "lookup/core/DictionaryQuery.h"
#include "platform/Cp1254.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

using namespace vorlinda::lookup;
using namespace vorlinda::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string_view word(reinterpret_cast<const char *>(data) + 2, size - 2);
    const std::string escaped = DictionaryQuery::percentEncode(word);
    FUZZ_CHECK(escaped.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                         "0123456789-._~%") == std::string::npos);
    try {
        const std::string target = DictionaryQuery::requestTarget(
            static_cast<std::int8_t>(data[0]), static_cast<std::int8_t>(data[1]), word);
        FUZZ_CHECK(target.starts_with("/index.php?selectFrom=") &&
                   target.find(escaped) != target.npos);
        FUZZ_CHECK(target.find_first_of(" #\r\n") == std::string::npos);
    } catch (const std::out_of_range &) {
    }

    const QString text = Cp1254::decode(word);
    FUZZ_CHECK(text.size() == static_cast<qsizetype>(word.size()));
    FUZZ_CHECK(Cp1254::encode(text) == word);

    // The same bytes as UTF-16 text: what the code page lacks becomes '?'.
    std::u16string units(word.size() / 2, u'\0');
    std::memcpy(units.data(), word.data(), units.size() * 2);
    const QString unicode(reinterpret_cast<const QChar *>(units.data()),
                          static_cast<qsizetype>(units.size()));
    const std::string bytes = Cp1254::encode(unicode);
    FUZZ_CHECK(bytes.size() <= static_cast<std::size_t>(unicode.size()));
    if (bytes.find('?') == std::string::npos)
        FUZZ_CHECK(Cp1254::decode(bytes) == unicode);
    // As a form field: the same bytes where the code page holds the text.
    const std::string field = Cp1254::encodeFormField(unicode);
    FUZZ_CHECK(bytes.find('?') != std::string::npos || field == bytes);
    FUZZ_CHECK(field.size() >= bytes.size());
    return 0;
}
