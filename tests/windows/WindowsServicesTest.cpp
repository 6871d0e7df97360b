// The platform's Windows services on a real Win32 (Wine, see CMakeLists.txt):
// the volume serial of C:, the page at C:\tmp.htm, the browser's start.
#include "BrowserCommand.h"
#include "PageFile.h"
#include "VolumeSerial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

using namespace vorlinda::platform;
namespace fs = std::filesystem;

namespace {

const std::string page(PageFile::windowsPath);
const fs::path scratch = "C:\\vorlinda-tests";

// A file's bytes, or "<none>" when there is no file at the name.
std::string at(const fs::path &path)
{
    if (!fs::is_regular_file(path))
        return fs::exists(path) ? "<directory>" : "<none>";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names a write could leave behind next to the page.
int temporariesIn(const fs::path &dir)
{
    int count = 0;
    for (const auto &entry : fs::directory_iterator(dir))
        count += entry.path().filename().string().starts_with("vrl");
    return count;
}

// "" when PageFile::write writes, else what it throws.
std::string writeError(const std::string &path, const std::string &bytes)
{
    try {
        PageFile::write(path, bytes);
        return "";
    } catch (const PageFile::WriteError &error) {
        return error.what();
    }
}

class WindowsPage : public testing::Test
{
protected:
    void SetUp() override { fs::create_directories(scratch); }
    void TearDown() override
    {
        std::error_code stillOpen; // by a shell that has not quite ended
        fs::remove_all(scratch, stillOpen);
        PageFile::remove(page);
    }
};

// The test's Wine prefix gives drive C: the serial DEADBEEF: its top bit set.
TEST(WindowsVolumeSerial, IsDriveCsAsUnsignedDecimal)
{
    EXPECT_EQ(VolumeSerial::machineIdentifier(), "3735928559");
}

// Written byte for byte (no text mode: CR LF and Ctrl-Z stay), a longer page
// replaced whole by a shorter one, nothing left beside it, and gone at close.
TEST_F(WindowsPage, IsWrittenReadAndDeletedAtCTmpHtm)
{
    const std::string first = "<head>" + std::string(300, 'x') + "\xFE\xF0\r\n\x1A</table>";
    ASSERT_EQ(writeError(page, first), "");
    EXPECT_EQ(at("C:\\tmp.htm"), first);

    ASSERT_EQ(writeError(page, "<head>"), "");
    EXPECT_EQ(at("C:\\tmp.htm"), "<head>");
    EXPECT_EQ(temporariesIn("C:\\"), 0);

    PageFile::remove(page);
    EXPECT_EQ(at("C:\\tmp.htm"), "<none>");
    PageFile::remove(page); // nothing there: nothing happens
}

struct RefusedWrite
{
    const char *name;
    bool directoryAtName; // else the page's directory is missing
    std::string path;
};

class WindowsPageRefused : public WindowsPage, public testing::WithParamInterface<RefusedWrite>
{};

// The message names the full path and the system's reason without its
// trailing period; no temporary file stays, a directory at the name neither
// takes the page nor is removed as one.
TEST_P(WindowsPageRefused, SaysCannotCreateFile)
{
    const RefusedWrite &row = GetParam();
    if (row.directoryAtName)
        fs::create_directory(row.path);
    const std::string prefix = "Cannot create file \"" + row.path + "\". ";

    const std::string error = writeError(row.path, "<head>");

    ASSERT_TRUE(error.starts_with(prefix)) << error;
    const std::string reason = error.substr(prefix.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(reason.find_last_of(". \r\n") != reason.size() - 1) << error;
    EXPECT_EQ(temporariesIn(scratch), 0);
    PageFile::remove(row.path);
    EXPECT_EQ(at(row.path), row.directoryAtName ? "<directory>" : "<none>");
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowsPageRefused,
    testing::Values(RefusedWrite{"DirectoryAtTheName", true, "C:\\vorlinda-tests\\tmp.htm"},
                    RefusedWrite{"MissingDirectory", false, "C:\\vorlinda-tests\\none\\tmp.htm"}),
    [](const testing::TestParamInfo<RefusedWrite> &row) { return row.param.name; });

void PrintTo(const RefusedWrite &row, std::ostream *out)
{
    *out << row.name;
}

TEST(WindowsBrowser, CommandLineIsTheQuotedBrowserAndTheAddress)
{
    EXPECT_EQ(BrowserCommand::commandLine("http://localhost/?ref=vrl_11"),
              "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" "
              "http://localhost/?ref=vrl_11");
}

// WinExec runs the line (a shell here, as the browser cannot start without a
// display) and does not wait for it; a missing program is ignored.
TEST_F(WindowsPage, BrowserCommandStartsTheLineAndIgnoresAMissingProgram)
{
    BrowserCommand::start("C:\\vorlinda-tests\\missing.exe http://localhost/");
    BrowserCommand::start("\"C:\\windows\\system32\\cmd.exe\" /c echo opened>" +
                          (scratch / "opened.txt").string());

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (at(scratch / "opened.txt") != "opened\r\n" &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(at(scratch / "opened.txt"), "opened\r\n");
}

} // namespace
