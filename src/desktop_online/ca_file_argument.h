// The desktop games' --ca-file FILE: certificate authorities (PEM) trusted for wss:// besides the
// system's, for a server whose certificate a private authority signed (a test's, a LAN's).
#pragma once

#include <string>

namespace kokurin {

// Trusts the authorities in the file (the command line's --ca-file) for wss://; false with the
// reason when the file cannot be read.
bool trustCaFile(const std::string& path, std::string& error);

} // namespace kokurin
