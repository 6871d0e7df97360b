// The index files' shared block cache: every read gives the file's own
// bytes, however few blocks it holds, and a block held is not read again.
#include "dict/BlockCache.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vorlinda::site::BlockCache;

namespace {

struct Reads
{
    const char *name;
    std::size_t blocks; // the cache's size
    std::vector<BlockCache::Key> asked;
    int reads; // of the file, all asks together
};

using SiteBlockCache = testing::TestWithParam<Reads>;

// A block's bytes tell its file and number; block 9 is a short last one.
std::size_t fill(BlockCache::Key key, char *out)
{
    const std::size_t length = key.block == 9 ? 100 : BlockCache::kBlock;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<char>(key.file * 31 + key.block * 7 + i);
    return length;
}

TEST_P(SiteBlockCache, GivesTheFilesOwnBytes)
{
    BlockCache cache(GetParam().blocks);
    int reads = 0;
    for (const BlockCache::Key key : GetParam().asked) {
        char expected[BlockCache::kBlock];
        const std::size_t length = fill(key, expected);
        std::string got(BlockCache::kBlock, '\0');
        // Past the end of the short block, what it has.
        const std::size_t taken =
            cache.copy(key, 50, BlockCache::kBlock, got.data(), [&](char *out) {
                ++reads;
                return fill(key, out);
            });
        ASSERT_EQ(taken, length - 50) << key.file << ":" << key.block;
        EXPECT_EQ(got.substr(0, taken), std::string(expected + 50, taken))
            << key.file << ":" << key.block;
    }
    EXPECT_EQ(reads, GetParam().reads);
    EXPECT_LE(cache.size(), GetParam().blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteBlockCache,
    testing::Values(Reads{"HeldBlockNotReadAgain", 64, {{1, 0}, {1, 1}, {1, 0}, {1, 1}}, 2},
                    Reads{
                        "SameBlockOfAnotherFileIsItsOwn", 64, {{1, 3}, {2, 3}, {1, 3}, {2, 3}}, 2},
                    Reads{"ShortLastBlock", 64, {{1, 9}, {1, 9}}, 1},
                    // One set of eight: a ninth block drops the least recently used.
                    Reads{"LeastRecentlyUsedGoes",
                          8,
                          {{1, 0},
                           {1, 1},
                           {1, 2},
                           {1, 3},
                           {1, 4},
                           {1, 5},
                           {1, 6},
                           {1, 7},
                           {1, 0},
                           {1, 8},
                           {1, 0},
                           {1, 1}},
                          10}),
    rowName);

} // namespace
