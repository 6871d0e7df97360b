#include "web/FeedbackStore.h"

#include "text/TextFolding.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace vorlinda::site {
namespace {

// A commit waits for the disk (synchronous=FULL): a message is rare, and
// the page may say it was received only once it is kept. Two instances of
// the site share the database; one waits for the other's commit.
constexpr std::string_view kSchema =
    "PRAGMA journal_mode=WAL;"
    "PRAGMA synchronous=FULL;"
    "CREATE TABLE IF NOT EXISTS feedback("
    "time TEXT NOT NULL, ref TEXT NOT NULL, message TEXT NOT NULL);";
constexpr int kBusyMilliseconds = 3000;

std::size_t characters(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The first `limit` characters of well-formed UTF-8.
std::string_view firstCharacters(std::string_view utf8, std::size_t limit)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && count++ == limit)
            return utf8.substr(0, i);
    return utf8;
}

std::string utcStamp(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    char stamp[32] = "-";
    if (::gmtime_r(&seconds, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return stamp;
}

// The code point of the UTF-8 sequence at `text[at]` and its length, or -1
// for a byte that starts no well-formed sequence.
std::pair<long, std::size_t> decode(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || at + length > text.size() ||
        !isValidUtf8(text.substr(at, length)))
        return {-1, 1};
    long point = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i)
        point = (point << 6) | (byte(at + i) & 0x3F);
    return {point, length};
}

// Marks that reorder the text around them on a terminal or in an editor.
bool reordersText(long point)
{
    return point == 0x061C || point == 0x200E || point == 0x200F ||
           (point >= 0x2028 && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

void appendEscaped(std::string &out, std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto [point, length] = decode(text, at);
        char escape[16] = "";
        if (point == '\\')
            std::snprintf(escape, sizeof escape, "\\\\");
        else if (point == '\n')
            std::snprintf(escape, sizeof escape, "\\n");
        else if (point == '\r')
            std::snprintf(escape, sizeof escape, "\\r");
        else if (point == '\t')
            std::snprintf(escape, sizeof escape, "\\t");
        else if (point < 0)
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[at]));
        else if (point < 0x20 || (point >= 0x7F && point < 0xA0) || reordersText(point))
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(point));
        if (*escape != '\0')
            out += escape;
        else
            out += text.substr(at, length);
        at += length;
    }
}

std::string columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char *>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

} // namespace

FeedbackStore::FeedbackStore(std::filesystem::path file, std::uint64_t maxBytes,
                             std::function<void(const std::string &)> log)
    : file_(std::move(file)), maxBytes_(maxBytes), log_(std::move(log))
{}

FeedbackStore::~FeedbackStore()
{
    close();
}

void FeedbackStore::close()
{
    sqlite3_finalize(insert_);
    sqlite3_close(db_);
    insert_ = nullptr;
    db_ = nullptr;
}

void FeedbackStore::fail(const std::string &what)
{
    if (log_)
        log_("vorlinda-site: feedback not kept in " + file_.string() + ": " + what);
}

bool FeedbackStore::open()
{
    if (db_ != nullptr)
        return true;
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error) {
        fail(error.message());
        return false;
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    int rc = sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db_, kBusyMilliseconds);
        rc = sqlite3_exec(db_, std::string(kSchema).c_str(), nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        // The size cap: SQLite refuses to grow the database past this many
        // pages, and the insert that would is answered "full".
        sqlite3_stmt *pageSize = nullptr;
        rc = sqlite3_prepare_v2(db_, "PRAGMA page_size", -1, &pageSize, nullptr);
        const sqlite3_int64 bytes = rc == SQLITE_OK && sqlite3_step(pageSize) == SQLITE_ROW
                                        ? sqlite3_column_int64(pageSize, 0)
                                        : 4096;
        sqlite3_finalize(pageSize);
        const auto pages = std::to_string(maxBytes_ / static_cast<std::uint64_t>(bytes));
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db_, ("PRAGMA max_page_count=" + pages).c_str(), nullptr, nullptr,
                              nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db_, "INSERT INTO feedback(time, ref, message) VALUES(?, ?, ?)", -1,
                                &insert_, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        close();
        return false;
    }
    return true;
}

FeedbackStore::Outcome FeedbackStore::add(std::string_view text, std::string_view ref,
                                          std::chrono::system_clock::time_point when)
{
    text = trimBlanks(text);
    if (characters(text) > kMaxCharacters)
        return Outcome::TooLong;
    ref = firstCharacters(trimBlanks(ref), kMaxRefCharacters);
    const std::string time = utcStamp(when);

    std::lock_guard lock(mutex_);
    if (!open())
        return Outcome::Failed;
    // Bound as text with their lengths: whatever the form held stays data.
    // (An empty view may point nowhere, which SQLite would take for NULL.)
    int column = 0;
    for (const std::string_view value : {std::string_view(time), ref, text})
        sqlite3_bind_text(insert_, ++column, value.empty() ? "" : value.data(),
                          static_cast<int>(value.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    sqlite3_clear_bindings(insert_);
    if (rc == SQLITE_DONE)
        return Outcome::Stored;
    if (rc == SQLITE_FULL)
        return Outcome::Full;
    fail(sqlite3_errmsg(db_));
    close(); // opened anew for the next message
    return Outcome::Failed;
}

std::vector<FeedbackMessage> FeedbackStore::read(const std::filesystem::path &file)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *select = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyMilliseconds);
        rc = sqlite3_prepare_v2(db, "SELECT time, ref, message FROM feedback ORDER BY rowid", -1,
                                &select, nullptr);
    }
    std::vector<FeedbackMessage> messages;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(select);
        if (rc == SQLITE_ROW)
            messages.push_back(
                {columnText(select, 0), columnText(select, 1), columnText(select, 2)});
    }
    const std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_finalize(select);
    sqlite3_close(db);
    if (rc != SQLITE_DONE)
        throw std::runtime_error("cannot read " + file.string() + ": " + why);
    return messages;
}

std::string FeedbackStore::printable(const FeedbackMessage &message)
{
    std::string line;
    appendEscaped(line, message.time);
    line += '\t';
    if (message.ref.empty())
        line += '-';
    appendEscaped(line, message.ref);
    line += '\t';
    appendEscaped(line, message.text);
    return line;
}

} // namespace vorlinda::site
