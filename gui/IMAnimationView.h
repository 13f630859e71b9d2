// What an animation control needs of its view: a current frame and the range
// of frames to play. Picture sequences and Theora videos implement it.
#pragma once

class IMAnimationView {
public:
    virtual ~IMAnimationView() = default;

    virtual void SetFrame(unsigned frame) = 0;
    virtual int GetFrame() const = 0;
    virtual int GetFirstFrame() const = 0;
    virtual int GetLastFrame() const = 0;
    virtual void SetFirstFrame(unsigned frame) = 0;
    virtual void SetLastFrame(unsigned frame) = 0;
};
