// The command line of the desktop calculator.
#pragma once

#include <QString>
#include <QStringList>

namespace NuvixApp {

//   varnexcalc [FILE]         open FILE (all words together are one name, as a file
//                             manager may pass a path with blanks unquoted; a name that
//                             begins with a double quote loses its first and last character)
//   varnexcalc --run FILE     open FILE and start the active calculator panel at once
//   varnexcalc --help | --version
struct TCommandLine {
    QString file;
    bool run = false;
    bool help = false;
    bool version = false;
    QString error; // what was wrong; the program then shows the usage and fails
};

// The arguments after the program name.
TCommandLine ParseCommandLine(const QStringList& arguments);

QString UsageText();

} // namespace NuvixApp
