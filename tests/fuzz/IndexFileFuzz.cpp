// An index file of the site, broken at will. Its hashes are not checked, so
// that damaged sections reach the readers: every read must be refused with
// IndexError or stay within the file, whatever its offsets and counts say.
#include "dict/DictionaryIndex.h"
#include "dict/IndexFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstring>
#include <string>

using namespace vorlinda::site;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 24)
        return 0;
    std::uint64_t stamp = 0; // the file's own, so that the header is read on
    std::memcpy(&stamp, data + 16, sizeof stamp);
    try {
        const auto file =
            IndexFile::fromBytes(std::string(reinterpret_cast<const char *>(data), size),
                                 IndexFile::Kind::Dictionary, stamp, false);
        const DictionaryIndex index(file, data[0] & 1, data[1] & 1);
        for (const char *word : {"a", "ev", "book", "kitap rafı", ""}) {
            for (const DictEntry &entry : index.lookup(word))
                FUZZ_CHECK(entry.headword.size() <= size && entry.translations.size() <= size);
            FUZZ_CHECK(index.find(word, 3).size() <= 3);
            FUZZ_CHECK(index.translationCount(word) <= size);
        }
    } catch (const IndexError &) {
    }
    return 0;
}
