// The card dialog in-process with the card's own resources: each test opens
// the card and drives it from a thread timer that runs inside the card's
// modal loop. Links go to a stand-in browser that records the address
// (record_url.sh, named by CARDLING_URL_BROWSER, writing to CARDLING_URL_LOG).
#include "card/card_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gfx/fig_animation.h"
#include "gfx/gdi_objects.h"
#include "gfx/palette.h"
#include "tests/gfx/gdi_test_util.h"

namespace {

constexpr const char* kCardCaption = "Christmas Cardlings";
constexpr RECT kBand = {12, 283, 480, 343};

// --- The host window: counts the WM_CLOSE the card sends it. ---

int hostCloses = 0;

LRESULT CALLBACK TestHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        hostCloses += 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateTestHost() {
    static ATOM registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestHostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "card_test_host";
        return RegisterClassA(&wc);
    }();
    (void)registered;
    return CreateWindowExA(0, "card_test_host", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// --- Steps run inside the card's modal loop, each `afterMs` after the last. ---

struct Step {
    DWORD afterMs;
    std::function<void(HWND card)> run;
};

std::vector<Step> steps;
size_t nextStep = 0;
DWORD stepDue = 0;
bool inStep = false;

void CALLBACK RunSteps(HWND, UINT, UINT_PTR, DWORD) {
    HWND card = FindWindowA(nullptr, kCardCaption);
    if (inStep || !card || nextStep >= steps.size() || GetTickCount() - stepDue > 0x80000000u) {
        return;
    }
    inStep = true;
    steps[nextStep].run(card);
    inStep = false;
    nextStep += 1;
    if (nextStep < steps.size()) {
        stepDue = GetTickCount() + steps[nextStep].afterMs;
    }
}

class CardDialog : public ::testing::Test {
protected:
    void SetUp() override {
        host = CreateTestHost();
        ASSERT_NE(host, nullptr);
        InitSharedPalette(GetModuleHandleA(nullptr), host);
        hostCloses = 0;
        steps.clear();
        nextStep = 0;
    }

    void TearDown() override {
        DeleteSharedPalette();
        DestroyWindow(host);
    }

    // Opens the card and runs `script` in it; a card still open a few
    // seconds after the last step is closed by the test.
    int RunCard(std::vector<Step> script) {
        steps = std::move(script);
        nextStep = 0;
        steps.push_back({5000, [](HWND card) {
                             ADD_FAILURE() << "the card did not close";
                             PostMessageA(card, WM_COMMAND, IDCANCEL, 0);
                         }});
        stepDue = GetTickCount() + steps[0].afterMs;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, RunSteps);
        // The stage's tick must stop while the card is open.
        SetTimer(host, 1, 100, nullptr);
        int result = ShowCardDialog(GetModuleHandleA(nullptr), host, "vic1", "xgirl");
        hostTickStopped = !KillTimer(host, 1);
        KillTimer(nullptr, timer);
        // The card posts its WM_CLOSE to the host as it ends.
        MSG msg;
        while (PeekMessageA(&msg, host, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        return result;
    }

    HWND host = nullptr;
    bool hostTickStopped = false;
};

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

// --- Pixels ---

std::vector<COLORREF> WindowPixels(HWND window, const RECT& area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    HDC dc = GetDC(window);
    WorkBitmap copy(CreateCompatibleBitmap(dc, width, height));
    {
        MemoryDc memory(dc, copy.get());
        BitBlt(memory.get(), 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
    }
    ReleaseDC(window, dc);
    return ReadPixels(copy.get());
}

DWORD fakeNow = 0;
DWORD WINAPI FakeClock() { return fakeNow; }

// The canvas of FIG 1201 after each of its frames, as the player composes it.
std::vector<std::vector<COLORREF>> ExpectedBandFrames() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1201), "FIG");
    const void* data = LockResource(LoadResource(nullptr, found));
    FigAnimation player;
    player.SetClock(FakeClock);
    RECT placement = kBand;
    player.Attach(nullptr, data, SizeofResource(nullptr, found), &placement);
    std::vector<std::vector<COLORREF>> frames;
    player.SetState(FigAnimation::kPlaying);
    while (frames.size() < 14) {
        frames.push_back(ReadPixels(player.Canvas()));
        fakeNow += 3000;
        player.Tick();
    }
    return frames;
}

// Number (from 1) of the frame whose canvas the band shows, or 0.
int FrameShown(const std::vector<COLORREF>& band, const std::vector<std::vector<COLORREF>>& frames) {
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] == band) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

