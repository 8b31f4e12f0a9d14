// The routine that ends every frame: present, messages, sound tick, next frame, input poll.
#pragma once

// Called once per drawn frame by every screen loop, after that frame's drawing. True means the
// application is quitting: the caller returns at once without drawing or pumping again.
bool pumpFrame();
