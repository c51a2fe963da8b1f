// ExeImage on real executables built by the card's toolchain: copies are
// written to real files, read back, and run under the real loader, where
// each greets with the message it was given.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "peimage/exe_image.h"
#include "peimage/exe_rewriter.h"
#include "tests/peimage/pe_builder.h"

namespace {

const char kMessage[] = "MSGTEXT";
const char* const kGreetingId = MAKEINTRESOURCEA(101);
const std::string kGreeting = "Joyeux No\xebl\r\n---------------------\r\n";

struct Fixture {
  const char* label;
  std::string path;
  bool greets;          // prints its greeting when run
  bool growsAPage;      // 216 more bytes cross a FileAlignment and a page step
};

std::vector<Fixture> Fixtures() {
  std::vector<Fixture> fixtures = {{"greeter", PEIMAGE_GREETER, true, true},
                                   {"stripped greeter", PEIMAGE_STRIPPED, true, true},
                                   {"level-order layout", PEIMAGE_PART_LAYOUT, true, true}};
#ifdef PEIMAGE_CARD
  fixtures.push_back({"card", PEIMAGE_CARD, false, false});
#endif
  return fixtures;
}

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

size_t OptionalHeader(const std::vector<uint8_t>& bytes) { return ReadU32(bytes, 60) + 24; }

std::string CopyPath(const std::string& name) { return std::string(PEIMAGE_COPIES) + "\\" + name; }

std::string FileName(const char* kind, const Fixture& fixture) {
  std::string name = std::string(kind) + "-" + fixture.label + ".exe";
  for (char& c : name)
    if (c == ' ') c = '-';
  return name;
}

// Records a copy for the independent header check that runs after this test.
void NoteCopy(const std::string& name, const Fixture& fixture, const std::string& message) {
  FILE* manifest = std::fopen(CopyPath("manifest.txt").c_str(), "ab");
  ASSERT_NE(manifest, nullptr);
  std::string original = fixture.path.substr(fixture.path.find_last_of("\\/") + 1);
  std::fprintf(manifest, "%s %s ", name.c_str(), original.c_str());
  for (unsigned char c : message) std::fprintf(manifest, "%02x", c);
  std::fprintf(manifest, "\n");
  std::fclose(manifest);
}

// Writes a copy of `input` through ExeImage, with `message` as its greeting
// when given.
BOOL SaveCopy(const std::string& input, const std::string& output, const std::string* message) {
  ExeImage image;
  if (!image.Open(input.c_str())) return FALSE;
  if (message) image.ReplaceResourceData(kMessage, kGreetingId, message->data(), static_cast<int>(message->size()));
  HANDLE file = CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  BOOL saved = image.Save(file);
  CloseHandle(file);
  return saved;
}

// Runs the program and returns what it printed.
std::string RunAndRead(const std::string& program) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "<no pipe>";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  std::string output;
  char block[512];
  DWORD got;
  while (started && ReadFile(readEnd, block, sizeof block, &got, nullptr) && got > 0)
    output.append(block, got);
  CloseHandle(readEnd);
  if (!started) return "<not started>";
  WaitForSingleObject(process.hProcess, 10000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code == 0 ? output : "<exit code " + std::to_string(code) + ">";
}

struct HostSearch {
  DWORD processId;
  HWND host;
};

BOOL CALLBACK FindHostWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<HostSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (owner != search->processId || strcmp(name, "trail") != 0) return TRUE;
  search->host = window;
  return FALSE;
}

// Asks a running card to end as closing its card would: WM_CLOSE to its
// host window, so that it removes its tune's temporary file.
void CloseCard(DWORD processId) {
  HostSearch search{processId, nullptr};
  EnumWindows(FindHostWindow, reinterpret_cast<LPARAM>(&search));
  if (search.host) PostMessageA(search.host, WM_CLOSE, 0, 0);
}

// Starts a GUI program and tells whether it was still running after a while
// (it loaded and started its show); it is ended either way.
bool KeepsRunning(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  bool running = WaitForSingleObject(process.hProcess, 1500) == WAIT_TIMEOUT;
  if (running) CloseCard(process.dwProcessId);
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return running;
}

class ExeImageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryA(PEIMAGE_COPIES, nullptr);
    DeleteFileA(CopyPath("manifest.txt").c_str());
  }

  // A copy with a new greeting that must run and say it.
  std::vector<uint8_t> Greeted(const Fixture& fixture, const std::string& name,
                               const std::string& message) {
    std::string path = CopyPath(name);
    EXPECT_TRUE(SaveCopy(fixture.path, path, &message));
    EXPECT_TRUE(ExeFileHoldsResource(path.c_str(), kMessage, kGreetingId, message.data(),
                                     static_cast<DWORD>(message.size())));
    if (fixture.greets) {
      EXPECT_EQ(RunAndRead(path), message);
    }
    NoteCopy(name, fixture, message);
    return ReadBytes(path);
  }
};

TEST_F(ExeImageTest, TheShippedFileIsAFixedPoint) {
  for (const Fixture& fixture : Fixtures()) {
    SCOPED_TRACE(fixture.label);
    std::vector<uint8_t> original = ReadBytes(fixture.path);
    ASSERT_FALSE(original.empty());
    if (fixture.greets) {
      EXPECT_EQ(RunAndRead(fixture.path), kGreeting);
    }
    std::string unchanged = CopyPath(FileName("unchanged", fixture));
    ASSERT_TRUE(SaveCopy(fixture.path, unchanged, nullptr));
    EXPECT_TRUE(ReadBytes(unchanged) == original);
    EXPECT_TRUE(Greeted(fixture, FileName("same", fixture), kGreeting) == original);
  }
}

TEST_F(ExeImageTest, SameAlignedSizeChangesOnlyTheEntrySizeAndTheData) {
  for (const Fixture& fixture : Fixtures()) {
    SCOPED_TRACE(fixture.label);
    std::vector<uint8_t> original = ReadBytes(fixture.path);
    std::vector<uint8_t> copy = Greeted(fixture, FileName("forty", fixture), std::string(40, '*'));
    ASSERT_EQ(copy.size(), original.size());
    ExeRewriter reader;
    ASSERT_TRUE(reader.Open({original.data(), original.size()}));
    size_t messageAt = reader.FindResourceData(kMessage, kGreetingId, nullptr) - original.data();
    std::vector<size_t> elsewhere;
    for (size_t i = 0; i < copy.size(); ++i)
      if (copy[i] != original[i] && (i < messageAt || i >= messageAt + 40)) elsewhere.push_back(i);
    ASSERT_EQ(elsewhere.size(), 1u);  // the low byte of the data entry's Size
    EXPECT_EQ(original[elsewhere[0]], 36);
    EXPECT_EQ(copy[elsewhere[0]], 40);
  }
}

TEST_F(ExeImageTest, LongGreetingGrowsTheSectionAndEveryFieldFollows) {
  for (const Fixture& fixture : Fixtures()) {
    SCOPED_TRACE(fixture.label);
    std::vector<uint8_t> original = ReadBytes(fixture.path);
    std::vector<uint8_t> copy = Greeted(fixture, FileName("long", fixture), std::string(255, 'L'));
    PeFields before = ReadPeFields(original), after = ReadPeFields(copy);
    const PeSection* resources = before.Find(".rsrc");
    uint32_t fa = ReadU32(original, OptionalHeader(original) + 36);
    uint32_t sa = ReadU32(original, OptionalHeader(original) + 32);
    uint32_t growth = AlignUp(resources->virtualSize + 216, fa) - resources->rawSize;
    uint32_t shift = AlignUp(resources->virtualSize + 216, sa) - AlignUp(resources->virtualSize, sa);
    if (fixture.growsAPage) {
      EXPECT_EQ(growth, fa);
      EXPECT_EQ(shift, 0x1000u);
    }
    EXPECT_EQ(copy.size(), original.size() + growth);
    EXPECT_EQ(after.Find(".rsrc")->rawSize, resources->rawSize + growth);
    EXPECT_EQ(after.Find(".rsrc")->virtualSize, resources->virtualSize + 216);
    EXPECT_EQ(after.directorySize[2], before.directorySize[2] + 216);
    EXPECT_EQ(after.sizeOfInitializedData, before.sizeOfInitializedData + growth);
    EXPECT_EQ(after.sizeOfImage, before.sizeOfImage + shift);
    if (const PeSection* relocations = before.Find(".reloc")) {
      EXPECT_EQ(after.Find(".reloc")->rawPointer, relocations->rawPointer + growth);
      EXPECT_EQ(after.Find(".reloc")->virtualAddress, relocations->virtualAddress + shift);
      EXPECT_EQ(after.directoryRva[5], before.directoryRva[5] + shift);
    }
    if (before.symbolTable != 0) {
      EXPECT_EQ(after.symbolTable, before.symbolTable + growth);
    }

    // And back: the original greeting gives the original file.
    std::string back = CopyPath(FileName("back", fixture));
    ASSERT_TRUE(SaveCopy(CopyPath(FileName("long", fixture)), back, &kGreeting));
    EXPECT_TRUE(ReadBytes(back) == original);
  }
}

