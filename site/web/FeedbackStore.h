#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorlinda::site {

// One message sent through the feedback page.
struct FeedbackMessage
{
    std::string time; // UTC, "2026-12-07T19:10:00Z"
    std::string ref;  // the referral code of the link it came by ("vrl10"), or empty
    std::string text; // UTF-8, as the user wrote it

    bool operator==(const FeedbackMessage &) const = default;
};

// What users send through the feedback page, kept in an SQLite database of
// one table (the site's only SQLite user). The database is opened on the
// first message and again after a failure, so a state folder that cannot be
// written costs the feedback page, never the site.
class FeedbackStore
{
public:
    static constexpr std::string_view kFileName = "feedback.sqlite";
    static constexpr std::size_t kMaxCharacters = 2000;  // of one message
    static constexpr std::size_t kMaxRefCharacters = 64; // longer referral codes are cut
    static constexpr std::uint64_t kMaxBytes = 64 << 20; // of the whole database

    enum class Outcome
    {
        Stored,  // committed: it survives the site being killed
        TooLong, // over kMaxCharacters; nothing kept
        Full,    // the database reached its size (or the disk is full)
        Failed,  // it could not be written; told to the log
    };

    // `log` hears why a message could not be kept.
    explicit FeedbackStore(std::filesystem::path file, std::uint64_t maxBytes = kMaxBytes,
                           std::function<void(const std::string &)> log = {});
    ~FeedbackStore();
    FeedbackStore(const FeedbackStore &) = delete;
    FeedbackStore &operator=(const FeedbackStore &) = delete;

    // Keeps `text` (UTF-8, blanks around it dropped) with its referral code
    // and time; returns once the row is committed, or why it is not.
    Outcome add(std::string_view text, std::string_view ref,
                std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

    const std::filesystem::path &file() const { return file_; }

    // Every message of the database in `file`, oldest first, read without
    // writing to it (a running site may be adding more). Throws
    // std::runtime_error when it cannot be read.
    static std::vector<FeedbackMessage> read(const std::filesystem::path &file);

    // A message as one line for a terminal: time, referral code ("-" when
    // none) and text, separated by tabs. Line breaks, tabs, backslashes,
    // control characters, bytes that are not UTF-8 and the marks that
    // reorder a line are written as escapes, so a message cannot move the
    // cursor, colour the terminal or pass for another line.
    static std::string printable(const FeedbackMessage &message);

private:
    bool open(); // with mutex_ held
    void close();
    void fail(const std::string &what);

    std::filesystem::path file_;
    std::uint64_t maxBytes_;
    std::function<void(const std::string &)> log_;
    std::mutex mutex_;
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *insert_ = nullptr;
};

} // namespace vorlinda::site
