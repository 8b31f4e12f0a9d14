// The help overlay (F1 or ? held, or the page's help button): labels written over the running
// screen saying what each part is and which keys play. The screens only say which scene they
// drew; the overlay is drawn by the frame pump's before-present call, never into their frames.
#pragma once

namespace kokurin {

enum class HelpScene { None, Title, Match };

// The scene of the frame being drawn (forgotten once the frame is shown).
void showingForHelp(HelpScene scene);
// A help button that stays on until pressed again (the page's); off at start.
void setHelpLatched(bool on);
bool helpLatched();

// Whether the keys of the last frame ask for help (F1 or / held) or the button is on.
bool helpAsked();
// The labels of a scene over the frame drawn (nothing for None), in the current language.
void drawHelpOverlay(HelpScene scene);
// The pump's call: the overlay when asked for the frame's scene, then the scene is forgotten.
void drawHelpBeforePresent();

} // namespace kokurin
