// The desktop games' --ca-file FILE: certificate authorities (PEM) trusted for wss:// besides the
// system's, for a server whose certificate a private authority signed (a test's, a LAN's).
#pragma once

#include <string>

namespace kokurin {

// Reads --ca-file from the command line; false with the reason for a missing value or file.
bool readCaFileArgument(int argc, const char* const argv[], std::string& error);

} // namespace kokurin
