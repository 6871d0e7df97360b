#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// The text of a dictd dictionary: a dictzip file (gzip whose header carries
// a table of independently deflated chunks, so one entry costs one or two
// chunks), a plain gzip file (inflated whole, once, on first use) or an
// uncompressed ".dict".
class DictZipFile
{
public:
    // Throws std::runtime_error for an unreadable file or a broken header.
    static DictZipFile open(const std::filesystem::path &path);
    static DictZipFile fromBytes(std::string bytes);

    DictZipFile(DictZipFile &&other) noexcept;
    DictZipFile &operator=(DictZipFile &&) = delete;

    // The uncompressed bytes [offset, offset + length), cut short at the end
    // of the text. Throws std::runtime_error for corrupt compressed data.
    // Safe to call from several threads.
    std::string read(std::uint64_t offset, std::uint64_t length) const;

    bool hasChunkTable() const { return chunkLength_ != 0; }

private:
    DictZipFile() = default;
    std::string inflateChunk(std::size_t chunk) const;
    const std::string &wholeText() const;

    std::string bytes_;
    bool gzip_ = false;
    std::size_t chunkLength_ = 0;
    // File offsets of the chunks' compressed data; one more than the chunk
    // count, the last one being the end of the last chunk.
    std::vector<std::size_t> chunkStarts_;

    mutable std::once_flag inflatedOnce_;
    mutable std::string inflated_;
};

} // namespace vorlinda::site
