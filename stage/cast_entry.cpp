#include "stage/cast_entry.h"

#include "stage/sprite.h"

namespace {

int PackedOrigin(const RECT& r)
{
    return PackDelta(r.left, r.top);
}

int PackedSize(const RECT& r)
{
    return PackDelta(r.right - r.left, r.bottom - r.top);
}

} // namespace

BOOL CastEntry::IsShown() const
{
    return sprite->IsShown();
}

int CastEntry::GetPosition() const
{
    RECT r;
    sprite->GetScreenRect(&r);
    return PackedOrigin(r);
}

int CastEntry::GetSize() const
{
    RECT r;
    sprite->GetScreenRect(&r);
    return PackedSize(r);
}

int CastEntry::GetPreviousPosition() const
{
    RECT r;
    sprite->GetPreviousRect(&r);
    return PackedOrigin(r);
}

int CastEntry::GetPreviousSize() const
{
    RECT r;
    sprite->GetPreviousRect(&r);
    return PackedSize(r);
}

void CastEntry::RememberRect() const
{
    sprite->RememberRect();
}

void CastEntry::SetWindow(HWND window) const
{
    sprite->SetWindow(window);
}

void CastEntry::SetDrawRects(const RECT* source, const RECT* dest) const
{
    sprite->SetDrawRects(source, dest);
}

void CastEntry::Draw(HDC hdc, const RECT* update) const
{
    sprite->Draw(hdc, update);
}

void CastEntry::OnMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    sprite->OnMouse(window, message, wParam, lParam);
}

RECT RectFromPacked(int position, int size)
{
    int x = PackedX(position);
    int y = PackedY(position);
    return RECT{x, y, x + PackedX(size), y + PackedY(size)};
}
