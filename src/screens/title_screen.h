// The title screen: opponent roster with portraits, help lines, and the outer loop of matches.
#pragma once

constexpr int rosterSize = 16;
extern const char* const rosterNames[rosterSize];
extern const char* const rosterPortraits[rosterSize];

// True when the application must quit; false when ESC left the title screen.
bool runTitleScreen();
