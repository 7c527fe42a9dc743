// Build-time helper: writes the MIME package and the desktop entry that `make install`
// puts into the system folders, from the same texts the program registers per user.
#include <fstream>
#include <iostream>
#include <string>

#include "app/file_association.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " OUTPUT-FOLDER INSTALLED-PROGRAM-PATH\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::ofstream mime(folder + "/varnexcalc-zma.xml", std::ios::binary);
    mime << NuvixApp::MimePackageText();
    std::ofstream desktop(folder + "/varnexcalc.desktop", std::ios::binary);
    desktop << NuvixApp::DesktopEntryText(argv[2]);
    mime.close();
    desktop.close();
    return mime && desktop ? 0 : 1;
}
