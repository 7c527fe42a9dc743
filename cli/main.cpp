// Entry point of varnexcalc-cli, the headless runner of calculator scripts.
#include "cli/cli_app.h"

int main(int argc, char** argv) {
    return NuvixCli::RunCli(argc, argv);
}
