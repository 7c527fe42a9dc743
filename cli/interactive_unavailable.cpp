// The interactive session in a build without libedit: the runner then runs files only.
#include "cli/interactive_session.h"

#include <iostream>

#include "cli/cli_app.h"

namespace NuvixCli {

bool InteractiveSessionAvailable() {
    return false;
}

int RunInteractiveSession(const TSessionOptions&) {
    std::cerr << "varnexcalc-cli: this build has no interactive session (it was built without libedit)\n";
    return kExitUsage;
}

} // namespace NuvixCli
