// A modal message with an OK button (the hint, the single-instance notice, start-up failures).
#pragma once

// Shows UTF-8 text in a box with no owner, the system's default caption and one OK button;
// returns when it is closed.
void showMessageBox(const char* text);
