#pragma once

#include "dict/BlockCache.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorlinda::site {

// A broken, truncated or stale index: the caller logs it and builds it anew.
class IndexError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The site's own binary index files: a header (magic, format version, what
// the file holds, a stamp of the source files it was built from), then
// numbered sections of little-endian fixed-size records or pooled bytes.
// The body is checked in blocks of a page, each against its own XXH3 hash,
// on the first read that touches it, so no byte is used unchecked and a
// lookup reads only the pages it needs. Reads are pread()s of whole blocks
// into a cache of a bounded size that all files share (BlockCache), not a
// mapping: on Linux a mapped read also maps the cached pages around it (64
// KiB, up to 2 MiB where the page cache holds large folios) into the
// process, and the site's memory would grow with every dictionary used. Every offset and count read
// from the file is checked against its section before use; a bad one throws IndexError.
class IndexFile
{
public:
    enum class Kind : std::uint32_t
    {
        Dictionary = 1,
        EnglishFrequency = 2
    };
    static constexpr std::uint32_t kVersion = 5;
    static constexpr std::size_t kBlock = BlockCache::kBlock;

    static constexpr unsigned kMaxFields = 8;
    using Record = std::array<std::uint32_t, kMaxFields>;

    // A section read as records of `fields` 32-bit numbers each.
    class Records
    {
    public:
        std::uint32_t count() const { return count_; }
        // Record `index`, its fields first; throws IndexError past the end.
        Record at(std::uint32_t index) const;

    private:
        friend class IndexFile;
        const IndexFile *file_ = nullptr;
        std::uint64_t start_ = 0;
        std::uint32_t count_ = 0;
        unsigned fields_ = 1;
    };

    // Opens `path` and reads its header. Throws IndexError when it is missing, of another
    // kind or version, built from other sources, or its header is damaged.
    static std::shared_ptr<const IndexFile> open(const std::filesystem::path &path, Kind kind,
                                                 std::uint64_t sourceStamp);
    // The same over bytes in memory (tests, fuzzing); `checkHashes` false
    // skips the hashes so that damaged content reaches the readers.
    static std::shared_ptr<const IndexFile>
    fromBytes(std::string bytes, Kind kind, std::uint64_t sourceStamp, bool checkHashes = true);

    ~IndexFile();
    IndexFile(const IndexFile &) = delete;
    IndexFile &operator=(const IndexFile &) = delete;

    // Checks every block now; throws IndexError at the first damaged one.
    void checkAll() const;

    std::uint32_t sectionCount() const { return static_cast<std::uint32_t>(sections_.size()); }
    // Section `section` as records; throws IndexError when it is missing or
    // its length is no multiple of the record.
    Records records(std::uint32_t section, unsigned fields) const;
    // `length` bytes at `offset` of byte section `section`, checked.
    std::string bytes(std::uint32_t section, std::uint32_t offset, std::uint32_t length) const;

    // A stamp of the files an index is built from: their names, sizes and
    // modification times, so that an updated dictionary makes it stale.
    static std::uint64_t sourceStamp(const std::vector<std::filesystem::path> &sources);
    static std::uint64_t hash(std::string_view text);

private:
    struct Section
    {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };
    IndexFile() = default;
    static std::shared_ptr<const IndexFile> make(std::unique_ptr<IndexFile> file, Kind kind,
                                                 std::uint64_t sourceStamp);
    // The bytes [offset, offset + length) of the body, their blocks
    // checked; throws IndexError past the end or on a hash mismatch.
    void read(std::uint64_t offset, std::uint64_t length, char *out) const;
    void checkBlock(std::uint64_t block) const;
    // Block `block` of the body read whole into `bytes` (kBlock of them)
    // and checked; its length.
    std::size_t checkedBlock(std::uint64_t block, char *bytes) const;
    // The file's bytes [at, at + length), unchecked.
    void copy(std::uint64_t at, std::uint64_t length, char *out) const;

    int fd_ = -1;
    std::uint64_t number_ = 0; // the file's in the shared block cache
    std::string owned_;        // the file, when it is bytes in memory
    std::uint64_t size_ = 0;
    bool checkHashes_ = true;
    std::uint64_t bodyStart_ = 0;
    std::vector<Section> sections_;
    std::vector<std::uint64_t> blockHashes_;
    std::unique_ptr<std::atomic<bool>[]> checked_;
};

// Puts an index file together: sections of numbers and a pool of strings,
// each string stored once.
class IndexWriter
{
public:
    explicit IndexWriter(std::uint32_t sectionCount) : sections_(sectionCount) {}

    void add(std::uint32_t section, std::uint32_t value);
    // Puts `text` in byte section `section` once; its offset and length.
    std::pair<std::uint32_t, std::uint32_t> addString(std::uint32_t section, std::string_view text);
    std::uint32_t size(std::uint32_t section, unsigned fields) const;

    std::string bytes(IndexFile::Kind kind, std::uint64_t sourceStamp) const;
    // Writes beside `path` and renames, so a reader sees the old file or the
    // new one whole. Throws std::runtime_error when it cannot.
    void write(const std::filesystem::path &path, IndexFile::Kind kind,
               std::uint64_t sourceStamp) const;

private:
    std::vector<std::string> sections_;
    // The strings already put, by text; a file has one byte section.
    std::unordered_map<std::string, std::uint32_t> pooled_;
};

} // namespace vorlinda::site
