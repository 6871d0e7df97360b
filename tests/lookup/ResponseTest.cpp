#include "HttpError.h"
#include "HttpSession.h"
#include "ScriptedSite.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using End = ScriptedSite::End;

// What one response comes to: the body, or the kind of failure.
enum class Outcome
{
    Body,
    Status,
    Lost,
    Protocol,
    Timeout
};

struct ResponseRow
{
    const char *name;
    std::string response;
    End end;
    Outcome outcome;
    std::string body = {}; // Body: the text; Status: unused
    int status = 0;        // Status: the code the failure carries
    // Builds a huge response when the test runs rather than in every process's start-up.
    std::string (*make)() = nullptr;
};

std::string hugeHeaderBlock()
{
    std::string response = "HTTP/1.1 200 OK\r\n";
    while (response.size() < 1024 * 1024)
        response += "X-Filler: " + std::string(100, 'f') + "\r\n";
    return response + "\r\n";
}

std::string hugeUnframedBody()
{
    return "HTTP/1.1 200 OK\r\n\r\n" + std::string(16777217, 'b');
}

const ResponseRow rows[] = {
    {"contentLength", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", End::StayOpen,
     Outcome::Body, "hello"},
    {"contentLengthCutShortByClose", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello",
     End::Close, Outcome::Body, "hello"},
    {"contentLengthCutShortByReset", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello",
     End::Reset, Outcome::Lost},
    {"chunked",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
     End::StayOpen, Outcome::Body, "hello world"},
    {"chunkedWithExtensionsAndCase",
     "HTTP/1.1 200 OK\r\ntransfer-encoding: gzip, Chunked\r\n\r\n5;name=val\r\nhello\r\nA ; "
     "x\r\n0123456789\r\n0\r\n\r\n",
     End::StayOpen, Outcome::Body, "hello0123456789"},
    {"chunkedTrailerFieldsAreSkipped",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\nX-Sum: 1\r\n\r\n",
     End::StayOpen, Outcome::Body, "ok"},
    {"chunkedClosedMidChunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
     End::Close, Outcome::Lost},
    {"chunkSizeNotHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
     End::StayOpen, Outcome::Protocol},
    {"chunkLongerThanItsSize", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n",
     End::StayOpen, Outcome::Protocol},
    {"lengthOutranksChunked",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabc", End::StayOpen,
     Outcome::Body, "abc"},
    {"untilClose", "HTTP/1.1 200 OK\r\n\r\nall of it", End::Close, Outcome::Body, "all of it"},
    {"lengthNotANumberRunsUntilClose", "HTTP/1.1 200 OK\r\nContent-Length: 5x\r\n\r\nabcdefg",
     End::Close, Outcome::Body, "abcdefg"},
    {"untilCloseEndedByReset", "HTTP/1.1 200 OK\r\n\r\npart", End::Reset, Outcome::Lost},
    {"emptyLengthRunsUntilClose", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\nab", End::Close,
     Outcome::Body, "ab"},
    {"lengthBeyondEighteenDigits", "HTTP/1.1 200 OK\r\nContent-Length: 1234567890123456789\r\n\r\n",
     End::StayOpen, Outcome::Protocol},
    {"zeroLengthNeedsNoClose", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", End::StayOpen,
     Outcome::Body, ""},
    {"bareLineFeeds", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", End::StayOpen, Outcome::Body,
     "ok"},
    {"continueThenOk",
     "HTTP/1.1 100 Continue\r\nX-A: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
     End::StayOpen, Outcome::Body, "ok"},
    {"noContent", "HTTP/1.1 204 No Content\r\n\r\n", End::StayOpen, Outcome::Body, ""},
    {"found", "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n",
     End::StayOpen, Outcome::Status, "", 302},
    {"redirectWithoutLocation", "HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n", End::StayOpen,
     Outcome::Status, "", 301},
    {"okWithLocation", "HTTP/1.1 200 OK\r\nlocation: /x\r\nContent-Length: 2\r\n\r\nok",
     End::StayOpen, Outcome::Status, "", 200},
    {"notModifiedHasNoBody", "HTTP/1.1 304 Not Modified\r\n\r\n", End::StayOpen, Outcome::Status,
     "", 304},
    {"notFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope", End::StayOpen,
     Outcome::Status, "", 404},
    {"authNeeded", "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n", End::StayOpen,
     Outcome::Status, "", 401},
    {"otherInterimStatus", "HTTP/1.1 101 Switching\r\n\r\n", End::StayOpen, Outcome::Status, "",
     101},
    {"statusWithoutNumber", "HTTP/1.1 OK\r\nContent-Length: 0\r\n\r\n", End::StayOpen,
     Outcome::Status, "", -1},
    {"headerLineAtTheLimit",
     "HTTP/1.1 200 OK\r\nX: " + std::string(16381, 'a') + "\r\nContent-Length: 2\r\n\r\nok",
     End::StayOpen, Outcome::Body, "ok"},
    {"headerLineOverTheLimit", "HTTP/1.1 200 OK\r\nX: " + std::string(16382, 'a') + "\r\n\r\n",
     End::StayOpen, Outcome::Protocol},
    {"statusLineOverTheLimitWithoutEnd", "HTTP/1.1 200 " + std::string(20000, 'a'), End::StayOpen,
     Outcome::Protocol},
    {"chunkSizeLineOverTheLimit",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(16383, 'e') + "\r\n",
     End::StayOpen, Outcome::Protocol},
    {"headerBlockOverOneMebibyte", "", End::StayOpen, Outcome::Protocol, "", 0, hugeHeaderBlock},
    {"lengthOverSixteenMebibytes", "HTTP/1.1 200 OK\r\nContent-Length: 16777217\r\n\r\n",
     End::StayOpen, Outcome::Protocol},
    {"chunkOverSixteenMebibytes",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFFFF\r\n",
     End::StayOpen, Outcome::Protocol},
    {"untilCloseOverSixteenMebibytes", "", End::Close, Outcome::Protocol, "", 0, hugeUnframedBody},
    {"closedInTheHeaders", "HTTP/1.1 200 OK\r\nContent-Le", End::Close, Outcome::Lost},
    {"resetInTheHeaders", "HTTP/1.1 200 OK\r\nContent-Le", End::Reset, Outcome::Lost},
    {"silentServer", "", End::StayOpen, Outcome::Timeout},
};

