#include "card/card_dialog.h"

#include <shellapi.h>
#include <string.h>
#include <strsafe.h>

#include "card/key_sequence.h"
#include "card/link_spots.h"
#include "card/save_flow.h"
#include "gfx/bitmap_ops.h"
#include "gfx/fig_animation.h"
#include "gfx/fig_image.h"
#include "gfx/palette.h"

namespace {

constexpr int kCardPictureId = 1200;
constexpr int kCardAnimationId = 1201;
constexpr unsigned kTypeCodeId = 1200;
constexpr int kHandCursorId = 100;
constexpr int kSendCursorId = 102;
constexpr int kWriteCursorId = 103;
constexpr UINT_PTR kHostTickTimer = 1;

// The one card of the process.
struct CardState {
    HINSTANCE instance = nullptr;
    HWND hostWindow = nullptr;
    const char* sceneName = "";
    const char* characterSetName = "";
    HBITMAP background = nullptr;
    int width = 0;
    int height = 0;
    FigAnimation* animation = nullptr;
    HGLOBAL animationResource = nullptr;
    HCURSOR handCursor = nullptr;
    HCURSOR sendCursor = nullptr;
    HCURSOR writeCursor = nullptr;
    int idleTicks = 0;
};

CardState card;

void CloseCardAndApplication(HWND window) {
    CloseCardDialog(window);
    PostMessageA(card.hostWindow, WM_CLOSE, 0, 0);
}

void LoadCursorOnce(HCURSOR* cursor, int id) {
    if (!*cursor) {
        *cursor = LoadCursorA(card.instance, MAKEINTRESOURCEA(id));
    }
}

void DestroyCursorOnce(HCURSOR* cursor) {
    if (*cursor) {
        DestroyCursor(*cursor);
        *cursor = nullptr;
    }
}

// The hand everywhere, the envelope over the send spot, the pencil over the
// edit area.
void SetCursorFor(POINT point) {
    if (PtInRect(&kEditArea, point)) {
        SetCursor(card.writeCursor);
        return;
    }
    SetCursor(SpotCursorAt(point) == SpotCursor::kSend ? card.sendCursor : card.handCursor);
}

void OpenLinkSpot(HWND window, const LinkSpot& spot) {
    if (!spot.urlFormat[0]) {
        CloseCardAndApplication(window);
        return;
    }
    char url[kUrlFormatSize * 2];
    FormatLinkUrl(spot.urlFormat, card.sceneName, card.characterSetName, url, sizeof url);
    HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "open", url, nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        char text[sizeof url + 64];
        StringCchCopyA(text, sizeof text, "Couldn't open your browser at ");
        StringCchCatA(text, sizeof text, url);
        MessageBoxA(window, text, "Browser Error", MB_OK);
    }
}

void OnClick(HWND window, POINT point) {
    // A click restarts the idle second but keeps the count.
    KillTimer(window, kCardIdleTimer);
    SetTimer(window, kCardIdleTimer, kCardIdlePeriod, nullptr);
    if (PtInRect(&kEditArea, point)) {
        SavePersonalisedCopy(window);
        return;
    }
    if (const LinkSpot* spot = LinkSpotAt(point)) {
        OpenLinkSpot(window, *spot);
    }
}

void OnTimer(HWND window, UINT_PTR id) {
    if (id == kCardIdleTimer) {
        card.idleTicks += 1;
        if (card.idleTicks == kCardIdleLimit) {
            CloseCardAndApplication(window);
        }
        return;
    }
    if (card.animation) {
        card.animation->Tick();
    }
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    DrawBitmap(dc, card.background, 0, 0);
    if (card.animation) {
        card.animation->Paint(dc, &paint.rcPaint);
    }
    EndPaint(window, &paint);
}

BOOL OnInitDialog(HWND window) {
    if (card.background || card.animationResource) {
        EndDialog(window, 0);
        return FALSE;
    }
    LoadSharedPaletteFromFig(MAKEINTRESOURCEA(kCardPictureId));
    card.background = FigLoadFirstFrame(card.instance, MAKEINTRESOURCEA(kCardPictureId));
    if (!card.background) {
        // Without its picture the card has no size and nothing to click.
        CloseCardAndApplication(window);
        return FALSE;
    }
    card.width = GetBitmapWidth(card.background);
    card.height = GetBitmapHeight(card.background);
    card.idleTicks = 0;
    StartCardAnimation(card.instance, window);
    CenterClientOnScreen(window, card.width, card.height);

    char typeCode[kUrlFormatSize];
    if (!ReadConfigString(kTypeCodeId, typeCode, sizeof typeCode)) {
        StringCchCopyA(typeCode, sizeof typeCode, "x");
    }
    InitLinkSpots(card.width, card.height, typeCode);
    ResetKeySequences();

    SetTimer(window, kCardIdleTimer, kCardIdlePeriod, nullptr);
    LoadCursorOnce(&card.handCursor, kHandCursorId);
    LoadCursorOnce(&card.sendCursor, kSendCursorId);
    LoadCursorOnce(&card.writeCursor, kWriteCursorId);
    POINT cursor;
    RECT windowRect;
    GetCursorPos(&cursor);
    GetWindowRect(window, &windowRect);
    if (PtInRect(&windowRect, cursor)) {
        SetCursor(card.handCursor);
    }
    return FALSE;
}

