// Build-time tool: writes the program's icon as PNG files of the icon theme's
// sizes (OUTDIR/NxN/apps/palumaro.png), drawn by the same code as the window icon.
#include <QDir>
#include <cstdio>

#include "shell/appicon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: palumaro_mkicons OUTDIR\n");
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !drawAppIcon(size).save(dir + QStringLiteral("/palumaro.png"), "PNG")) {
            std::fprintf(stderr, "palumaro_mkicons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
