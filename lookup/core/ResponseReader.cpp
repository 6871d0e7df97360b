#include "lookup/core/ResponseReader.h"

#include "lookup/core/HttpError.h"
#include "lookup/core/TextRules.h"

#include <algorithm>

namespace vorlinda::lookup {

namespace {

using TextRules::containsNoCase;
using TextRules::equalsNoCase;
using TextRules::trimBlanks;

// A non-empty run of decimal digits and nothing else, not beyond 18 digits.
std::optional<std::size_t> wholeNumber(std::string_view s)
{
    if (s.empty() || s.size() > 18 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::size_t n = 0;
    for (const char c : s)
        n = n * 10 + static_cast<std::size_t>(c - '0');
    return n;
}

int statusOf(std::string_view line)
{
    // The second blank-separated field.
    const auto first = line.find(' ');
    if (first == std::string_view::npos)
        return -1;
    std::string_view rest = line.substr(first);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const auto code = wholeNumber(rest.substr(0, rest.find(' ')));
    if (!code || *code > 999)
        return -1;
    return static_cast<int>(*code);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string_view> ResponseHead::field(std::string_view name) const
{
    for (const auto &[fieldName, value] : fields)
        if (equalsNoCase(fieldName, name))
            return std::string_view(value);
    return std::nullopt;
}

std::vector<std::string_view> ResponseHead::fieldValues(std::string_view name) const
{
    std::vector<std::string_view> values;
    for (const auto &[fieldName, value] : fields)
        if (equalsNoCase(fieldName, name))
            values.emplace_back(value);
    return values;
}

std::size_t ResponseReader::feed(std::string_view bytes)
{
    const std::size_t offered = bytes.size();
    while (!bytes.empty() && state_ != State::Done) {
        switch (state_) {
        case State::Length:
        case State::ChunkData: {
            const std::size_t n = std::min(remaining_, bytes.size());
            appendBody(bytes.substr(0, n));
            bytes.remove_prefix(n);
            remaining_ -= n;
            if (remaining_ == 0)
                state_ = state_ == State::Length ? State::Done : State::ChunkEnd;
            break;
        }
        case State::UntilClose:
            appendBody(bytes);
            bytes = {};
            break;
        default: {
            auto line = takeLine(bytes);
            if (!line)
                break;
            if (state_ == State::StatusLine) {
                head_.status = statusOf(*line);
                state_ = State::Header;
            } else if (state_ == State::Header) {
                headerLine(*line);
            } else if (state_ == State::ChunkSize) {
                chunkSizeLine(*line);
            } else if (state_ == State::ChunkEnd) {
                if (!line->empty())
                    throw HttpProtocolError("chunk data longer than its size line said");
                state_ = State::ChunkSize;
            } else if (line->empty()) { // the blank line after the trailer fields
                state_ = State::Done;
            }
        }
        }
    }
    return offered - bytes.size();
}

void ResponseReader::finish()
{
    switch (state_) {
    case State::StatusLine:
    case State::Header:
        throw HttpConnectionLost(
            "the server closed the connection before the end of the header block", headBytes_ == 0);
    case State::ChunkSize:
    case State::ChunkData:
    case State::ChunkEnd:
        throw HttpConnectionLost("the server closed the connection in the middle of a chunked body",
                                 false);
    case State::Length:     // a short body still counts
    case State::UntilClose: // the close is the framing
    case State::Trailer:    // every chunk has arrived
        state_ = State::Done;
        endedByClose_ = true;
        break;
    case State::Done:
        break;
    }
}

std::optional<std::string> ResponseReader::takeLine(std::string_view &bytes)
{
    const bool inHead = state_ <= State::Header;
    const auto lf = bytes.find('\n');
    const std::size_t used = lf == std::string_view::npos ? bytes.size() : lf + 1;
    if (inHead) {
        headBytes_ += used;
        if (headBytes_ > limits_.headerBlock)
            throw HttpProtocolError("the response's header block is too large");
    }
    if (lf == std::string_view::npos) {
        pending_.append(bytes);
        bytes = {};
        // One more byte than the limit may still be the CR of a line that fits.
        if (pending_.size() > limits_.line + 1)
            throw HttpProtocolError("a response line is too long");
        return std::nullopt;
    }
    std::string line = std::move(pending_);
    pending_.clear();
    line.append(bytes.substr(0, lf));
    bytes.remove_prefix(used);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > limits_.line)
        throw HttpProtocolError("a response line is too long");
    return line;
}

void ResponseReader::headerLine(const std::string &line)
{
    if (!line.empty()) {
        const auto colon = line.find(':');
        if (colon != std::string::npos) // a line without a colon carries no field
            head_.fields.emplace_back(trimBlanks(std::string_view(line).substr(0, colon)),
                                      trimBlanks(std::string_view(line).substr(colon + 1)));
        return;
    }
    if (head_.status == 100) { // interim: the real status line follows
        head_ = {};
        state_ = State::StatusLine;
        return;
    }
    startBody();
}

void ResponseReader::startBody()
{
    const int status = head_.status;
    if ((status >= 100 && status < 200) || status == 204 || status == 304) {
        state_ = State::Done; // these never carry a body
        return;
    }
    const auto lengthField = head_.field("Content-Length");
    std::optional<std::size_t> length;
    if (lengthField) {
        const std::string_view digits = trimBlanks(*lengthField);
        length = wholeNumber(digits);
        if (!length && !digits.empty() &&
            digits.find_first_not_of("0123456789") == std::string_view::npos)
            throw HttpProtocolError("the response's body is too large"); // more than 18 digits
    }
    const auto encoding = head_.field("Transfer-Encoding");
    if (length && *length > 0) {
        if (*length > limits_.body)
            throw HttpProtocolError("the response's body is too large");
        remaining_ = *length;
        body_.reserve(remaining_); // one allocation, no copies as it grows
        state_ = State::Length;
    } else if (encoding && containsNoCase(*encoding, "chunked")) {
        state_ = State::ChunkSize;
    } else if (length) {
        state_ = State::Done;
    } else {
        state_ = State::UntilClose;
    }
}

void ResponseReader::chunkSizeLine(std::string_view line)
{
    line = trimBlanks(line);
    std::size_t size = 0;
    std::size_t digits = 0;
    for (; digits < line.size() && hexDigit(line[digits]) >= 0; ++digits) {
        size = size * 16 + static_cast<std::size_t>(hexDigit(line[digits]));
        if (size > limits_.body)
            throw HttpProtocolError("the response's body is too large");
    }
    // Whatever follows the digits (";name=value" extensions) is not ours to read.
    if (digits == 0 || (digits < line.size() && line[digits] != ';' && line[digits] != ' ' &&
                        line[digits] != '\t'))
        throw HttpProtocolError("a chunk-size line holds no size");
    if (size == 0) {
        state_ = State::Trailer;
        return;
    }
    if (body_.size() + size > limits_.body)
        throw HttpProtocolError("the response's body is too large");
    remaining_ = size;
    state_ = State::ChunkData;
}

void ResponseReader::appendBody(std::string_view bytes)
{
    if (body_.size() + bytes.size() > limits_.body)
        throw HttpProtocolError("the response's body is too large");
    body_.append(bytes);
}

} // namespace vorlinda::lookup
