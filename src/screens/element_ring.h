// The five phases as a ring: each symbol in its colour, an arrow from each to the phase it
// overcomes (fire, metal, wood, earth, water, back to fire), a caption saying what the arrows
// mean, and each phase's name under its symbol where the language has one.
#pragma once

namespace kokurin {

// The symbols' centres on a unit circle in Element's order from Fire, fire at the top, then
// clockwise 72 degrees apart: fixed numbers rather than sin and cos, so that every platform
// draws the same pixels; and the circle's radius.
constexpr float elementRingX[5] = {0.0f, 0.9510565f, 0.5877853f, -0.5877853f, -0.9510565f};
constexpr float elementRingY[5] = {-1.0f, -0.3090170f, 0.8090170f, 0.8090170f, -0.3090170f};
constexpr float elementRingRadius = 40.0f;

// The ring's bounds around its centre: how far its drawing reaches to each side, above
// (the caption included) and below (the names included).
constexpr int elementRingHalfWidth = 84;
constexpr int elementRingAbove = 86;
constexpr int elementRingBelow = 58;

// Its place on the title screen, right of the portrait (the English title shows it; the help
// overlay shows it there in either language).
constexpr int titleRingX = 540;
constexpr int titleRingY = 150;

// Draws the ring centred on (x, y) in the current language's words.
void drawElementRing(int x, int y);

} // namespace kokurin
