#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum {

// A PostgreSQL server's address is a connection URI; a password in it ("postgresql://user:PASSWORD@
// host/db", or "?password=PASSWORD") must reach libpq and nothing else: no message, no log, no
// window title, and not the process's command line, which every user of the machine can read
// (ps, /proc/PID/cmdline).

// Where the passwords of `address` are: each span's start and length.
std::vector<std::pair<std::size_t, std::size_t>> passwordSpans(std::string_view address);

// The address as it may be shown: each password left out ("postgresql://user@host/db").
std::string addressWithoutPassword(const std::string& address);

// Overwrites, in the process's own command line, the password of every argument that is a server
// address, so that ps and /proc/PID/cmdline show "x" in its place. The program must have copied
// its arguments first.
void hidePasswordsInCommandLine(int argc, char** argv);

} // namespace kestrum
