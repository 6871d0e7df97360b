#include "dict/BlockCache.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

namespace vorlinda::site {
namespace {

// 4,096 blocks: 16 MiB at most, the hot blocks of the dictionaries a
// lookup through English reads.
constexpr std::size_t kSharedBlocks = 4096;

} // namespace

struct BlockCache::Set
{
    mutable std::mutex mutex;
    std::array<Way, kWays> ways;
    std::uint64_t clock = 0;
};

BlockCache::BlockCache(std::size_t blocks)
    : setCount_(std::max<std::size_t>(1, blocks / kWays)),
      sets_(std::make_unique<Set[]>(setCount_)), bytes_(new char[setCount_ * kWays * kBlock])
{}

BlockCache::~BlockCache() = default;

BlockCache::Set &BlockCache::setOf(Key key) const
{
    std::uint64_t mixed = key.file * 0x9E3779B97F4A7C15ull ^ key.block * 0xC2B2AE3D27D4EB4Full;
    mixed ^= mixed >> 29;
    return sets_[mixed % setCount_];
}

char *BlockCache::bytesOf(const Set &set, std::size_t way) const
{
    return bytes_.get() + ((&set - sets_.get()) * kWays + way) * kBlock;
}

std::size_t BlockCache::copy(Key key, std::size_t within, std::size_t length, char *out,
                             const Read &read)
{
    Set &set = setOf(key);
    const auto taken = [&](std::size_t way) {
        Way &held = set.ways[way];
        held.used = ++set.clock;
        const std::size_t count = within < held.length ? std::min(length, held.length - within) : 0;
        std::memcpy(out, bytesOf(set, way) + within, count);
        return count;
    };
    const auto find = [&]() -> std::size_t {
        for (std::size_t way = 0; way < kWays; ++way)
            if (set.ways[way].file == key.file && set.ways[way].block == key.block)
                return way;
        return kWays;
    };
    {
        const std::lock_guard lock(set.mutex);
        if (const std::size_t way = find(); way < kWays)
            return taken(way);
    }
    // Read without the lock: the set's hits need not wait for the disk.
    char block[kBlock];
    const std::size_t got = read(block);
    const std::lock_guard lock(set.mutex);
    std::size_t way = find(); // read meanwhile by another thread?
    if (way == kWays) {
        way = static_cast<std::size_t>(
            std::min_element(set.ways.begin(), set.ways.end(),
                             [](const Way &a, const Way &b) { return a.used < b.used; }) -
            set.ways.begin());
        set.ways[way] = {key.file, key.block, 0, got};
        std::memcpy(bytesOf(set, way), block, got);
    }
    return taken(way);
}

std::size_t BlockCache::size() const
{
    std::size_t held = 0;
    for (std::size_t i = 0; i < setCount_; ++i) {
        const std::lock_guard lock(sets_[i].mutex);
        held += static_cast<std::size_t>(std::count_if(sets_[i].ways.begin(), sets_[i].ways.end(),
                                                       [](const Way &w) { return w.file != 0; }));
    }
    return held;
}

BlockCache &BlockCache::shared()
{
    static BlockCache cache(kSharedBlocks);
    return cache;
}

std::uint64_t BlockCache::newFileNumber()
{
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

} // namespace vorlinda::site
