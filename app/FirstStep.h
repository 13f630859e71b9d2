// Opening the title's first step in the main window, as the shell's step
// sequence opens every step, for the program to start straight into the game.
#pragma once

#include "app/App.h"

// Opens a full-screen step dialog in the main window, focused and stored in
// stepDialog, advances currentStep and hands the dialog to the step's
// function. When the dialog closes there is nothing to go on to yet, so the
// main window closes on the next loop pass and the program ends. Returns the
// dialog, or none when the title has no step or there is no main window.
IMDialogBase<IMEmptyView>* OpenFirstStep(App& app);
