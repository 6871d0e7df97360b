#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace vorlinda::site {

// The index files' checked blocks most recently read, shared by every file
// up to a fixed number of blocks. A lookup's binary searches and postings
// touch the same few blocks again and again: a read of them is a copy, not
// a system call and a hash of the block each. Set-associative: a block
// may stand in one of kWays places, the least recently used of them goes.
class BlockCache
{
public:
    static constexpr std::size_t kBlock = 4096;
    static constexpr std::size_t kWays = 8;

    // A block of a file: the file's number for the process (never a
    // pointer, which a later file may reuse) and the block's.
    struct Key
    {
        std::uint64_t file = 0;
        std::uint64_t block = 0;
    };
    // Fills a buffer of kBlock bytes with the block, checked; its length.
    using Read = std::function<std::size_t(char *)>;

    explicit BlockCache(std::size_t blocks);
    ~BlockCache();
    BlockCache(const BlockCache &) = delete;
    BlockCache &operator=(const BlockCache &) = delete;

    // Copies `length` bytes from `within` of the block to `out`, reading
    // the block by `read` when it is not held; the bytes the block has, at
    // most `length`.
    std::size_t copy(Key key, std::size_t within, std::size_t length, char *out, const Read &read);
    // How many blocks it holds.
    std::size_t size() const;

    // The one the index files share.
    static BlockCache &shared();
    // A number no other file of the process has, never 0.
    static std::uint64_t newFileNumber();

private:
    struct Way
    {
        std::uint64_t file = 0; // 0: empty
        std::uint64_t block = 0;
        std::uint64_t used = 0;
        std::size_t length = 0;
    };
    struct Set;
    Set &setOf(Key key) const;
    char *bytesOf(const Set &set, std::size_t way) const;

    std::size_t setCount_;
    std::unique_ptr<Set[]> sets_;
    // Touched block by block: memory grows only with the blocks held.
    std::unique_ptr<char[]> bytes_;
};

} // namespace vorlinda::site
