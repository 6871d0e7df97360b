#include "dict/DictZipFile.h"

#include <zlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorlinda::site {
namespace {

constexpr unsigned char kFlagHeaderCrc = 0x02;
constexpr unsigned char kFlagExtra = 0x04;
constexpr unsigned char kFlagName = 0x08;
constexpr unsigned char kFlagComment = 0x10;

unsigned byteAt(const std::string &s, std::size_t i)
{
    if (i >= s.size())
        throw std::runtime_error("dictzip header cut short");
    return static_cast<unsigned char>(s[i]);
}

unsigned littleEndian16(const std::string &s, std::size_t i)
{
    return byteAt(s, i) | (byteAt(s, i + 1) << 8);
}

std::size_t skipZeroTerminated(const std::string &s, std::size_t i)
{
    const std::size_t end = s.find('\0', i);
    if (end == std::string::npos)
        throw std::runtime_error("dictzip header cut short");
    return end + 1;
}

// Inflates `in`; `windowBits` picks raw deflate (-15) or gzip (31).
std::string inflateBytes(std::string_view in, int windowBits, std::size_t expected)
{
    z_stream z{};
    if (inflateInit2(&z, windowBits) != Z_OK)
        throw std::runtime_error("zlib refused to start");
    std::string out;
    out.reserve(expected);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buffer[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        // A dictzip chunk ends with a full flush, not a stream end: running
        // out of input with nothing more to give is the normal finish.
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            rc = Z_STREAM_END;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("corrupt compressed dictionary data");
    return out;
}

} // namespace

DictZipFile::DictZipFile(DictZipFile &&other) noexcept
    : bytes_(std::move(other.bytes_)), gzip_(other.gzip_), chunkLength_(other.chunkLength_),
      chunkStarts_(std::move(other.chunkStarts_))
{}

DictZipFile DictZipFile::open(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return fromBytes(std::move(bytes).str());
}

DictZipFile DictZipFile::fromBytes(std::string bytes)
{
    DictZipFile file;
    file.bytes_ = std::move(bytes);
    const std::string &s = file.bytes_;
    if (s.size() < 10 || byteAt(s, 0) != 0x1F || byteAt(s, 1) != 0x8B)
        return file; // an uncompressed .dict
    if (byteAt(s, 2) != 8)
        throw std::runtime_error("gzip file with an unknown compression method");
    file.gzip_ = true;

    const unsigned flags = byteAt(s, 3);
    std::size_t pos = 10;
    std::size_t chunkLength = 0;
    std::vector<std::size_t> chunkSizes;
    if (flags & kFlagExtra) {
        const std::size_t extraLength = littleEndian16(s, pos);
        std::size_t field = pos + 2;
        const std::size_t extraEnd = field + extraLength;
        while (field + 4 <= extraEnd) {
            const std::size_t fieldLength = littleEndian16(s, field + 2);
            if (byteAt(s, field) == 'R' && byteAt(s, field + 1) == 'A' && fieldLength >= 6) {
                chunkLength = littleEndian16(s, field + 6);
                const std::size_t count = littleEndian16(s, field + 8);
                if (fieldLength < 6 + 2 * count)
                    throw std::runtime_error("dictzip chunk table cut short");
                for (std::size_t k = 0; k < count; ++k)
                    chunkSizes.push_back(littleEndian16(s, field + 10 + 2 * k));
            }
            field += 4 + fieldLength;
        }
        pos = extraEnd;
    }
    if (flags & kFlagName)
        pos = skipZeroTerminated(s, pos);
    if (flags & kFlagComment)
        pos = skipZeroTerminated(s, pos);
    if (flags & kFlagHeaderCrc)
        pos += 2;

    if (chunkLength != 0 && !chunkSizes.empty()) {
        file.chunkLength_ = chunkLength;
        file.chunkStarts_.push_back(pos);
        for (const std::size_t size : chunkSizes)
            file.chunkStarts_.push_back(file.chunkStarts_.back() + size);
        if (file.chunkStarts_.back() > s.size())
            throw std::runtime_error("dictzip chunk table runs past the end of the file");
    }
    return file;
}

std::string DictZipFile::inflateChunk(std::size_t chunk) const
{
    const std::size_t begin = chunkStarts_[chunk];
    const std::size_t end = chunkStarts_[chunk + 1];
    return inflateBytes(std::string_view(bytes_).substr(begin, end - begin), -15, chunkLength_);
}

const std::string &DictZipFile::wholeText() const
{
    std::call_once(inflatedOnce_, [this] { inflated_ = inflateBytes(bytes_, 31, 0); });
    return inflated_;
}

std::string DictZipFile::read(std::uint64_t offset, std::uint64_t length) const
{
    if (!gzip_ || !hasChunkTable()) {
        const std::string &text = gzip_ ? wholeText() : bytes_;
        if (offset >= text.size())
            return {};
        return text.substr(offset, length);
    }
    const std::size_t chunkCount = chunkStarts_.size() - 1;
    std::string out;
    std::uint64_t position = offset;
    const std::uint64_t end = offset + length;
    while (position < end) {
        const std::size_t chunk = position / chunkLength_;
        if (chunk >= chunkCount)
            break;
        const std::string text = inflateChunk(chunk);
        const std::size_t within = position % chunkLength_;
        if (within >= text.size())
            break;
        const std::size_t take = std::min<std::uint64_t>(text.size() - within, end - position);
        out.append(text, within, take);
        position += take;
        if (text.size() < chunkLength_)
            break; // the last chunk
    }
    return out;
}

} // namespace vorlinda::site
