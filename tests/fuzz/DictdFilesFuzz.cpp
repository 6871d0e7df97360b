// A dictd index and its text file, both broken at will: the index's length
// in the first two bytes, its text next, the dictionary file after it. Every
// entry is read; a broken file gives std::runtime_error and nothing else, and
// no read gives more than it asked for. Run with -malloc_limit_mb to see
// that no declared size is trusted for an allocation.
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <stdexcept>
#include <string>

using namespace vorlinda::site;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::string_view bytes(reinterpret_cast<const char *>(data) + 2, size - 2);
    const std::size_t indexLength = std::min<std::size_t>(data[0] | (data[1] << 8), bytes.size());
    const DictdIndex index = DictdIndex::parse(bytes.substr(0, indexLength), data[0] & 1);
    bytes.remove_prefix(indexLength);
    try {
        const DictZipFile file = DictZipFile::fromBytes(std::string(bytes));
        std::size_t reads = 0;
        for (const DictdIndex::Entry &entry : index.entries()) {
            FUZZ_CHECK(!index.find(entry.headword).empty());
            if (++reads > 32)
                break;
            try {
                const std::string text = file.read(entry.offset, entry.length);
                FUZZ_CHECK(text.size() <= entry.length);
                if (!bytes.starts_with("\x1F\x8B") && entry.offset < bytes.size())
                    FUZZ_CHECK(text == bytes.substr(entry.offset, entry.length));
            } catch (const std::runtime_error &) {
            }
        }
    } catch (const std::runtime_error &) {
    }
    return 0;
}
