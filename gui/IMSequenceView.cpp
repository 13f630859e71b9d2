// Frames of a picture sequence.
#include "gui/IMSequenceView.h"

#include <algorithm>

void IMSequenceView::AddFrame(const std::wstring& name) {
    frames.push_back(name);
    SetFrame(static_cast<unsigned>(GetFirstFrame()));
}

void IMSequenceView::SetFrame(unsigned index) {
    if (index >= frames.size())
        return;
    frame = static_cast<int>(index);
    SetTexture(frames[index]);
}

int IMSequenceView::Clamp(unsigned value) const {
    if (frames.empty())
        return 0;
    // Taken as signed, as a caller's −1 means "before the first".
    return std::clamp(static_cast<int>(value), 0, static_cast<int>(frames.size()) - 1);
}

void IMSequenceView::SetFirstFrame(unsigned value) {
    firstFrame = Clamp(value);
}

void IMSequenceView::SetLastFrame(unsigned value) {
    lastFrame = Clamp(value);
}
