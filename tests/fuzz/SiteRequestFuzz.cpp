// A request line as the site's server gets it: repaired, its target's query
// decoded and answered from a small dictionary. The target's bytes must also
// come back from the program's own escaping, and reading character
// references never grows a text nor breaks its UTF-8.
#include "lookup/core/DictionaryQuery.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/DictFixture.h"
#include "text/CharacterReferences.h"
#include "text/QueryString.h"
#include "text/RequestLine.h"
#include "text/TextFolding.h"
#include "web/SiteResponder.h"

#include <cstdint>

using namespace vorlinda::lookup;
using namespace vorlinda::site;

namespace {

struct Site
{
    TempDir dir = DictFixture::dictionaries(
        {{"eng-tur", {{"bird", "bird /bɜːd/\n1. kuş\n"}, {"book", "book\nkitap, defter\n"}}},
         {"tur-eng", {{"kuş", "kuş\nbird\n"}, {"ılık", "ılık\nlukewarm\n"}}}});
    SiteResponder responder{std::make_shared<const Translator>(dir)};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Site site;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::string line = repairRequestLine(bytes);
    FUZZ_CHECK(line.ends_with("\r\n"));
    const std::string_view content = std::string_view(line).substr(0, line.size() - 2);
    const std::size_t first = content.find(' '), last = content.rfind(' ');
    if (first != last && content.substr(last + 1).starts_with("HTTP/")) {
        FUZZ_CHECK(content.find(' ', first + 1) == last); // the target holds no blank
        const std::string_view target = content.substr(first + 1, last - first - 1);
        const auto form = QueryString::fromTarget(target, true);
        const auto request = DictionaryRequest::fromTarget(target);
        FUZZ_CHECK(!request || QueryString::fromTarget(target, false));
        const SiteResponse response =
            site.responder.respond(content.substr(0, first), target, "vorlinda_oturum=1");
        FUZZ_CHECK(response.status == 200 || response.status >= 400);
        FUZZ_CHECK(form || response.status >= 400);
    }
    const auto decoded = QueryString::percentDecode(DictionaryQuery::percentEncode(bytes), false);
    FUZZ_CHECK(decoded && *decoded == bytes);

    const std::string referencesRead = decodeCharacterReferences(bytes);
    FUZZ_CHECK(referencesRead.size() <= bytes.size());
    FUZZ_CHECK(bytes.find("&#") != bytes.npos || referencesRead == bytes);
    FUZZ_CHECK(!isValidUtf8(bytes) || isValidUtf8(referencesRead));
    return 0;
}
