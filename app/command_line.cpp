// Reading the command line: the options, and the one file name made of the other words.
#include "app/command_line.h"

namespace NuvixApp {

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine line;
    QStringList words;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.help = true;
        else if (argument == QLatin1String("--version"))
            line.version = true;
        else if (argument == QLatin1String("--run"))
            line.run = true;
        else if (argument.startsWith(QLatin1String("--")))
            line.error = QStringLiteral("unknown option %1").arg(argument);
        else
            words << argument;
    }
    line.file = words.join(QLatin1Char(' '));
    if (line.file.size() >= 2 && line.file.startsWith(QLatin1Char('"'))) line.file = line.file.mid(1, line.file.size() - 2);
    if (line.run && line.file.isEmpty() && line.error.isEmpty()) line.error = QStringLiteral("--run needs a file");
    return line;
}

QString UsageText() {
    return QStringLiteral("Usage: varnexcalc [FILE.zma]\n"
                          "       varnexcalc --run FILE.zma\n"
                          "The Varnex Calculator, a scripting calculator for laboratory work.\n"
                          "\n"
                          "  FILE.zma        open this macro file\n"
                          "  --run FILE.zma  open the file and start the calculation of its active panel\n"
                          "  --help          show this text and exit\n"
                          "  --version       show the version and exit\n");
}

} // namespace NuvixApp
