#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::lookup {

// The status line and header fields of a response.
struct ResponseHead
{
    int status = -1; // -1 when the status line has no number in its second field
    std::vector<std::pair<std::string, std::string>> fields;

    // The first value of the field, its name matched without regard to case.
    std::optional<std::string_view> field(std::string_view name) const;
    std::vector<std::string_view> fieldValues(std::string_view name) const;
};

// Reads one response from the bytes of a connection as they arrive: the
// status line (skipping an interim 100), the header block and the body in
// whichever framing the head selects. Nothing here touches a socket.
class ResponseReader
{
public:
    struct Limits
    {
        std::size_t line = 16384;                           // a status, header or chunk-size line
        std::size_t headerBlock = std::size_t{1024} * 1024; // everything before the body
        std::size_t body = std::size_t{16} * 1024 * 1024;
    };

    explicit ResponseReader(Limits limits) : limits_(limits) {}
    ResponseReader() : ResponseReader(Limits{}) {}

    // Takes the next bytes; returns how many belong to this response (the
    // rest, if any, came after its end). Throws HttpProtocolError.
    std::size_t feed(std::string_view bytes);

    // The server closed the connection. Ends a body framed by length or by
    // the close itself; throws HttpConnectionLost when the response is cut
    // short anywhere else.
    void finish();

    bool headComplete() const { return state_ > State::Header; }
    bool complete() const { return state_ == State::Done; }
    // True when the body ran until the server closed; the connection is spent.
    bool endedByClose() const { return endedByClose_; }

    const ResponseHead &head() const { return head_; }
    std::string takeBody() { return std::move(body_); }

private:
    enum class State
    {
        StatusLine,
        Header,
        Length,
        UntilClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailer,
        Done
    };

    std::optional<std::string> takeLine(std::string_view &bytes);
    void headerLine(const std::string &line);
    void startBody();
    void chunkSizeLine(std::string_view line);
    void appendBody(std::string_view bytes);

    Limits limits_;
    State state_ = State::StatusLine;
    ResponseHead head_;
    std::string pending_; // an unfinished line
    std::size_t headBytes_ = 0;
    std::size_t remaining_ = 0; // of the body or of the current chunk
    std::string body_;
    bool endedByClose_ = false;
};

} // namespace vorlinda::lookup
