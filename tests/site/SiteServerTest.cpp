// vorlinda-site itself, started on a free port of 127.0.0.1 over a small
// dictionary set and spoken to in raw bytes: request in, response out.
#include "tests/support/DictFixture.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/RowName.h"
#include "tests/support/SiteProcess.h"
#include "web/FeedbackStore.h"
#include "web/LoaderGif.h"
#include "web/SitePages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>

using namespace vorlinda::site;

namespace {

// A response with its header lines sorted, the session id masked and the
// keep-alive hint (not every server gives one) left out.
std::string normalised(const std::string &got)
{
    const std::size_t end = std::min(got.find("\r\n\r\n"), got.size());
    std::vector<std::string> lines;
    for (std::size_t at = 0, stop; at < end; at = stop + 2)
        if (const std::string line =
                got.substr(at, (stop = std::min(got.find("\r\n", at), end)) - at);
            !line.starts_with("Keep-Alive:"))
            lines.push_back(line);
    std::sort(lines.begin() + std::min<std::ptrdiff_t>(1, std::ssize(lines)), lines.end());
    std::string head;
    for (const std::string &line : lines)
        head += line + "\r\n";
    static const std::regex session("vorlinda_oturum=[0-9a-f]{16};");
    return std::regex_replace(head, session, "vorlinda_oturum=ID;") + "\r\n" +
           got.substr(std::min(end + 4, got.size()));
}

std::string answer(const LoopbackClient &client, const std::string &request)
{
    EXPECT_TRUE(client.send(request));
    return normalised(client.answer());
}

std::string expected(const std::string &head, const std::string &body)
{
    return normalised(head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

class SiteServer : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = DictFixture::dictionaries(
                   {{"fra-tur", {{"maison", "maison\nev\n"}}},
                    {"tur-eng", {{"kuş", "kuş\nbird\n"}, {"masa", "masa\ntable\n"}}}})
                   .release();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static inline std::filesystem::path dir_;
    SiteProcess site_{VORLINDA_SITE, {"--dictionaries", dir_}};
};

// The program's own requests: a raw blank in "french ", no Connection
// header, the session cookie sent back, a word escaped as Windows-1254. An
// idle kept connection holds up no other client.
TEST_F(SiteServer, ProgramsLookupsShareAConnectionAndStartOneSession)
{
    LoopbackClient program(site_.port());
    EXPECT_EQ(answer(program, "GET /index.php?selectFrom=french &selectTo=turkish&txtLang=maison"
                              "&submitButton=Search HTTP/1.1\r\nContent-Type: text/html\r\n"
                              "Host: localhost\r\nAccept: text/html, */*\r\n"
                              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n"),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                       "Set-Cookie: vorlinda_oturum=ID; path=/\r\n",
                       SitePages::resultPage({{"maison", "ev"}}, "Fransızca", "Türkçe")));
    LoopbackClient other(site_.port());
    EXPECT_EQ(answer(other, "GET /ban.asp HTTP/1.1\r\n\r\n").substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(answer(program, "GET /index.php?selectFrom=turkish&selectTo=english&txtLang=ku%FE"
                              "&submitButton=Search HTTP/1.1\r\n"
                              "Host: localhost\r\nCookie: vorlinda_oturum=ab12\r\n\r\n"),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n",
                       SitePages::resultPage({{"kuş", "bird"}}, "Türkçe", "İngilizce")));
}

// Each on a connection of its own; requests the site cannot read also end
// the connection. One log line each.
struct ExchangeRow
{
    const char *name;
    std::string request, head, body;
};

std::vector<ExchangeRow> exchangeRows()
{
    const std::string html = "Content-Type: text/html; charset=utf-8\r\n";
    const std::string bad = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n" + html;
    const std::string refused = SitePages::errorPage(400, "Bad Request");
    return {{"LoaderImage",
             "GET /res/ajax-loader-vorlinda.gif HTTP/1.1\r\nConnection: close\r\n\r\n",
             "HTTP/1.1 200 OK\r\nCache-Control: max-age=86400\r\nConnection: close\r\n"
             "Content-Type: image/gif\r\n",
             LoaderGif::bytes()},
            {"Garbage", "garbage\r\n\r\n", bad, refused},
            {"BrokenEscape",
             "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=%ZZ HTTP/1.1\r\n"
             "Connection: close\r\n\r\n",
             bad, refused},
            {"UnknownPath", "GET /nothing-here HTTP/1.1\r\nConnection: close\r\n\r\n",
             "HTTP/1.1 404 Not Found\r\nConnection: close\r\n" + html,
             SitePages::errorPage(404, "Not Found")}};
}

class SiteServerExchange : public SiteServer, public testing::WithParamInterface<ExchangeRow>
{};

TEST_P(SiteServerExchange, AnswerIsExactAndLoggedOnce)
{
    const ExchangeRow &row = GetParam();
    const LoopbackClient client(site_.port());
    EXPECT_EQ(answer(client, row.request), expected(row.head, row.body));
    EXPECT_EQ(client.all(), ""); // closed by the site
    const std::vector<std::string> log = site_.takeRequests(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log.back().ends_with(" " + std::to_string(row.body.size())));
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteServerExchange, testing::ValuesIn(exchangeRows()), rowName);

// Sent as soon as the site listens, an inflected form finds its stem: the
// lookup waits for its language's Hunspell rather than answer without it.
TEST_F(SiteServer, FirstLookupAfterStartFindsTheStem)
{
    const LoopbackClient client(site_.port());
    EXPECT_EQ(answer(client, "GET /index.php?selectFrom=turkish&selectTo=english&txtLang=masalar"
                             "&submitButton=Search HTTP/1.1\r\n\r\n"),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                       "Set-Cookie: vorlinda_oturum=ID; path=/\r\n",
                       SitePages::resultPage({{"masa", "table"}}, "Türkçe", "İngilizce")));
}

TEST_F(SiteServer, TakenPortIsAnError)
{
    SiteProcess second(VORLINDA_SITE, {"--dictionaries", dir_}, site_.port());
    EXPECT_EQ(second.wait(std::chrono::seconds(10)), 1);
    EXPECT_NE(second.output().find("port is already in use"), std::string::npos);
}

// A message the page said it received is in the store, though the site was
// killed outright the moment it answered; --feedback prints it.
TEST_F(SiteServer, FeedbackSurvivesSigkillRightAfterTheAnswer)
{
    const TempDir state("vorlinda-site-state");
    ::setenv("STATE_DIRECTORY", state.path().c_str(), 1);
    SiteProcess site(VORLINDA_SITE, {"--dictionaries", dir_, "--no-index"});
    ::unsetenv("STATE_DIRECTORY");
    const std::string form = "ref=vrl10&msg=S%C3%B6zl%C3%BCk+%3Cg%C3%BCzel%3E%0D%0A%1B%5B2J";
    const LoopbackClient client(site.port());
    EXPECT_EQ(answer(client, "POST /feedback.asp HTTP/1.1\r\nHost: localhost\r\n"
                             "Content-Type: application/x-www-form-urlencoded\r\n"
                             "Content-Length: " +
                                 std::to_string(form.size()) + "\r\n\r\n" + form),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n",
                       SitePages::feedbackPage(SitePages::FeedbackAnswer::Received, "vrl10")));
    site.kill();

