// The list: a framed column of text items, one of which the user selects by clicking it; the
// selection lies as a translucent mark under the selected item. The printer dialog lists the
// printers with it.
#pragma once

#include "gui/IMDialogBase.h"
#include "gui/IMTextView.h"

#include <memory>
#include <string>
#include <vector>

class IMList : public IMViewControl<IMEmptyView> {
public:
    using Item = IMStaticPictureBase<IMTextView>;

    // The list, its frame and the frame's contents are made in the parent, in layer 0.
    explicit IMList(Dialog* parentDialog);

    // Places the list and lays its frame out over the same rectangle.
    void SetRect(const platform::Rect& rect) override;
    // Removes the frame, and with it the items, together with the list.
    long Remove() override;

    // A new item below the others, in black; clicking it selects it.
    Item* AddItem(const std::wstring& text);
    // Marks the item (null: nothing) as selected.
    void Select(Item* item);

    // A container in the list's parent covering the list's rectangle.
    Dialog* frame = nullptr;
    // Holds the selection mark and the items, inside the frame's lines.
    Dialog* inner = nullptr;
    IMStaticPictureBase<IMTextureView>* background = nullptr;
    IMStaticPictureBase<IMTextureView>* topLine = nullptr;
    IMStaticPictureBase<IMTextureView>* bottomLine = nullptr;
    IMStaticPictureBase<IMTextureView>* leftLine = nullptr;
    IMStaticPictureBase<IMTextureView>* rightLine = nullptr;
    IMStaticPictureBase<IMTextureView>* selectionMark = nullptr;
    std::vector<Item*> items;
    Item* selected = nullptr;

private:
    // The frame belongs to the parent, which may have deleted it already.
    std::weak_ptr<void> frameAlive;
};
