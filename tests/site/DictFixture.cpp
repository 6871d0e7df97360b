#include "DictFixture.h"

#include <zlib.h>

#include <fstream>
#include <random>
#include <stdexcept>

namespace DictFixture {
namespace {

void put16(std::string &out, std::size_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void writeFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

} // namespace

std::string encodeNumber(std::uint64_t value)
{
    static constexpr std::string_view digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do {
        out.insert(out.begin(), digits[value % 64]);
        value /= 64;
    } while (value != 0);
    return out;
}

std::string dictzip(std::string_view text, std::size_t chunkLength)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::vector<std::size_t> sizes;
    std::string data;
    for (std::size_t pos = 0; pos < text.size(); pos += chunkLength) {
        const std::string_view chunk = text.substr(pos, chunkLength);
        const bool last = pos + chunkLength >= text.size();
        std::string out(chunk.size() + 64, '\0');
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(chunk.data()));
        z.avail_in = static_cast<uInt>(chunk.size());
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
        out.resize(out.size() - z.avail_out);
        sizes.push_back(out.size());
        data += out;
    }
    deflateEnd(&z);

    std::string file = "\x1F\x8B\x08";
    file += static_cast<char>(0x04 | 0x08); // extra field and a file name
    put32(file, 0);
    file += '\x02';
    file += '\x03';
    put16(file, 10 + 2 * sizes.size()); // XLEN
    file += "RA";
    put16(file, 6 + 2 * sizes.size());
    put16(file, 1); // version
    put16(file, chunkLength);
    put16(file, sizes.size());
    for (const std::size_t size : sizes)
        put16(file, size);
    file += std::string("fixture.dict\0", 13);
    file += data;
    put32(file, static_cast<std::uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef *>(text.data()), text.size())));
    put32(file, static_cast<std::uint32_t>(text.size()));
    return file;
}

std::string gzip(std::string_view text)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

void writeDictionary(const std::filesystem::path &dir, std::string_view pair,
                     const std::vector<std::pair<std::string, std::string>> &entries)
{
    std::string text = "00-database-info\nA test dictionary.\n";
    std::string index = "00databaseinfo\tA\t" + encodeNumber(text.size()) + "\n";
    for (const auto &[headword, entry] : entries) {
        index +=
            headword + "\t" + encodeNumber(text.size()) + "\t" + encodeNumber(entry.size()) + "\n";
        text += entry;
    }
    const std::string base = "freedict-" + std::string(pair);
    writeFile(dir / (base + ".index"), index);
    writeFile(dir / (base + ".dict.dz"), dictzip(text, 32));
}

std::filesystem::path freshDirectory(std::string_view name)
{
    std::random_device random;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("vorlinda-" + std::string(name) + "-" + std::to_string(random()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace DictFixture
