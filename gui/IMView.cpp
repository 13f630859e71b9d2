// The rectangle operations every view shares.
#include "gui/IMView.h"

using namespace platform;

void IMView::SetRect(const Rect& newRect) {
    if (newRect == GetRect())
        return;
    rect = newRect;
    SetDirty(true);
}

void IMView::SetSourceRect(const Rect& newSource) {
    if (newSource == GetSourceRect())
        return;
    sourceRect = newSource;
    SetDirty(true);
}

void IMView::SetPosition(Point position) {
    const Rect r = GetRect();
    SetRect(Rect{position.x, position.y, position.x + r.Width(), position.y + r.Height()});
}

Point IMView::GetPosition() const {
    const Rect r = GetRect();
    return Point{r.left, r.top};
}

void IMView::SetSize(int width, int height) {
    const Rect r = GetRect();
    SetRect(Rect{r.left, r.top, r.left + width, r.top + height});
}

int IMView::GetHeight() const {
    return GetRect().Height();
}

int IMView::GetWidth() const {
    return GetRect().Width();
}

bool IMView::HitTest(Point point) const {
    return PtInRect(GetRect(), point.x, point.y);
}
