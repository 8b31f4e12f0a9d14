// A player's name as every lobby takes it: the rule is the replay format's (replay/player_name.h),
// which stores the same names; the lobby's names and the replay's have one limit in bytes.
#pragma once

#include "net/protocol.h"
#include "replay/player_name.h"

namespace kokurin::net {

using kokurin::appendUtf8;
using kokurin::decodeUtf8;
using kokurin::maxNameCharacters;
using kokurin::normalizePlayerName;
using kokurin::playerNameKey;
using kokurin::validPlayerName;

static_assert(maxNameBytes == replayMaxNameBytes, "a lobby's name fits a replay");

} // namespace kokurin::net