// Each row runs with the reply handed over whole and one byte at a time.
void PrintTo(const ResponseRow &row, std::ostream *os)
{
    *os << row.name;
}

class ExchangeResponseTest : public testing::TestWithParam<std::tuple<ResponseRow, std::size_t>>
{};

TEST_P(ExchangeResponseTest, GivesTheBodyOrFails)
{
    const auto &[row, piece] = GetParam();
    const std::string response = row.make ? row.make() : row.response;
    ScriptedSite site;
    // A huge reply a byte at a time would take long; small pieces still split every line.
    site.piece = piece == 1 && response.size() > 100000 ? 4093 : piece;
    site.scripts = {{{{response, row.end}}}};
    HttpSession session("localhost", 80);
    try {
        const std::string body = session.get("/index.php", site.connector());
        EXPECT_EQ(row.outcome, Outcome::Body);
        EXPECT_EQ(body, row.body);
    } catch (const HttpStatusError &e) {
        EXPECT_EQ(row.outcome, Outcome::Status) << e.what();
        EXPECT_EQ(e.status(), row.status);
    } catch (const HttpConnectionLost &e) {
        EXPECT_EQ(row.outcome, Outcome::Lost) << e.what();
    } catch (const HttpProtocolError &e) {
        EXPECT_EQ(row.outcome, Outcome::Protocol) << e.what();
    } catch (const HttpTimeout &e) {
        EXPECT_EQ(row.outcome, Outcome::Timeout) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeResponseTest,
                         testing::Combine(testing::ValuesIn(rows), testing::Values(65536, 1)),
                         [](const auto &rowInfo) {
                             std::string name = std::get<0>(rowInfo.param).name;
                             std::erase(name, ' ');
                             return name + (std::get<1>(rowInfo.param) == 1 ? "_byteByByte" : "");
                         });

} // namespace
