#include "ResultFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

void writeBytes(const QString &path, const std::string &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

struct stat statOf(const QString &path, bool follow = false)
{
    struct stat info
    {};
    const QByteArray name = QFile::encodeName(path);
    const int result = follow ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info);
    EXPECT_EQ(result, 0) << path.toStdString();
    return info;
}

std::string writeError(const QString &path, const std::string &bytes)
{
    try {
        ResultFile::write(path, bytes);
    } catch (const ResultFile::WriteError &error) {
        return error.what();
    }
    return "<no error>";
}

class ResultFileTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    QString page = dir.filePath(QStringLiteral("tmp.htm"));
    // A page with a UTF-8 letter, Windows-1254 bytes, a line break inside and none at the end.
    std::string bytes = "<head>\xC4\xB1\xFE\xF0\r\n</table></center>";

    QStringList entries() const
    {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

TEST_F(ResultFileTest, WritesExactlyTheBytes)
{
    ResultFile::write(page, bytes);

    EXPECT_EQ(readBytes(page), bytes);
    EXPECT_EQ(statOf(page).st_mode & 0777, 0600u);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("tmp.htm")}); // no stray temporary
}

TEST_F(ResultFileTest, ReplacesALongerFile)
{
    writeBytes(page, std::string(1000, 'x'));

    ResultFile::write(page, "<head>short");

    EXPECT_EQ(readBytes(page), "<head>short");
}

TEST_F(ResultFileTest, PlantedLinkIsReplacedNotFollowed)
{
    const QString target = dir.filePath(QStringLiteral("victim"));
    writeBytes(target, "keep me");
    ASSERT_TRUE(QFile::link(target, page));

    ResultFile::write(page, bytes);

    EXPECT_EQ(readBytes(target), "keep me");
    EXPECT_TRUE(S_ISREG(statOf(page).st_mode));
    EXPECT_EQ(readBytes(page), bytes);
}

TEST_F(ResultFileTest, UnwritableDirectory)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any directory";
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);

    const std::string message = writeError(page, bytes);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);

    EXPECT_EQ(message, "Cannot create file \"" + page.toStdString() + "\". Permission denied");
}

TEST_F(ResultFileTest, DirectoryOpenToOthersIsRefused)
{
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);

    const std::string message = writeError(page, bytes);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);

    EXPECT_EQ(message,
              "Cannot create file \"" + page.toStdString() + "\". Operation not permitted");
    EXPECT_FALSE(QFile::exists(page));
}

TEST_F(ResultFileTest, DirectoryReachedThroughALinkIsRefused)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("real")), dir.filePath("linked")));
    const QString linkedPage = dir.filePath(QStringLiteral("linked/tmp.htm"));

    EXPECT_EQ(writeError(linkedPage, bytes),
              "Cannot create file \"" + linkedPage.toStdString() + "\". Not a directory");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("real/tmp.htm"))));
}

TEST_F(ResultFileTest, ShortWriteKeepsTheOldPage)
{
    writeBytes(page, "<head>old");
    // A file size limit makes the system write only part of the page.
    struct rlimit saved
    {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    const std::string message = writeError(page, std::string(100, 'y'));

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(readBytes(page), "<head>old");
    EXPECT_EQ(entries(), QStringList{QStringLiteral("tmp.htm")});
}

TEST_F(ResultFileTest, RemoveTakesTheLinkNotItsTarget)
{
    const QString target = dir.filePath(QStringLiteral("victim"));
    writeBytes(target, "keep me");
    ASSERT_TRUE(QFile::link(target, page));

    ResultFile::remove(page);

    EXPECT_FALSE(QFileInfo(page).isSymLink());
    EXPECT_EQ(readBytes(target), "keep me");
}

// path() under a runtime directory of the test's own.
class ResultFilePath : public testing::Test
{
protected:
    QTemporaryDir runtime;
    QString privateDir = runtime.filePath(QStringLiteral("vorlinda-sozluk"));
    QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");

    void SetUp() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path())); }
    void TearDown() override
    {
        if (savedRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }
};

TEST_F(ResultFilePath, CreatesAPrivateDirectory)
{
    EXPECT_EQ(ResultFile::path(), privateDir + QStringLiteral("/tmp.htm"));

    const struct stat info = statOf(privateDir);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ResultFile::write(ResultFile::path(), "<head>");
    EXPECT_EQ(readBytes(privateDir + QStringLiteral("/tmp.htm")), "<head>");
}

TEST_F(ResultFilePath, ClosesAnOpenDirectory)
{
    ASSERT_EQ(::mkdir(QFile::encodeName(privateDir).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(privateDir).constData(), 0777), 0);

    ResultFile::path();

    EXPECT_EQ(statOf(privateDir).st_mode & 07777, 0700u);
}

TEST_F(ResultFilePath, ReplacesALinkAtTheDirectoryName)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), privateDir));

    const QString path = ResultFile::path();
    ResultFile::write(path, "<head>");

    EXPECT_TRUE(S_ISDIR(statOf(privateDir).st_mode));
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath(QStringLiteral("tmp.htm"))));
    EXPECT_EQ(statOf(elsewhere.path()).st_mode & 07777, 0700u);
}

TEST_F(ResultFilePath, FileAtTheDirectoryNameFailsTheWrite)
{
    writeBytes(privateDir, "not a directory");

    const QString path = ResultFile::path();

    EXPECT_EQ(writeError(path, "<head>"),
              "Cannot create file \"" + path.toStdString() + "\". Not a directory");
    EXPECT_EQ(readBytes(privateDir), "not a directory");
}

} // namespace
