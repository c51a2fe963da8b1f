#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "app/copy_modes.h"

namespace {

struct ScanCase {
    const char* commandLine;
    CopyMode mode;
    const char* path;
};

const ScanCase kScanCases[] = {
    {"", CopyMode::None, ""},
    {"/s", CopyMode::None, ""},
    {"/c", CopyMode::None, ""},
    {"-s", CopyMode::None, ""},
    {"-c", CopyMode::None, ""},
    {"hello", CopyMode::None, ""},
    {"x-1 C:\\a.exe", CopyMode::None, ""},
    {"-1 C:\\card.exe", CopyMode::Copy, "C:\\card.exe"},
    {"-2 C:\\tmp\\92c.tmp", CopyMode::Delete, "C:\\tmp\\92c.tmp"},
    // The path is the rest of the line: spaces and quotes belong to it.
    {"-1 C:\\My Cards\\card one.exe", CopyMode::Copy, "C:\\My Cards\\card one.exe"},
    {"-1 \"C:\\q.exe\"", CopyMode::Copy, "\"C:\\q.exe\""},
    // Any number of dashes, or none, before the digit.
    {"--1 C:\\a.exe", CopyMode::Copy, "C:\\a.exe"},
    {"1 C:\\a.exe", CopyMode::Copy, "C:\\a.exe"},
    {"2x", CopyMode::Delete, ""},
    {"12C:\\a", CopyMode::Copy, "C:\\a"},
    // Only the first character of a token counts; later tokens are reached.
    {"name -2 C:\\t.tmp", CopyMode::Delete, "C:\\t.tmp"},
    {"/s -1 D:\\x.exe", CopyMode::Copy, "D:\\x.exe"},
    {"a  -2 E:\\y", CopyMode::Delete, "E:\\y"},
    // Named without a path: the line ends at the digit or its separator.
    {"-1", CopyMode::Copy, ""},
    {"-2", CopyMode::Delete, ""},
    {"-1 ", CopyMode::Copy, ""},
    {"-2 ", CopyMode::Delete, ""},
    {"-", CopyMode::None, ""},
};

TEST(ScanCommandLine, RecognisesCopyModesAndTheirPaths)
{
    for (const ScanCase& c : kScanCases) {
        CopyModeRequest request = ScanCommandLine(c.commandLine);
        EXPECT_EQ(request.mode, c.mode) << "command line: [" << c.commandLine << "]";
        EXPECT_STREQ(request.path, c.path) << "command line: [" << c.commandLine << "]";
    }
}

TEST(ScanCommandLine, NullIsAnEmptyLine)
{
    EXPECT_EQ(ScanCommandLine(nullptr).mode, CopyMode::None);
}

TEST(HandleCopyModes, ModeWithoutPathEndsAtOnce)
{
    for (const char* line : {"-1", "-2", "-1 ", "-2 "})
        EXPECT_EQ(HandleCopyModes(nullptr, line), 0) << line;
    EXPECT_EQ(HandleCopyModes(nullptr, "/s"), 1);
    EXPECT_EQ(HandleCopyModes(nullptr, ""), 1);
}

TEST(FormatRelaunchCommand, QuotesTheProgramAndKeepsTheOperand)
{
    char buffer[512];
    ASSERT_TRUE(FormatRelaunchCommand(buffer, sizeof(buffer), "C:\\Documents and Settings\\card.exe", '2',
                                      "C:\\Temp\\a b.tmp"));
    EXPECT_STREQ(buffer, "\"C:\\Documents and Settings\\card.exe\" -2 C:\\Temp\\a b.tmp");
}

TEST(FormatRelaunchCommand, RefusesWhatDoesNotFit)
{
    char buffer[512];
    std::string program(500, 'p');
    EXPECT_FALSE(FormatRelaunchCommand(buffer, sizeof(buffer), program.c_str(), '2', "C:\\0123456789"));
    // Exactly full: 511 characters and the terminator.
    std::string fits(511 - 6 - 1, 'q');
    EXPECT_TRUE(FormatRelaunchCommand(buffer, sizeof(buffer), fits.c_str(), '1', "x"));
    EXPECT_EQ(std::string(buffer).size(), 511u);
}

} // namespace
