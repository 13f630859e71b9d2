// The results screen's two report dialogs, as the screen itself needs them:
// closing whichever is open when the screen goes.
#pragma once

// Closes the open Save As and printer dialogs, if any.
void CloseReportDialogs();
