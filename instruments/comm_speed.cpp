// termios2 for baud rates the B-constants lack (250000, 31250, ...).
#include "instruments/comm_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace NuvixParser {

bool SetCustomSpeed(int fd, std::uint32_t baud) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    if (::ioctl(fd, TCSETS2, &t) != 0) return false;
    return ReadSpeed(fd) == baud;
}

std::uint32_t ReadSpeed(int fd) {
    termios2 t{};
    return ::ioctl(fd, TCGETS2, &t) == 0 ? t.c_ospeed : 0;
}

} // namespace NuvixParser
