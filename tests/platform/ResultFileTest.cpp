#include "platform/ResultFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utility>

using namespace vorlinda::platform;

namespace {

// What is at the name, the name itself (a link is not followed): its type and
// permission bits in octal, then a file's bytes; "" when nothing is there.
std::string at(const QString &path)
{
    struct stat info
    {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return "";
    QFile file(path);
    const bool readable = S_ISREG(info.st_mode) && file.open(QIODevice::ReadOnly);
    return QString::number(info.st_mode, 8).toStdString() + " " +
           (readable ? file.readAll().toStdString() : "");
}

// "" when ResultFile::write writes; the reason alone when it throws exactly
// Cannot create file "<path>". <reason>; else what it throws.
std::string writeError(const QString &path, const std::string &bytes = "<head>")
{
    const std::string cannotCreate = "Cannot create file \"" + path.toStdString() + "\". ";
    try {
        ResultFile::write(path, bytes);
        return "";
    } catch (const ResultFile::WriteError &error) {
        const std::string what = error.what();
        return what.starts_with(cannotCreate) ? what.substr(cannotCreate.size()) : what;
    }
}

// ResultFile::path() takes its place in the test's own directory.
class ResultFileTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    QString page = dir.filePath(QStringLiteral("tmp.htm"));
    QString privateDir = dir.filePath(QStringLiteral("vorlinda-sozluk"));

    void SetUp() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path())); }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(ResultFileTest, ReplacesAPlantedLinkWithExactlyThePageNeverFollowingIt)
{
    const QString victim = dir.filePath(QStringLiteral("victim"));
    ASSERT_EQ(writeError(victim, "keep me"), "");
    ASSERT_TRUE(QFile::link(victim, page));
    const std::string bytes = "<head>\xC4\xB1\xFE\xF0\r\n</table></center>";

    EXPECT_EQ(writeError(page, bytes), "");

    EXPECT_EQ(at(page), "100600 " + bytes);
    EXPECT_EQ(at(victim), "100600 keep me");
    EXPECT_EQ(entries(), (QStringList{"tmp.htm", "victim"})); // no stray temporary
    EXPECT_EQ(writeError(page), "");                          // and again over the page
    EXPECT_EQ(at(page), "100600 <head>");
    ResultFile::remove(page);
    EXPECT_EQ(at(page), "");
}

// A page name taken by a directory is reported. A directory reached through a
// link, or one that others can write, is refused: the page could be swapped
// there before the web view reads it.
TEST_F(ResultFileTest, RefusesATakenNameALinkedDirectoryAndOneOthersCanWrite)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("tmp.htm")));
    EXPECT_EQ(writeError(page), "Is a directory");

    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("linked"))));
    EXPECT_EQ(writeError(dir.filePath(QStringLiteral("linked/page.htm"))), "Not a directory");

    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    EXPECT_EQ(writeError(dir.filePath(QStringLiteral("page.htm"))), "Operation not permitted");
    EXPECT_EQ(entries(), (QStringList{"linked", "tmp.htm"})); // no stray temporary
}

TEST_F(ResultFileTest, ShortWriteKeepsTheOldPage)
{
    ASSERT_EQ(writeError(page, "<head>old"), "");
    // A file size limit makes the system write only part of the page (each
    // test runs in a process of its own: the signal stays ignored).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t saved = std::exchange(limit.rlim_cur, 10);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

    const std::string error = writeError(page, std::string(100, 'y'));

    limit.rlim_cur = saved;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(error, "Stream write error");
    EXPECT_EQ(at(page), "100600 <head>old");
    EXPECT_EQ(entries(), QStringList{"tmp.htm"});
}

TEST_F(ResultFileTest, PathIsInARuntimeDirectoryOfTheUsersOwnClosedToOthers)
{
    EXPECT_EQ(ResultFile::path(), privateDir + QStringLiteral("/tmp.htm"));
    EXPECT_EQ(at(privateDir), "40700 ");
    ASSERT_EQ(::chmod(QFile::encodeName(privateDir).constData(), 0777), 0);

    EXPECT_EQ(writeError(ResultFile::path()), "");

    EXPECT_EQ(at(privateDir), "40700 ");
}

// A link planted at the directory's name is replaced; a file there is left,
// and the write fails.
TEST_F(ResultFileTest, PathReplacesALinkAtTheDirectoryNameButLeavesAFile)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), privateDir));
    EXPECT_EQ(writeError(ResultFile::path()), "");
    EXPECT_EQ(at(privateDir), "40700 ");
    EXPECT_EQ(at(elsewhere.filePath(QStringLiteral("tmp.htm"))), "");

    ASSERT_TRUE(QDir(privateDir).removeRecursively());
    ASSERT_EQ(writeError(privateDir, "not a directory"), "");
    EXPECT_EQ(writeError(ResultFile::path()), "Not a directory");
    EXPECT_EQ(at(privateDir), "100600 not a directory");
}

} // namespace
