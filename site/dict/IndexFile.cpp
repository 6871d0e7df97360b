#include "dict/IndexFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <bit>
#include <cstring>
#include <fstream>

namespace vorlinda::site {
namespace {

static_assert(std::endian::native == std::endian::little, "the index is read in place");

constexpr char kMagic[8] = {'V', 'O', 'R', 'L', 'I', 'D', 'X', '\n'};
constexpr std::size_t kHeader = 64;
// More sections than any index has; keeps a damaged count from allocating.
constexpr std::uint32_t kMaxSections = 64;

template <typename T> T readAt(const char *data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <typename T> void append(std::string &out, T value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

IndexFile::~IndexFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::shared_ptr<const IndexFile> IndexFile::open(const std::filesystem::path &path, Kind kind,
                                                 std::uint64_t sourceStamp)
{
    auto file = std::unique_ptr<IndexFile>(new IndexFile);
    file->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    file->number_ = BlockCache::newFileNumber();
    if (file->fd_ < 0)
        throw IndexError(path.string() + ": " + std::strerror(errno));
    struct stat info
    {};
    if (::fstat(file->fd_, &info) != 0)
        throw IndexError(path.string() + ": " + std::strerror(errno));
    file->size_ = static_cast<std::uint64_t>(info.st_size);
    // Lookups read a few records here and there: no read-ahead.
    ::posix_fadvise(file->fd_, 0, 0, POSIX_FADV_RANDOM);
    try {
        return make(std::move(file), kind, sourceStamp);
    } catch (const IndexError &error) {
        throw IndexError(path.string() + ": " + error.what());
    }
}

std::shared_ptr<const IndexFile> IndexFile::fromBytes(std::string bytes, Kind kind,
                                                      std::uint64_t sourceStamp, bool checkHashes)
{
    auto file = std::unique_ptr<IndexFile>(new IndexFile);
    file->owned_ = std::move(bytes);
    file->size_ = file->owned_.size();
    file->checkHashes_ = checkHashes;
    return make(std::move(file), kind, sourceStamp);
}

std::shared_ptr<const IndexFile> IndexFile::make(std::unique_ptr<IndexFile> file, Kind kind,
                                                 std::uint64_t sourceStamp)
{
    const std::uint64_t size = file->size_;
    if (size < kHeader)
        throw IndexError("truncated");
    std::string head(kHeader, '\0');
    file->copy(0, kHeader, head.data());
    const char *data = head.data();
    if (std::memcmp(data, kMagic, sizeof kMagic) != 0)
        throw IndexError("not an index file");
    if (readAt<std::uint32_t>(data + 8) != kVersion)
        throw IndexError("another format version");
    if (readAt<std::uint32_t>(data + 12) != static_cast<std::uint32_t>(kind))
        throw IndexError("another kind of index");
    if (readAt<std::uint64_t>(data + 16) != sourceStamp)
        throw IndexError("built from other dictionary files");
    const std::uint32_t sectionCount = readAt<std::uint32_t>(data + 32);
    const std::uint32_t blockCount = readAt<std::uint32_t>(data + 36);
    const std::uint64_t bodyLength = readAt<std::uint64_t>(data + 40);
    if (sectionCount > kMaxSections)
        throw IndexError("bad section count");
    const std::uint64_t bodyStart = kHeader + 16ull * sectionCount + 8ull * blockCount;
    if (bodyStart > size || size - bodyStart != bodyLength ||
        blockCount != (bodyLength + kBlock - 1) / kBlock)
        throw IndexError("truncated");
    // The section table and the blocks' hashes, read once and kept.
    head.resize(bodyStart);
    file->copy(kHeader, bodyStart - kHeader, head.data() + kHeader);
    data = head.data();
    if (file->checkHashes_ &&
        XXH3_64bits(data + 32, bodyStart - 32) != readAt<std::uint64_t>(data + 24))
        throw IndexError("damaged header");
    file->bodyStart_ = bodyStart;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const Section section{readAt<std::uint64_t>(data + kHeader + 16ull * i),
                              readAt<std::uint64_t>(data + kHeader + 16ull * i + 8)};
        if (section.offset > bodyLength || section.length > bodyLength - section.offset)
            throw IndexError("section out of bounds");
        file->sections_.push_back(section);
    }
    const char *hashes = data + kHeader + 16ull * sectionCount;
    file->blockHashes_.resize(blockCount);
    for (std::uint32_t i = 0; i < blockCount; ++i)
        file->blockHashes_[i] = readAt<std::uint64_t>(hashes + 8ull * i);
    file->checked_ = std::make_unique<std::atomic<bool>[]>(blockCount);
    return file;
}

void IndexFile::copy(std::uint64_t at, std::uint64_t length, char *out) const
{
    if (fd_ < 0) {
        std::memcpy(out, owned_.data() + at, length);
        return;
    }
    while (length > 0) {
        const ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw IndexError("cannot read the index");
        out += got;
        at += static_cast<std::uint64_t>(got);
        length -= static_cast<std::uint64_t>(got);
    }
}

void IndexFile::checkBlock(std::uint64_t block) const
{
    if (!checkHashes_ || checked_[block].load(std::memory_order_acquire))
        return;
    const std::uint64_t start = block * kBlock;
    const std::uint64_t length = std::min<std::uint64_t>(kBlock, size_ - bodyStart_ - start);
    char bytes[kBlock];
    copy(bodyStart_ + start, length, bytes);
    if (XXH3_64bits(bytes, length) != blockHashes_[block])
        throw IndexError("damaged block " + std::to_string(block));
    checked_[block].store(true, std::memory_order_release);
}

void IndexFile::read(std::uint64_t offset, std::uint64_t length, char *out) const
{
    const std::uint64_t bodyLength = size_ - bodyStart_;
    if (offset > bodyLength || length > bodyLength - offset)
        throw IndexError("index read out of bounds");
    if (length == 0)
        return;
    if (fd_ < 0) {
        for (std::uint64_t block = offset / kBlock; block <= (offset + length - 1) / kBlock;
             ++block)
            checkBlock(block);
        copy(bodyStart_ + offset, length, out);
        return;
    }
    // From the file, block by block through the blocks most recently read.
    while (length > 0) {
        const std::uint64_t block = offset / kBlock;
        const std::uint64_t taken =
            BlockCache::shared().copy({number_, block}, offset - block * kBlock, length, out,
                                      [&](char *bytes) { return checkedBlock(block, bytes); });
        if (taken == 0)
            throw IndexError("index read out of bounds");
        out += taken;
        offset += taken;
        length -= taken;
    }
}

std::size_t IndexFile::checkedBlock(std::uint64_t block, char *bytes) const
{
    const std::uint64_t start = block * kBlock;
    const std::uint64_t length = std::min<std::uint64_t>(kBlock, size_ - bodyStart_ - start);
    copy(bodyStart_ + start, length, bytes);
    if (checkHashes_ && XXH3_64bits(bytes, length) != blockHashes_[block])
        throw IndexError("damaged block " + std::to_string(block));
    checked_[block].store(true, std::memory_order_release);
    return length;
}

void IndexFile::checkAll() const
{
    // A mebibyte a read.
    constexpr std::uint64_t kBlocksARead = 256;
    const std::uint64_t bodyLength = size_ - bodyStart_;
    std::string bytes;
    for (std::uint64_t first = 0; first < blockHashes_.size(); first += kBlocksARead) {
        const std::uint64_t start = first * kBlock;
        bytes.resize(std::min(kBlocksARead * kBlock, bodyLength - start));
        copy(bodyStart_ + start, bytes.size(), bytes.data());
        for (std::uint64_t at = 0; at < bytes.size(); at += kBlock) {
            const std::uint64_t block = first + at / kBlock;
            if (checkHashes_ && XXH3_64bits(bytes.data() + at,
                                            std::min<std::uint64_t>(kBlock, bytes.size() - at)) !=
                                    blockHashes_[block])
                throw IndexError("damaged block " + std::to_string(block));
            checked_[block].store(true, std::memory_order_release);
        }
    }
}

IndexFile::Records IndexFile::records(std::uint32_t section, unsigned fields) const
{
    if (section >= sections_.size())
        throw IndexError("missing section " + std::to_string(section));
    const Section &found = sections_[section];
    const std::uint64_t width = 4ull * fields;
    if (fields > kMaxFields || found.length % width != 0 || found.length / width > UINT32_MAX)
        throw IndexError("bad record section " + std::to_string(section));
    Records records;
    records.file_ = this;
    records.start_ = found.offset;
    records.count_ = static_cast<std::uint32_t>(found.length / width);
    records.fields_ = fields;
    return records;
}

IndexFile::Record IndexFile::Records::at(std::uint32_t index) const
{
    if (index >= count_)
        throw IndexError("record out of bounds");
    Record record{};
    file_->read(start_ + (4ull * fields_) * index, 4ull * fields_,
                reinterpret_cast<char *>(record.data()));
    return record;
}

std::string IndexFile::bytes(std::uint32_t section, std::uint32_t offset,
                             std::uint32_t length) const
{
    if (section >= sections_.size())
        throw IndexError("missing section " + std::to_string(section));
    const Section &found = sections_[section];
    if (offset > found.length || length > found.length - offset)
        throw IndexError("string out of bounds");
    std::string text(length, '\0');
    read(found.offset + offset, length, text.data());
    return text;
}

std::uint64_t IndexFile::sourceStamp(const std::vector<std::filesystem::path> &sources)
{
    // Appended piece by piece: GCC 12 at -O3 takes "v" + a temporary for an
    // overlapping copy (a -Wrestrict false positive).
    std::string described = "v";
    described += std::to_string(kVersion);
    for (const std::filesystem::path &source : sources) {
        struct stat info
        {};
        described += '\n';
        described += source.string();
        if (::stat(source.c_str(), &info) == 0) {
            for (const std::string &number :
                 {std::to_string(info.st_size), std::to_string(info.st_mtim.tv_sec),
                  std::to_string(info.st_mtim.tv_nsec)}) {
                described += ' ';
                described += number;
            }
        }
    }
    return XXH3_64bits(described.data(), described.size());
}

std::uint64_t IndexFile::hash(std::string_view text)
{
    return XXH3_64bits(text.data(), text.size());
}

void IndexWriter::add(std::uint32_t section, std::uint32_t value)
{
    append(sections_.at(section), value);
}

std::pair<std::uint32_t, std::uint32_t> IndexWriter::addString(std::uint32_t section,
                                                               std::string_view text)
{
    std::string &pool = sections_.at(section);
    const auto [at, added] =
        pooled_.try_emplace(std::string(text), static_cast<std::uint32_t>(pool.size()));
    if (added) {
        if (pool.size() + text.size() > UINT32_MAX)
            throw std::runtime_error("index string pool over 4 GiB");
        pool += text;
    }
    return {at->second, static_cast<std::uint32_t>(text.size())};
}

std::uint32_t IndexWriter::size(std::uint32_t section, unsigned fields) const
{
    return static_cast<std::uint32_t>(sections_.at(section).size() / (4 * std::size_t{fields}));
}

std::string IndexWriter::bytes(IndexFile::Kind kind, std::uint64_t sourceStamp) const
{
    std::string body;
    std::string table;
    for (const std::string &section : sections_) {
        // Records start on four bytes, for whoever reads the file with a
        // hex dump.
        body.resize((body.size() + 3) / 4 * 4, '\0');
        append<std::uint64_t>(table, body.size());
        append<std::uint64_t>(table, section.size());
        body += section;
    }
    const std::size_t blocks = (body.size() + IndexFile::kBlock - 1) / IndexFile::kBlock;
    for (std::size_t i = 0; i < blocks; ++i)
        append<std::uint64_t>(
            table, XXH3_64bits(body.data() + i * IndexFile::kBlock,
                               std::min(IndexFile::kBlock, body.size() - i * IndexFile::kBlock)));
    std::string tail;
    append<std::uint32_t>(tail, static_cast<std::uint32_t>(sections_.size()));
    append<std::uint32_t>(tail, static_cast<std::uint32_t>(blocks));
    append<std::uint64_t>(tail, body.size());
    tail.resize(32, '\0');
    tail += table;

    std::string file(kMagic, sizeof kMagic);
    append<std::uint32_t>(file, IndexFile::kVersion);
    append<std::uint32_t>(file, static_cast<std::uint32_t>(kind));
    append<std::uint64_t>(file, sourceStamp);
    append<std::uint64_t>(file, XXH3_64bits(tail.data(), tail.size()));
    return file + tail + body;
}

void IndexWriter::write(const std::filesystem::path &path, IndexFile::Kind kind,
                        std::uint64_t sourceStamp) const
{
    std::filesystem::create_directories(path.parent_path());
    const std::filesystem::path partial = path.string() + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        const std::string file = bytes(kind, sourceStamp);
        out.write(file.data(), static_cast<std::streamsize>(file.size()));
        if (!out.flush())
            throw std::runtime_error("cannot write " + partial.string());
    }
    std::filesystem::rename(partial, path);
}

} // namespace vorlinda::site
