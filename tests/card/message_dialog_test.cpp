#include "card/message_dialog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tests/card/save_flow_driver.h"

namespace {

constexpr const char* kCaption = "Enter your message";

// Opens the message dialog, lets `script` act on it as the user, and returns
// what the dialog handed back.
MessageText RunMessageDialog(HWND owner, const std::function<void(HWND dialog)>& script)
{
    char* text = RunDriven(
        [owner] { return ShowMessageDialog(GetModuleHandleA(nullptr), owner); },
        [script] {
            HWND dialog = WaitForWindow(kCaption);
            if (!dialog)
                return;
            script(dialog);
            // A script that left the dialog open must not hang the test.
            if (!WaitUntilGone(dialog))
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    return MessageText(text);
}

void PressOk(HWND dialog)
{
    ClickCenter(GetDlgItem(dialog, IDOK));
}

TEST(MessageDialog, LinesComeBackSeparatedByCrLf)
{
    MessageText text = RunMessageDialog(nullptr, [](HWND dialog) {
        TypeText("Merry Christmas\nfrom all of us");
        PressOk(dialog);
    });
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "Merry Christmas\r\nfrom all of us");
}

TEST(MessageDialog, FieldStopsAt255Characters)
{
    struct Case {
        size_t typed;
        size_t kept;
    };
    for (Case c : {Case{255, 255}, Case{300, 255}}) {
        std::string typed;
        for (size_t i = 0; i < c.typed; ++i)
            typed += static_cast<char>('a' + i % 26);
        MessageText text = RunMessageDialog(nullptr, [&typed](HWND dialog) {
            TypeText(typed);
            PressOk(dialog);
        });
        ASSERT_NE(text, nullptr) << c.typed;
        EXPECT_EQ(std::string(text.get()), typed.substr(0, c.kept)) << c.typed;
    }
}

TEST(MessageDialog, OkOnEmptyFieldGivesEmptyText)
{
    MessageText text = RunMessageDialog(nullptr, [](HWND dialog) { PressOk(dialog); });
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "");
}

TEST(MessageDialog, CancelEscapeAndCloseBoxGiveNothing)
{
    const std::pair<const char*, std::function<void(HWND)>> cases[] = {
        {"Cancel button", [](HWND dialog) { ClickCenter(GetDlgItem(dialog, IDCANCEL)); }},
        {"Esc", [](HWND) { PressKey(VK_ESCAPE); }},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [name, close] : cases) {
        bool closedByUser = false;
        MessageText text = RunMessageDialog(nullptr, [&](HWND dialog) {
            TypeText("not wanted");
            close(dialog);
            closedByUser = WaitUntilGone(dialog);
        });
        EXPECT_TRUE(closedByUser) << name;
        EXPECT_EQ(text, nullptr) << name;
    }
}

RECT WindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

POINT Centre(const RECT& rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The card window's size, placed off-centre so that centring on the screen
// would be visibly wrong.
HWND CreateOwner(int x, int y)
{
    return CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, x, y, 493, 359, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(MessageDialog, OpensCentredOverItsOwnerOrTheScreen)
{
    HWND owner = CreateOwner(40, 30);
    ASSERT_NE(owner, nullptr);
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const std::pair<HWND, RECT> cases[] = {{owner, WindowRect(owner)}, {nullptr, screen}};
    for (const auto& [ownerWindow, area] : cases) {
        RECT dialogRect = {};
        RunMessageDialog(ownerWindow, [&dialogRect](HWND dialog) {
            dialogRect = WindowRect(dialog);
            ClickCenter(GetDlgItem(dialog, IDCANCEL));
        });
        POINT want = Centre(area);
        POINT got = Centre(dialogRect);
        // Each half is truncated on its own, so the centres may differ by one.
        EXPECT_LE(abs(got.x - want.x), 1) << (ownerWindow ? "owner" : "screen");
        EXPECT_LE(abs(got.y - want.y), 1) << (ownerWindow ? "owner" : "screen");
    }
    DestroyWindow(owner);
}

TEST(MessageDialog, CenterOverOwnerKeepsTheSize)
{
    HWND owner = CreateOwner(300, 200);
    HWND window = CreateWindowExA(0, "STATIC", "owned", WS_POPUP, 0, 0, 101, 51, owner, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    CenterOverOwner(window);
    RECT rect = WindowRect(window);
    // Owner (300, 200, 793, 559): centre (546, 379); half sizes 50 and 25.
    EXPECT_EQ(rect.left, 496);
    EXPECT_EQ(rect.top, 354);
    EXPECT_EQ(rect.right - rect.left, 101);
    EXPECT_EQ(rect.bottom - rect.top, 51);
    DestroyWindow(window);
    DestroyWindow(owner);
}

} // namespace