// Dialog procedures hand results other than TRUE/FALSE back through
// DWLP_MSGRESULT.
INT_PTR DialogResult(HWND window, LRESULT result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

POINT PointFrom(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

HINSTANCE CardInstance() {
    return card.instance;
}

HWND CardHostWindow() {
    return card.hostWindow;
}

int ShowCardDialog(HINSTANCE instance, HWND hostWindow, const char* sceneName,
                   const char* characterSetName) {
    card.instance = instance;
    card.hostWindow = hostWindow;
    card.sceneName = sceneName;
    card.characterSetName = characterSetName;
    KillTimer(hostWindow, kHostTickTimer);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(kCardDialogId), hostWindow,
                                     CardDialogProc, 0);
    if (result == -1) {
        // No card could be shown: with the stage stopped the program would
        // otherwise stay on, invisible.
        PostMessageA(hostWindow, WM_CLOSE, 0, 0);
        return 0;
    }
    return static_cast<int>(result);
}

void CloseCardDialog(HWND window) {
    if (card.background) {
        DeleteObject(card.background);
        card.background = nullptr;
    }
    // The player reads the resource's bytes: it goes first.
    delete card.animation;
    card.animation = nullptr;
    if (card.animationResource) {
        FreeResource(card.animationResource);
        card.animationResource = nullptr;
    }
    DestroyCursorOnce(&card.handCursor);
    DestroyCursorOnce(&card.sendCursor);
    DestroyCursorOnce(&card.writeCursor);
    EndDialog(window, 1);
}

void CenterClientOnScreen(HWND window, int clientWidth, int clientHeight) {
    RECT windowRect;
    RECT clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    int width = clientWidth + (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left);
    int height = clientHeight + (windowRect.bottom - windowRect.top) - (clientRect.bottom - clientRect.top);
    HDC screen = GetDC(nullptr);
    int screenWidth = GetDeviceCaps(screen, HORZRES);
    int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    MoveWindow(window, (screenWidth - width) / 2, (screenHeight - height) / 2, width, height, TRUE);
}

BOOL ReadConfigString(unsigned id, char* buffer, int size) {
    if (size <= 0) {
        return FALSE;
    }
    buffer[0] = '\0';
    HRSRC found = FindResourceA(card.instance, MAKEINTRESOURCEA(id), "CONFIG");
    if (!found) {
        return FALSE;
    }
    HGLOBAL loaded = LoadResource(card.instance, found);
    const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!text) {
        return FALSE;
    }
    DWORD length = SizeofResource(card.instance, found);
    if (length > static_cast<DWORD>(size - 1)) {
        length = size - 1;
    }
    // Stored text may carry its own terminator.
    length = static_cast<DWORD>(strnlen(text, length));
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    FreeResource(loaded);
    return TRUE;
}

BOOL StartCardAnimation(HINSTANCE instance, HWND window) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kCardAnimationId), "FIG");
    if (!found) {
        return FALSE;
    }
    card.animationResource = LoadResource(instance, found);
    const void* data = card.animationResource ? LockResource(card.animationResource) : nullptr;
    if (!data) {
        return FALSE;
    }
    card.animation = new FigAnimation();
    RECT provisional = {50, 50, 500, 500};
    if (!card.animation->Attach(window, data, SizeofResource(instance, found), &provisional)) {
        return FALSE;
    }
    int w = card.animation->Width();
    int h = card.animation->Height();
    int W = card.width;
    int H = card.height;
    int x = (W - w) / 2 > 1 ? (W - w) / 2 : 1;
    int bandTop = H - kCardBandHeight;
    int y = bandTop + (kCardBandHeight - h) / 2 > bandTop + 1 ? bandTop + (kCardBandHeight - h) / 2
                                                              : bandTop + 1;
    int width = w < W - 2 ? w : W - 2;
    int height = h < kCardBandHeight - 2 ? h : kCardBandHeight - 2;
    RECT placement = {x, y - 3, x + width, y - 3 + height};
    card.animation->SetPlacement(&placement);
    card.animation->SetState(FigAnimation::kPlaying);
    SetTimer(window, kCardAnimationTimer, kCardAnimationPeriod, nullptr);
    return TRUE;
}

INT_PTR CALLBACK CardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_PAINT:
        OnPaint(window);
        return TRUE;
    case WM_ERASEBKGND:
        // The picture covers the whole client area.
        return card.background ? DialogResult(window, 1) : FALSE;
    case WM_TIMER:
        OnTimer(window, wParam);
        return TRUE;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT) {
            return FALSE;
        }
        // Keeps the dialog class's arrow from flashing between moves.
        {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(window, &point);
            SetCursorFor(point);
        }
        return DialogResult(window, TRUE);
    case WM_MOUSEMOVE:
        SetCursorFor(PointFrom(lParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnClick(window, PointFrom(lParam));
        return TRUE;
    case WM_KEYDOWN:
        if ((GetAsyncKeyState(VK_CONTROL) & 0x8000) &&
            MatchKeySequence(static_cast<int>(wParam)) == kSaveCopySequence) {
            SavePersonalisedCopy(window);
        }
        return TRUE;
    case WM_COMMAND:
        CloseCardAndApplication(window);
        return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return DialogResult(window, AnswerPaletteMessage(window, message, wParam, FALSE));
    default:
        return FALSE;
    }
}
