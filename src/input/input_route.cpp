// The one route of frame input: a pointer to the installed source, the local devices' by default.
#include "input/input_route.h"

namespace kokurin {

namespace {

LocalInputSource localDevices;
FrameInputSource* installed = nullptr;

} // namespace

FrameInputSource* routeFrameInput(FrameInputSource* source) {
    FrameInputSource* previous = installed;
    installed = source;
    return previous;
}

FrameInputSource& frameInputSource() {
    return installed != nullptr ? *installed : localDevices;
}

} // namespace kokurin