    const auto messages = FeedbackStore::read(state / FeedbackStore::kFileName);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].ref, "vrl10");
    EXPECT_EQ(messages[0].text, "Sözlük <güzel>\r\n\x1b[2J");
    const std::string command =
        std::string(VORLINDA_SITE) + " --feedback " + state.string() + " 2>/dev/null";
    std::string printed(4096, '\0');
    FILE *pipe = ::popen(command.c_str(), "r");
    printed.resize(std::fread(printed.data(), 1, printed.size(), pipe));
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(printed, FeedbackStore::printable(messages[0]) + "\n");
}

// A site started by hand reads the system's current indexes instead of
// building its own; once they are stale, it builds its own in the user's cache.
TEST_F(SiteServer, SystemIndexIsReadWhileCurrent)
{
    const TempDir system("vorlinda-site-system"), user("vorlinda-site-user");
    const std::string build = std::string(VORLINDA_SITE) + " --build-index " + system.string() +
                              " --dictionaries " + dir_.string() + " >/dev/null";
    ASSERT_EQ(std::system(build.c_str()), 0);
    ::setenv("XDG_CACHE_HOME", user.path().c_str(), 1);
    const std::vector<std::string> arguments{"--dictionaries", dir_, "--system-index",
                                             system.string()};
    {
        SiteProcess site(VORLINDA_SITE, arguments);
        EXPECT_TRUE(
            site.logged("vorlinda-site: reading the system's indexes in " + system.string() + "/"))
            << site.output();
        EXPECT_FALSE(std::filesystem::exists(user / "vorlinda-site")) << site.output();
    }
    const auto dictionary = dir_ / "freedict-tur-eng.index";
    std::filesystem::last_write_time(dictionary, std::filesystem::last_write_time(dictionary) +
                                                     std::chrono::seconds(1));
    {
        SiteProcess site(VORLINDA_SITE, arguments);
        EXPECT_TRUE(site.logged("vorlinda-site: building the dictionaries' indexes in " +
                                user.string() + "/vorlinda-site/"))
            << site.output();
    }
    ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
