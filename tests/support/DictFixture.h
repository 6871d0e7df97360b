#pragma once

#include "tests/support/TempDir.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Small dictd dictionaries written by the tests themselves.
namespace DictFixture {

inline void put16(std::string &out, std::size_t value)
{
    out += {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

// A dictzip file: a gzip member whose header carries the RA chunk table,
// each chunk deflated on its own and ended with a full flush. No time stamp
// and no trailer: dictd reads neither.
inline std::string dictzip(std::string_view text, std::size_t chunkLength)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string sizes, data;
    for (std::size_t pos = 0; pos < text.size(); pos += chunkLength) {
        std::string out(chunkLength + 64, '\0');
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data() + pos));
        z.avail_in = static_cast<uInt>(std::min(chunkLength, text.size() - pos));
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, pos + chunkLength >= text.size() ? Z_FINISH : Z_FULL_FLUSH);
        put16(sizes, out.size() - z.avail_out);
        data.append(out, 0, out.size() - z.avail_out);
    }
    deflateEnd(&z);
    std::string file("\x1F\x8B\x08\x0C\0\0\0\0\x02\x03", 10); // extra field and name
    put16(file, 10 + sizes.size());
    file += "RA";
    for (const std::size_t value :
         {6 + sizes.size(), std::size_t{1}, chunkLength, sizes.size() / 2})
        put16(file, value);
    return file + sizes + std::string("x.dict\0", 7) + data;
}

// A fresh directory holding "freedict-<pair>.index" and ".dict.dz" (small
// chunks) for each pair, from (headword, entry text) pairs in file order.
using Entries = std::vector<std::pair<std::string, std::string>>;
inline TempDir dictionaries(const std::vector<std::pair<std::string, Entries>> &pairs)
{
    const auto number = [](std::size_t value) { // two of dictd's base64 digits
        constexpr char digits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        return std::string{digits[value / 64 % 64], digits[value % 64]};
    };
    TempDir dir("vorlinda-site-test");
    for (const auto &[pair, entries] : pairs) {
        std::string text, index;
        for (const auto &[headword, entry] : entries) {
            index += headword + "\t" + number(text.size()) + "\t" + number(entry.size()) + "\n";
            text += entry;
        }
        std::ofstream(dir / ("freedict-" + pair + ".index"), std::ios::binary) << index;
        std::ofstream(dir / ("freedict-" + pair + ".dict.dz"), std::ios::binary)
            << dictzip(text, 32);
    }
    return dir;
}

} // namespace DictFixture