TEST_F(CardDialog, OpensCentredAtThePicturesSizeAndPlaysTheAnimationInTheBand) {
    std::vector<std::vector<COLORREF>> expected = ExpectedBandFrames();
    RECT client = {};
    RECT window = {};
    int firstFrame = -1;
    int laterFrame = -1;
    int result = RunCard({
        {300, [&](HWND card) {
             GetClientRect(card, &client);
             GetWindowRect(card, &window);
             firstFrame = FrameShown(WindowPixels(card, kBand), expected);
         }},
        {1700, [&](HWND card) { laterFrame = FrameShown(WindowPixels(card, kBand), expected); }},
        {0, [](HWND card) { PostMessageA(card, WM_COMMAND, IDCANCEL, 0); }},
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(hostTickStopped);
    EXPECT_EQ(client.right, 493);
    EXPECT_EQ(client.bottom, 359);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    EXPECT_EQ(firstFrame, 1);
    // Frame 7 is on show from 1.55 s to 2.55 s.
    EXPECT_GE(laterFrame, 7) << "the band shows no frame of the animation, or no later one";
    EXPECT_EQ(hostCloses, 1);
}

TEST_F(CardDialog, ShowsTheHandEverywhereButOverTheSendSpotAndTheEditArea) {
    struct Case {
        POINT point;
        int cursor;
    };
    const Case cases[] = {
        {{10, 10}, 100},   {{200, 300}, 100}, {{400, 30}, 102}, {{372, 10}, 102},
        {{456, 50}, 100},  {{300, 30}, 103},  {{238, 10}, 103}, {{346, 30}, 100},
        {{50, 250}, 100},  {{430, 260}, 100},
    };
    std::vector<std::string> wrong;
    int result = RunCard({
        {100, [&](HWND card) {
             for (const Case& test : cases) {
                 SendMessageA(card, WM_MOUSEMOVE, 0, At(test.point.x, test.point.y));
                 HCURSOR expected = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(test.cursor));
                 if (GetCursor() != expected || !expected) {
                     wrong.push_back(std::to_string(test.point.x) + "," + std::to_string(test.point.y));
                 }
             }
             PostMessageA(card, WM_COMMAND, IDCANCEL, 0);
         }},
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(wrong.empty()) << "wrong cursor at " << ::testing::PrintToString(wrong);
}

// --- Links ---

std::string EnvironmentText(const char* name) {
    char value[MAX_PATH] = {};
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

// The log file's path for this process (the log variable holds a Unix path).
std::string UrlLogDosPath() {
    return "Z:" + EnvironmentText("CARDLING_URL_LOG");
}

std::vector<std::string> RecordedUrls() {
    std::vector<std::string> urls;
    HANDLE file = CreateFileA(UrlLogDosPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return urls;
    }
    char buffer[8192];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    std::string line;
    for (DWORD i = 0; i < read; ++i) {
        if (buffer[i] == '\n') {
            urls.push_back(line);
            line.clear();
        } else {
            line += buffer[i];
        }
    }
    return urls;
}

// Points the shell's browser at the stand-in for the test's lifetime.
class BrowserStandIn {
public:
    BrowserStandIn() {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        DWORD size = sizeof previous;
        hadPrevious = RegQueryValueExA(key, "Browsers", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS;
        std::string browser = EnvironmentText("CARDLING_URL_BROWSER");
        RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browser.c_str()),
                       static_cast<DWORD>(browser.size() + 1));
        DeleteFileA(UrlLogDosPath().c_str());
    }
    ~BrowserStandIn() {
        if (hadPrevious) {
            RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous),
                           static_cast<DWORD>(strlen(previous) + 1));
        } else {
            RegDeleteValueA(key, "Browsers");
        }
        RegCloseKey(key);
        DeleteFileA(UrlLogDosPath().c_str());
    }

    // The addresses recorded, once `count` of them have arrived (or after 10 s).
    std::vector<std::string> WaitFor(size_t count) {
        std::vector<std::string> urls;
        for (int i = 0; i < 200 && (urls = RecordedUrls()).size() < count; ++i) {
            Sleep(50);
        }
        return urls;
    }

private:
    HKEY key = nullptr;
    char previous[512] = {};
    bool hadPrevious = false;
};

TEST_F(CardDialog, EachSpotOpensItsAddressAndTheCardStaysOpen) {
    ASSERT_FALSE(EnvironmentText("CARDLING_URL_BROWSER").empty());
    BrowserStandIn browser;
    struct Case {
        POINT point;
        const char* url;
    };
    const Case cases[] = {
        {{100, 100}, "http://cardling.example.com/index.asp?type=vic1&area=1"},
        {{200, 300}, "http://cardling.example.com/index.asp?type=vic1&area=ym1"},
        {{400, 30}, "http://cardling.example.com/index.asp?type=vic1&ck=xgirl&area=send"},
        {{50, 250}, "http://maker.example.com/"},
        {{430, 260}, "http://maker.example.com/documents/privacy/cardlings"},
    };
    std::vector<std::string> expected;
    std::vector<Step> script;
    for (const Case& test : cases) {
        expected.push_back(test.url);
        size_t clicks = expected.size();
        script.push_back({100, [&browser, test, clicks](HWND card) {
                              SendMessageA(card, WM_LBUTTONDOWN, MK_LBUTTON, At(test.point.x, test.point.y));
                              SendMessageA(card, WM_LBUTTONUP, 0, At(test.point.x, test.point.y));
                              // One at a time, so the log keeps the order.
                              browser.WaitFor(clicks);
                          }});
    }
    bool stillOpen = false;
    script.push_back({100, [&](HWND card) {
                          stillOpen = IsWindowVisible(card) != FALSE;
                          PostMessageA(card, WM_COMMAND, IDCANCEL, 0);
                      }});
    EXPECT_EQ(RunCard(script), 1);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(browser.WaitFor(expected.size()), expected);
    EXPECT_EQ(hostCloses, 1);
}

// --- Closing ---

TEST_F(CardDialog, EscTheCloseBoxACommandAndThe120thIdleTickCloseTheCard) {
    struct Case {
        const char* name;
        std::function<void(HWND)> close;
    };
    const Case cases[] = {
        {"Esc", [](HWND card) { PostMessageA(card, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND card) { PostMessageA(card, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"command", [](HWND card) { PostMessageA(card, WM_COMMAND, 4242, 0); }},
        {"idle", [](HWND card) {
             for (int tick = 1; tick < 120; ++tick) {
                 SendMessageA(card, WM_TIMER, kCardIdleTimer, 0);
             }
             EXPECT_TRUE(IsWindowVisible(card)) << "closed before the 120th tick";
             SendMessageA(card, WM_TIMER, kCardIdleTimer, 0);
         }},
    };
    for (const Case& test : cases) {
        hostCloses = 0;
        EXPECT_EQ(RunCard({{100, test.close}}), 1) << test.name;
        EXPECT_EQ(hostCloses, 1) << test.name;
        EXPECT_EQ(FindWindowA(nullptr, kCardCaption), nullptr) << test.name;
    }
}

TEST_F(CardDialog, AClickRestartsTheIdleSecondButKeepsTheCount) {
    BrowserStandIn browser;
    bool openAfter119 = false;
    int result = RunCard({
        {100, [&](HWND card) {
             for (int tick = 0; tick < 100; ++tick) {
                 SendMessageA(card, WM_TIMER, kCardIdleTimer, 0);
             }
             SendMessageA(card, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 250));
             for (int tick = 0; tick < 19; ++tick) {
                 SendMessageA(card, WM_TIMER, kCardIdleTimer, 0);
             }
             openAfter119 = IsWindowVisible(card) != FALSE;
             SendMessageA(card, WM_TIMER, kCardIdleTimer, 0);
         }},
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(openAfter119);
    EXPECT_EQ(hostCloses, 1);
    // The click opened the maker's page; wait for it, or it lands in the
    // next test's record.
    EXPECT_EQ(browser.WaitFor(1), std::vector<std::string>{"http://maker.example.com/"});
}

// --- The personalised copy: its message dialog opens from the edit area
// and from Ctrl+M, and cancelling it leaves the card open. ---

constexpr const char* kMessageCaption = "Enter your message";

// Ctrl as the keyboard sets it, so that the card's GetAsyncKeyState sees it.
// When the card gets the focus back Wine resets its key state to the X
// keyboard's, which may undo a press sent just before: send until it holds.
void PressControl(HWND card, bool down) {
    SetForegroundWindow(card);
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_CONTROL;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    auto holds = [down] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; };
    for (int attempt = 0; attempt < 5 && !holds(); ++attempt) {
        SendInput(1, &input, sizeof input);
        for (int i = 0; i < 20 && !holds(); ++i) {
            Sleep(10);
        }
        Sleep(100);
    }
    EXPECT_TRUE(holds());
}

TEST_F(CardDialog, TheEditAreaAndCtrlMOpenMessageEntryAndNoPage) {
    BrowserStandIn browser;
    std::vector<std::string> opened;
    auto cancelMessage = [&](const char* how) {
        return Step{300, [&opened, how](HWND) {
                        HWND message = FindWindowA(nullptr, kMessageCaption);
                        if (message) {
                            opened.push_back(how);
                            PostMessageA(message, WM_COMMAND, IDCANCEL, 0);
                        }
                    }};
    };
    bool stillOpen = false;
    int result = RunCard({
        {100, [](HWND card) { PostMessageA(card, WM_LBUTTONDOWN, MK_LBUTTON, At(300, 30)); }},
        cancelMessage("edit area"),
        {100, [](HWND card) {
             PressControl(card, true);
             PostMessageA(card, WM_KEYDOWN, 'M', 0);
         }},
        cancelMessage("Ctrl+M"),
        {100, [](HWND card) {
             PressControl(card, false);
             PostMessageA(card, WM_KEYDOWN, 'M', 0);
         }},
        cancelMessage("M without Ctrl"),
        {100, [](HWND card) {
             PressControl(card, true);
             PostMessageA(card, WM_KEYDOWN, 'N', 0);
             PostMessageA(card, WM_KEYDOWN, 'M', 0);
         }},
        cancelMessage("Ctrl+N Ctrl+M"),
        {100, [&](HWND card) {
             PressControl(card, false);
             stillOpen = IsWindowVisible(card) != FALSE;
             PostMessageA(card, WM_COMMAND, IDCANCEL, 0);
         }},
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(opened, (std::vector<std::string>{"edit area", "Ctrl+M", "Ctrl+N Ctrl+M"}));
    Sleep(500);
    EXPECT_EQ(RecordedUrls(), std::vector<std::string>{});
}

TEST_F(CardDialog, ASecondCardWhileOneIsOpenIsRefused) {
    int inner = -1;
    int result = RunCard({
        {100, [&](HWND) { inner = ShowCardDialog(GetModuleHandleA(nullptr), host, "vic1", "xgirl"); }},
        {100, [](HWND card) { PostMessageA(card, WM_COMMAND, IDCANCEL, 0); }},
    });
    EXPECT_EQ(inner, 0);
    EXPECT_EQ(result, 1);
}

}  // namespace
