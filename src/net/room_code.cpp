// Room codes: ASCII letters and digits only, so a code is safe in a file name, a URL and a
// spoken sentence.
#include "net/room_code.h"

#include "net/protocol.h"

namespace kokurin::net {

bool normalizeRoomCode(const std::string& typed, std::string& code) {
    if (typed.size() < minRoomCodeCharacters || typed.size() > maxRoomCodeBytes) {
        return false;
    }
    std::string upper = typed;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    code = upper;
    return true;
}

} // namespace kokurin::net
