// The platform's Windows services on Win32 itself (under Wine, see
// CMakeLists.txt): the serial of C:, the page at C:\tmp.htm, the browser.
#include "platform/BrowserCommand.h"
#include "platform/PageFile.h"
#include "platform/VolumeSerial.h"
#include "tests/support/RowName.h"

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

const fs::path scratch = "C:\\vorlinda-tests";

// What is at the name: a file's bytes, "<directory>" or "<none>".
std::string at(const fs::path &path)
{
    if (!fs::is_regular_file(path))
        return fs::exists(path) ? "<directory>" : "<none>";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct PageRow
{
    const char *name;
    std::string path;
    bool directoryAtName;
    std::string error;            // the message's start; "" when the write succeeds
    std::string written, removed; // at(path) after the write, after remove
};

class WindowsServices : public testing::TestWithParam<PageRow>
{
protected:
    void SetUp() override { fs::create_directories(scratch); }
    void TearDown() override
    {
        std::error_code stillOpen; // by a shell that has not quite ended
        fs::remove_all(scratch, stillOpen);
        PageFile::remove(std::string(PageFile::kWindowsPath));
    }
};

// Over a longer page first written there; byte for byte (no text mode: CR LF
// and Ctrl-Z stay). A refused write names the full path and the system's
// reason without its final period. Either way no temporary file stays, and
// remove deletes a file but not a directory.
TEST_P(WindowsServices, PageIsWrittenOrRefusedThenRemoved)
{
    const PageRow &row = GetParam();
    if (row.directoryAtName)
        fs::create_directory(row.path);
    else if (row.error.empty())
        PageFile::write(row.path, std::string(300, 'x'));

    std::string error;
    try {
        PageFile::write(row.path, "<head>\xFE\r\n\x1A</table>");
    } catch (const PageFile::WriteError &refused) {
        error = refused.what();
    }

    ASSERT_EQ(error.substr(0, row.error.size()), row.error) << error;
    const std::string reason = error.substr(row.error.size());
    EXPECT_EQ(reason.empty(), row.error.empty()) << error;
    EXPECT_FALSE(reason.ends_with('.') || reason.ends_with('\n')) << error;
    EXPECT_EQ(at(row.path), row.written);
    for (const fs::path &dir : {fs::path("C:\\"), scratch})
        for (const auto &entry : fs::directory_iterator(dir))
            EXPECT_FALSE(entry.path().filename().string().starts_with("vrl")) << entry.path();
    PageFile::remove(row.path);
    EXPECT_EQ(at(row.path), row.removed);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowsServices,
    testing::Values(
        PageRow{"CTmpHtm", "C:\\tmp.htm", false, "", "<head>\xFE\r\n\x1A</table>", "<none>"},
        PageRow{"DirectoryAtTheName", "C:\\vorlinda-tests\\tmp.htm", true,
                "Cannot create file \"C:\\vorlinda-tests\\tmp.htm\". ", "<directory>",
                "<directory>"},
        PageRow{"MissingDirectory", "C:\\vorlinda-tests\\none\\tmp.htm", false,
                "Cannot create file \"C:\\vorlinda-tests\\none\\tmp.htm\". ", "<none>", "<none>"}),
    rowName);

void PrintTo(const PageRow &row, std::ostream *out)
{
    *out << row.name;
}

// The test's Wine prefix gives drive C: the serial DEADBEEF: its top bit set.
TEST(WindowsVolumeSerial, IsDriveCsAsUnsignedDecimal)
{
    EXPECT_EQ(VolumeSerial::machineIdentifier(), "3735928559");
}

// WinExec runs the line (a shell here: the browser cannot start without a
// display) and does not wait for it; a missing program is ignored.
TEST_F(WindowsServices, BrowserCommandIsQuotedAndStarted)
{
    EXPECT_EQ(
        BrowserCommand::commandLine("http://localhost/?ref=vrl_11"),
        "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" http://localhost/?ref=vrl_11");
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
