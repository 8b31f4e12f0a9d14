// kokurin-sim --online: one whole match on a kokurin-server, played or watched, printed as the
// same transcript an offline match prints.
#pragma once

#include "headless/headless.h"
#include "sim_options.h"

namespace kokurin {

// Returns the process's exit status; keys may be empty.
int playOnline(const SimOptions& options, headless::KeySource* keys);

} // namespace kokurin
