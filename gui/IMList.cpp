// Building the list's frame, adding items and moving the selection mark.
#include "gui/IMList.h"

using platform::Rect;

IMList::IMList(Dialog* parentDialog) : IMViewControl<IMEmptyView>(parentDialog, 0) {
    frame = new Dialog(parentDialog, 0);
    frameAlive = frame->LifetimeToken();
    background = frame->CreatePicture(0, 0, L"EditBarBackGround");
    inner = new Dialog(frame, 0);
    topLine = frame->CreatePicture(0, 0, L"EditBarKaretka");
    bottomLine = frame->CreatePicture(0, 0, L"EditBarKaretka");
    leftLine = frame->CreatePicture(0, 0, L"EditBarKaretka");
    rightLine = frame->CreatePicture(0, 0, L"EditBarKaretka");
    selectionMark = inner->CreatePicture(0, 0, L"SelectionMask");
    selectionMark->Hide();
}

void IMList::SetRect(const Rect& rect) {
    IMViewControl<IMEmptyView>::SetRect(rect);
    const int w = rect.Width();
    const int h = rect.Height();
    frame->SetRect(rect);
    inner->SetRect(Rect{1, 1, w - 1, h - 1});
    background->SetRect(Rect{1, 1, w - 1, h - 1});
    leftLine->SetRect(Rect{0, 0, 1, h});
    topLine->SetRect(Rect{0, 0, w, 1});
    bottomLine->SetRect(Rect{0, h - 1, w, h});
    rightLine->SetRect(Rect{w - 1, 0, w, h});
}

long IMList::Remove() {
    if (!frameAlive.expired())
        frame->Destroy(IMEvent(this, IMEventCode::Close));
    return IMViewControl<IMEmptyView>::Remove();
}

IMList::Item* IMList::AddItem(const std::wstring& text) {
    int y = 0;
    for (Item* item : items)
        y += item->GetHeight();
    Item* item = inner->CreateText(0, y, text, 0);
    item->SetColor(0xFF000000);
    // The items live in the frame, which may outlast the list.
    item->OnClick.connect(IMMouseSignal::slot_type([this, item](const IMMouseEvent&) {
                              Select(item);
                              return 0L;
                          }).track_foreign(LifetimeToken()));
    items.push_back(item);
    return item;
}

void IMList::Select(Item* item) {
    selected = item;
    if (!item) {
        selectionMark->Hide();
        return;
    }
    selectionMark->Show();
    const Rect place = item->GetRect();
    selectionMark->SetRect(Rect{0, place.top, inner->GetWidth(), place.bottom + 1});
}