TEST_F(ExeImageTest, ShortGreetingShrinksTheData) {
  for (const Fixture& fixture : Fixtures()) {
    SCOPED_TRACE(fixture.label);
    std::vector<uint8_t> original = ReadBytes(fixture.path);
    std::vector<uint8_t> copy = Greeted(fixture, FileName("short", fixture), "Hi!");
    PeFields before = ReadPeFields(original), after = ReadPeFields(copy);
    EXPECT_EQ(after.Find(".rsrc")->virtualSize, before.Find(".rsrc")->virtualSize - 32);
    EXPECT_EQ(after.directorySize[2], before.directorySize[2] - 32);
    EXPECT_EQ(after.sizeOfImage, before.sizeOfImage);
  }
}

#ifdef PEIMAGE_CARD
// The card shows its greeting on the desktop rather than printing it: its
// copies must at least load and start as the original does.
TEST_F(ExeImageTest, CardCopiesStart) {
  if (!KeepsRunning(PEIMAGE_CARD)) GTEST_SKIP() << "the card itself does not start here";
  for (const char* kind : {"long", "short", "forty"}) {
    SCOPED_TRACE(kind);
    EXPECT_TRUE(KeepsRunning(CopyPath(std::string(kind) + "-card.exe")));
  }
}
#endif

TEST_F(ExeImageTest, RefusesFilesItCantCopySafely) {
  std::vector<uint8_t> good = ReadBytes(PEIMAGE_GREETER);
  std::vector<uint8_t> overlay = good;
  overlay.insert(overlay.end(), 64, 0x5A);
  std::vector<uint8_t> random(8192);
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  struct Case {
    const char* label;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty file", {}},
      {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)},
      {"random bytes", random},
      {"an overlay", overlay},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string path = CopyPath("bad.bin");
    WriteBytes(path, c.bytes);
    ExeImage image;
    EXPECT_FALSE(image.Open(path.c_str()));
    EXPECT_EQ(image.FindResourceData(kMessage, kGreetingId), nullptr);
    std::string output = CopyPath("refused.exe");
    DeleteFileA(output.c_str());
    EXPECT_FALSE(SaveCopy(path, output, &kGreeting));
    EXPECT_EQ(GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  ExeImage missing;
  EXPECT_FALSE(missing.Open(CopyPath("no such file.exe").c_str()));
  EXPECT_FALSE(missing.Save(INVALID_HANDLE_VALUE));
}

TEST_F(ExeImageTest, ReportsWriteErrors) {
  std::string target = CopyPath("read-only-handle.exe");
  WriteBytes(target, {});
  HANDLE readOnly = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
  ExeImage image;
  ASSERT_TRUE(image.Open(PEIMAGE_GREETER));
  EXPECT_FALSE(image.Save(readOnly));
  CloseHandle(readOnly);
  ExeImage unopened;
  EXPECT_FALSE(unopened.Save(GetStdHandle(STD_ERROR_HANDLE)));
}

TEST_F(ExeImageTest, KeepsTheInputReadOnlyAndUnchanged) {
  std::string input = CopyPath("input.exe");
  WriteBytes(input, ReadBytes(PEIMAGE_GREETER));
  std::vector<uint8_t> before = ReadBytes(input);
  {
    ExeImage image;
    ASSERT_TRUE(image.Open(input.c_str()));
    HANDLE writer = CreateFileA(input.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    std::string message(200, 'q');
    image.ReplaceResourceData(kMessage, kGreetingId, message.data(), 200);
    image.ReplaceResourceData("NOSUCHTYPE", kGreetingId, message.data(), 200);
  }
  EXPECT_TRUE(ReadBytes(input) == before);
  EXPECT_FALSE(ExeFileHoldsResource(input.c_str(), kMessage, kGreetingId, "Joyeux", 6));
  EXPECT_TRUE(ExeFileHoldsResource(input.c_str(), kMessage, kGreetingId, kGreeting.data(),
                                   static_cast<DWORD>(kGreeting.size())));
}

}  // namespace
