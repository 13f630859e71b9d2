// An animation made of named pictures, one per frame.
#pragma once

#include "gui/IMAnimationView.h"
#include "gui/IMTextureView.h"

#include <string>
#include <vector>

class IMSequenceView : public IMTextureView, public IMAnimationView {
public:
    // Appends a frame and shows the first frame.
    void AddFrame(const std::wstring& name);

    // Shows the frame; an index at or beyond the number of frames is ignored.
    void SetFrame(unsigned index) override;
    int GetFrame() const override { return frame; }
    int GetFirstFrame() const override { return firstFrame; }
    int GetLastFrame() const override { return lastFrame; }
    // Both clamp to the frames there are (0 when there are none).
    void SetFirstFrame(unsigned value) override;
    void SetLastFrame(unsigned value) override;

    int frame = 0;
    int firstFrame = 0;
    int lastFrame = 0;
    std::vector<std::wstring> frames;

private:
    int Clamp(unsigned value) const;
};
