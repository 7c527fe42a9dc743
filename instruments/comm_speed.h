// Baud rates outside the termios table, set and read through termios2 (BOTHER).
#pragma once

#include <cstdint>

namespace NuvixParser {

// Sets both directions of the open terminal `fd` to `baud` bits per second, keeping its
// other settings; false when the driver refuses. Kept apart from <termios.h>: the kernel's
// termios2 header defines the same names differently.
bool SetCustomSpeed(int fd, std::uint32_t baud);
// The output speed the driver reports, in bits per second (0 when it cannot be read).
std::uint32_t ReadSpeed(int fd);

} // namespace NuvixParser
