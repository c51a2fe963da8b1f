// The card's resources as Windows itself loads them from a linked executable:
// cursors with their hot spots, the icon's sizes, both dialog templates, and
// the raw resources the program reads by type and name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

HINSTANCE Self()
{
    return GetModuleHandleA(nullptr);
}

std::string ResourceBytes(LPCSTR name, LPCSTR type)
{
    HRSRC info = FindResourceA(Self(), name, type);
    if (!info)
        return std::string();
    HGLOBAL data = LoadResource(Self(), info);
    const char* bytes = static_cast<const char*>(LockResource(data));
    return bytes ? std::string(bytes, SizeofResource(Self(), info)) : std::string();
}

struct CursorCase {
    int id;
    DWORD hotX, hotY;
};

TEST(Resources, CursorsAreMonochrome32WithTheirHotSpots)
{
    const CursorCase cases[] = {{100, 13, 9}, {102, 15, 18}, {103, 17, 15}};
    for (const CursorCase& c : cases) {
        SCOPED_TRACE(c.id);
        HCURSOR cursor = LoadCursorA(Self(), MAKEINTRESOURCEA(c.id));
        ASSERT_NE(cursor, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, c.hotX);
        EXPECT_EQ(info.yHotspot, c.hotY);
        // A monochrome cursor has no colour bitmap; its mask holds AND over XOR.
        EXPECT_EQ(info.hbmColor, nullptr);
        BITMAP mask = {};
        ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
        EXPECT_EQ(mask.bmWidth, 32);
        EXPECT_EQ(mask.bmHeight, 64);
        DeleteObject(info.hbmMask);
        DestroyCursor(cursor);
    }
}

TEST(Resources, IconHasExactImagesAt16_32And48)
{
    std::string group = ResourceBytes(MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_FALSE(group.empty());
    for (int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        PBYTE dir = reinterpret_cast<PBYTE>(&group[0]);
        int id = LookupIconIdFromDirectoryEx(dir, TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        std::string image = ResourceBytes(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)); // RT_ICON
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size);
        HICON icon = static_cast<HICON>(LoadImageA(Self(), MAKEINTRESOURCEA(100), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        // Drawn over white: the corners stay white, the box is not.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all = {0, 0, size, size};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(dc, size - 1, 0), RGB(255, 255, 255));
        EXPECT_NE(GetPixel(dc, size / 4, size * 3 / 4), RGB(255, 255, 255));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        DestroyIcon(icon);
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

std::string WindowText(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

TEST(Resources, CardDialogTemplateMakesAnEmptyCaptionedPopup)
{
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(107), nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), "Christmas Cardlings");
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), nullptr);
    DestroyWindow(dialog);
}

TEST(Resources, MessageDialogTemplateHasItsControls)
{
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(109), nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), "Enter your message");
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_STYLE) & DS_MODALFRAME);

    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    HWND edit = GetDlgItem(dialog, 101);
    ASSERT_TRUE(ok && cancel && edit);
    EXPECT_EQ(WindowText(ok), "OK");
    EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(WindowText(cancel), "Cancel");
    EXPECT_STRCASEEQ(ClassOf(edit).c_str(), "Edit");
    LONG editStyle = GetWindowLongA(edit, GWL_STYLE);
    EXPECT_TRUE(editStyle & ES_MULTILINE);
    EXPECT_TRUE(editStyle & ES_WANTRETURN);
    EXPECT_TRUE(editStyle & WS_VSCROLL);
    EXPECT_TRUE(editStyle & WS_TABSTOP);
    EXPECT_EQ(WindowText(edit), "");

    // The two texts, in template order after the edit.
    HWND prompt = GetWindow(edit, GW_HWNDNEXT);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(WindowText(prompt), "Enter your message below (max 256 characters).");
    HWND advice = GetWindow(prompt, GW_HWNDNEXT);
    ASSERT_NE(advice, nullptr);
    EXPECT_EQ(WindowText(advice).rfind("When you press OK, a dialog will appear", 0), 0u);
    DestroyWindow(dialog);
}

TEST(Resources, NamedResourcesAreWhereTheProgramLooks)
{
    EXPECT_EQ(ResourceBytes(MAKEINTRESOURCEA(101), "MSGTEXT"),
              std::string("Joyeux No\xEBl\r\n---------------------\r\n"));
    EXPECT_EQ(ResourceBytes(MAKEINTRESOURCEA(1200), "CONFIG"), "ym1");
    std::string palette = ResourceBytes("IDB_PAL", "DIB");
    EXPECT_EQ(palette.size(), 1334u);
    EXPECT_EQ(palette.substr(0, 2), "BM");
    EXPECT_EQ(ResourceBytes("IDM_MUSIC", "MIDI").substr(0, 4), "MThd");
    for (int id : {201, 202, 203, 204, 205, 206, 207, 1200, 1201}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(ResourceBytes(MAKEINTRESOURCEA(id), "FIG").substr(0, 4), "FIG1");
    }
}

} // namespace
