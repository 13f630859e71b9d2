// The instruction: the first one before the steps, its repetition on F1, the
// shell's default instruction and the ending a title's own instruction calls.
#include "shell/IMAppBase.h"

void IMAppBase::BeginInstruction() {}

void IMAppBase::ShowInstruction(Dialog* dialog) {}

long IMAppBase::RepeatInstruction(const IMKeyboardEvent& event) {
    return 0;
}

int IMAppBase::EndInstruction(Dialog* dialog, bool playEndSound, bool showKeyHint) {
    return 0;
}
