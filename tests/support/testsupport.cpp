#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QtGlobal>

#include "common/settings.h"

namespace testsupport {

static QtMessageHandler previousHandler = nullptr;

static void quietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
    if (msg.contains(QLatin1String("propagateSizeHints")) || msg.contains(QLatin1String("This plugin does not support")))
        return;
    if (previousHandler) previousHandler(type, ctx, msg);
}

void installQuietMessageHandler() { previousHandler = qInstallMessageHandler(quietHandler); }

QString makeDotFreeTempDir(QTemporaryDir& dir) {
    const QString path = dir.path();
    if (!path.contains(QLatin1Char('.'))) return path;
    // QTemporaryDir names contain a dot-free random part, but TMPDIR may not.
    QDir("/tmp").mkpath(QStringLiteral("palumaro-tests"));
    static int n = 0;
    const QString alt = QStringLiteral("/tmp/palumaro-tests/t%1-%2").arg(QCoreApplication::applicationPid()).arg(++n);
    QDir().mkpath(alt);
    return alt;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

Workspace makeWorkspace(QTemporaryDir& dir, bool quivetMode) {
    static int serial = 0;
    const QString root = makeDotFreeTempDir(dir) + QStringLiteral("/ws%1").arg(++serial);
    Workspace w{root + QStringLiteral("/prog"), root + QStringLiteral("/work")};
    QDir().mkpath(w.prog);
    QDir().mkpath(w.work);
    prepareProgramDir(w.prog, quivetMode);
    return w;
}

void linkEngine(const QString& progDir) {
    const QString engine = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + QStringLiteral("/KALVEX32.exe");
    if (!QFile::link(engine, progDir + QStringLiteral("/KALVEX32.exe"))) qFatal("cannot link %s", qPrintable(engine));
    pal::app().settings.kalvexDir = progDir.toStdString();
}

QString copySample(const QString& name, const QString& toDir) {
    QDir().mkpath(toDir);
    const QString from = qEnvironmentVariable("PALUMARO_SOURCE_DIR") + QStringLiteral("/installation/samples/") + name;
    const QString to = toDir + QLatin1Char('/') + name;
    if (!QFile::copy(from, to)) qFatal("cannot copy %s", qPrintable(from));
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    return to;
}

void prepareProgramDir(const QString& dir, bool quivetMode) {
    pal::Settings defaults;
    pal::writeDFTFile((dir + "/PALUMARO.DFT").toStdString(), defaults);
    writeFile(dir + "/CNFGKV.KVN",
              "KALVEX configuration\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\n");
    auto& a = pal::app();
    a.programDir = dir.toStdString();
    a.programPath = (dir + (quivetMode ? "/QUIVET" : "/PALUMARO")).toUpper().toStdString();
    a.quivetMode = quivetMode;
    a.settings = defaults;
    // Window geometry and the last folder opened are kept per user: each test's
    // program directory gets its own, so no run sees another's.
    qputenv("XDG_CONFIG_HOME", (dir + "/xdg-config").toLocal8Bit());
}

}  // namespace testsupport
