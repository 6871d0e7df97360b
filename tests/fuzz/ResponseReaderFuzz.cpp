// One response read whole and read in pieces must come out the same: the
// same failure, or the same status, fields, body and bytes taken. The first
// byte picks the pieces' lengths; small limits bring the caps within reach.
#include "lookup/core/HttpError.h"
#include "lookup/core/ResponseReader.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <random>
#include <string>

using namespace vorlinda::lookup;

namespace {

struct Outcome
{
    std::string failure; // empty when the response was read
    ResponseHead head;
    std::string body;
    std::size_t taken = 0;
    bool endedByClose = false;
};

Outcome read(std::string_view bytes, unsigned seed)
{
    std::minstd_rand pieces(seed);
    ResponseReader reader({.line = 64, .headerBlock = 512, .body = 1024});
    Outcome out;
    try {
        while (!bytes.empty() && !reader.complete()) {
            const std::size_t n =
                seed == 0 ? bytes.size()
                          : std::min<std::size_t>(bytes.size(), 1 + pieces() % (1 + seed % 61));
            const std::size_t taken = reader.feed(bytes.substr(0, n));
            FUZZ_CHECK(taken == n || (taken < n && reader.complete()));
            out.taken += taken;
            bytes.remove_prefix(n);
        }
        if (!reader.complete())
            reader.finish();
    } catch (const HttpProtocolError &) {
        out.failure = "protocol";
    } catch (const HttpConnectionLost &e) {
        out.failure = e.beforeResponse() ? "lost before" : "lost";
    }
    if (!out.failure.empty()) {
        out.taken = 0; // how far a failed read got depends on the pieces
        return out;
    }
    FUZZ_CHECK(reader.complete());
    out.head = reader.head();
    out.body = reader.takeBody();
    out.endedByClose = reader.endedByClose();
    FUZZ_CHECK(out.body.size() <= 1024);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const Outcome whole = read(bytes, 0);
    const Outcome split = read(bytes, data[0] | 1);
    FUZZ_CHECK(whole.failure == split.failure);
    FUZZ_CHECK(whole.head.status == split.head.status && whole.head.fields == split.head.fields);
    FUZZ_CHECK(whole.body == split.body && whole.taken == split.taken);
    FUZZ_CHECK(whole.endedByClose == split.endedByClose);
    return 0;
}
