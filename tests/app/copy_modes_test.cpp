// Runs the built card executable in its copy modes, as a relaunch does.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string g_cardExe;

std::string ToWindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitUntilGone(const std::string& path, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (!Exists(path))
            return true;
        Sleep(50);
    }
    return !Exists(path);
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class Process {
public:
    explicit Process(const std::string& program, const std::string& arguments)
    {
        std::string line = "\"" + program + "\" " + arguments;
        STARTUPINFOA si = {sizeof(si)};
        started_ = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &si, &info_);
        if (started_)
            CloseHandle(info_.hThread);
    }
    ~Process()
    {
        if (started_) {
            TerminateProcess(info_.hProcess, 1);
            CloseHandle(info_.hProcess);
        }
    }
    bool Started() const { return started_; }
    // Exit code, or -1 when still running after `ms`.
    long WaitExit(DWORD ms)
    {
        if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }
    void Kill() { TerminateProcess(info_.hProcess, 1); WaitForSingleObject(info_.hProcess, 5000); }

private:
    PROCESS_INFORMATION info_ = {};
    BOOL started_ = FALSE;
};

class CopyModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "copy modes " + std::to_string(GetCurrentProcessId()) + " " +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        temporary_ = folder_ + "relaunch copy.tmp";
        ASSERT_TRUE(CopyFileA(g_cardExe.c_str(), temporary_.c_str(), FALSE)) << g_cardExe;
        target_ = folder_ + "My Card.exe";
        WriteAll(target_, "the card as it was before");
    }
    void TearDown() override
    {
        for (const std::string& name : ListFolder(folder_))
            DeleteFileA((folder_ + name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string folder_, temporary_, target_;
};

TEST_F(CopyModes, CopyReplacesTargetAndRelaunchDeletesTheTemporaryFile)
{
    std::vector<char> expected = ReadAll(temporary_);
    Process copy(temporary_, "-1 " + target_);
    ASSERT_TRUE(copy.Started());
    EXPECT_EQ(copy.WaitExit(20000), 0);
    EXPECT_EQ(ReadAll(target_), expected);
    // The relaunched target, in delete mode, removes the temporary copy.
    EXPECT_TRUE(WaitUntilGone(temporary_, 20000));
    // Nothing else is left beside the target.
    EXPECT_EQ(ListFolder(folder_), std::vector<std::string>{"My Card.exe"});
}

TEST_F(CopyModes, CopyWaitsWhileTheTargetIsInUseAndKillingItChangesNothing)
{
    // An open handle without write sharing stands for the running executable.
    HANDLE running = CreateFileA(target_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    {
        Process copy(temporary_, "-1 " + target_);
        ASSERT_TRUE(copy.Started());
        EXPECT_EQ(copy.WaitExit(1500), -1) << "the copy must wait for the target";
        copy.Kill();
    }
    CloseHandle(running);
    std::vector<char> bytes = ReadAll(target_);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the card as it was before");
    EXPECT_TRUE(Exists(temporary_));
}

TEST_F(CopyModes, CopyFinishesOnceTheTargetIsReleased)
{
    std::vector<char> expected = ReadAll(temporary_);
    HANDLE running = CreateFileA(target_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    Process copy(temporary_, "-1 " + target_);
    ASSERT_TRUE(copy.Started());
    EXPECT_EQ(copy.WaitExit(800), -1);
    CloseHandle(running);
    EXPECT_EQ(copy.WaitExit(20000), 0);
    EXPECT_EQ(ReadAll(target_), expected);
    EXPECT_TRUE(WaitUntilGone(temporary_, 20000));
}

TEST_F(CopyModes, ModeWithoutPathEndsAtOnceAndTouchesNothing)
{
    for (const char* arguments : {"-1", "-2", "-1 ", "-2 "}) {
        Process run(temporary_, arguments);
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(run.WaitExit(5000), 0) << arguments;
    }
    std::vector<std::string> names = ListFolder(folder_);
    EXPECT_EQ(names.size(), 2u);
    std::vector<char> bytes = ReadAll(target_);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the card as it was before");
}

TEST_F(CopyModes, DeleteOfAMissingFileEndsPromptly)
{
    DWORD start = GetTickCount();
    Process run(temporary_, "-2 " + folder_ + "no such file.tmp");
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.WaitExit(5000), 0);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: app_copy_modes_test CARDLING.EXE\n");
        return 2;
    }
    g_cardExe = ToWindowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
