// The command list of the frame being drawn, shared by the drawing calls and the frame pump.
#pragma once

#include "web/draw_list.h"

namespace kokurin {
namespace web {

DrawList& frameDraws();

} // namespace web
} // namespace kokurin
