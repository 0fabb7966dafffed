// The installed tree (cmake --install into a temporary prefix): its layout, the
// desktop entries and MIME package as the desktop's own tools read them, the
// installed program on its own installation, and a start in both modes.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

#include "common/configdir.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/testsupport.h"

namespace {
struct Run {
    int code = -1;
    QByteArray out, err;
};
Run runTool(const QString& program, const QStringList& args, const QString& dir = QString()) {
    QProcess p;
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(300000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
}  // namespace

class InstallTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString prefix_;
    QString data_;

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
        prefix_ = tmp_.path() + QStringLiteral("/root.1/usr");
        data_ = prefix_ + QStringLiteral("/share/palumaro");
        const Run r = runTool(QStringLiteral(PALUMARO_CMAKE_COMMAND),
                              {QStringLiteral("--install"), QStringLiteral(PALUMARO_BINARY_DIR), QStringLiteral("--prefix"), prefix_});
        QVERIFY2(r.code == 0, r.err.constData());
    }

    void layoutOfThePrefix() {
        QVERIFY(QFileInfo(prefix_ + "/bin/palumaro").isExecutable());
        const QFileInfo link(prefix_ + "/bin/quivet");
        QVERIFY(link.isSymLink());
        QCOMPARE(link.symLinkTarget(), prefix_ + "/bin/palumaro");
        for (const char* f : {"PALUMARO.DFT", "CNFGKV.KVN", "KALVEX.Hlp", "Header.txt", "INFO/TYPE1.INF",
                              "KALWIN/Month1.dat", "samples/PUMP.DCK", "samples/PUMP.QVD", "samples/SAMPLES.IDX"})
            QVERIFY2(QFileInfo::exists(data_ + "/" + f), f);
        // The engine is a program: under lib, not share.
        QVERIFY(!QFileInfo::exists(data_ + "/KALVEX32.exe"));
        QVERIFY(QFileInfo(prefix_ + "/lib/palumaro/KALVEX32.exe").isExecutable());
        QCOMPARE(QString::fromStdString(pal::installedProgramDir(data_.toStdString())), prefix_ + "/lib/palumaro");
        // The documents a package carries, compressed as Debian wants them.
        for (const char* f : {"share/doc/palumaro/copyright", "share/doc/palumaro/changelog.gz", "share/man/man1/palumaro.1.gz",
                              "share/man/man1/quivet.1.gz"})
            QVERIFY2(QFileInfo(prefix_ + "/" + f).size() > 10, f);
        const Run man = runTool(QStringLiteral("sh"), {"-c", "gzip -dc '" + prefix_ + "/share/man/man1/palumaro.1.gz' | head -1"});
        QVERIFY2(man.out.startsWith(".TH PALUMARO 1"), man.out.constData());
        QCOMPARE(QFileInfo(data_ + "/PALUMARO.DFT").size(), qint64(pal::kDftSize));
        QCOMPARE(QString::fromStdString(pal::installationDir((prefix_ + "/bin").toStdString())), data_);

        // The icon: scalable and drawn at each size.
        const QString icons = prefix_ + "/share/icons/hicolor";
        QVERIFY(QFile(icons + "/scalable/apps/palumaro.svg").size() > 200);
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage png(icons + QStringLiteral("/%1x%1/apps/palumaro.png").arg(size));
            QCOMPARE(png.size(), QSize(size, size));
            QVERIFY(png.hasAlphaChannel());
        }
    }

    void desktopEntriesAndMimePackageReadByTheDesktopsTools() {
        const QString apps = prefix_ + "/share/applications";
        for (const char* f : {"palumaro.desktop", "quivet.desktop"}) {
            const Run r = runTool(QStringLiteral("desktop-file-validate"), {apps + "/" + f});
            QVERIFY2(r.code == 0 && r.out.isEmpty(), (r.out + r.err).constData());
        }
        // Each entry starts its mode by name, for files handed over.
        QSettings entry(apps + "/quivet.desktop", QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), QStringLiteral("quivet %F"));

        // The MIME package builds a database that names every kind by its extension
        // in either letter case, and each type an entry offers is defined there.
        const QString db = tmp_.path() + "/mime";
        QDir().mkpath(db + "/packages");
        QVERIFY(QFile::copy(prefix_ + "/share/mime/packages/palumaro.xml", db + "/packages/palumaro.xml"));
        const Run r = runTool(QStringLiteral("update-mime-database"), {db});
        QVERIFY2(r.code == 0 && !r.err.contains("rror"), r.err.constData());
        const QByteArray globs = testsupport::readFile(db + "/globs2");
        const QList<QPair<QByteArray, QByteArray>> kinds = {
            {"application/x-kalvex-deck", "*.dck"},       {"application/x-kalvex-deck", "*.dek"},
            {"application/x-palumaro-plot", "*.pmx"},     {"application/x-palumaro-table", "*.tbl"},
            {"application/x-quivet-form", "*.qvd"},       {"application/x-kalvex-plot-data", "*.plt"},
            {"application/x-palumaro-index", "*.idx"}};
        for (const auto& [type, glob] : kinds) QVERIFY2(globs.contains(type + ":" + glob), type + glob);
        QVERIFY(testsupport::readFile(db + "/magic").contains("*QUIVET"));
        for (const char* f : {"palumaro.desktop", "quivet.desktop"}) {
            QSettings e(apps + "/" + f, QSettings::IniFormat);
            const QStringList types = e.value("Desktop Entry/MimeType").toString().split(';', Qt::SkipEmptyParts);
            QVERIFY(!types.isEmpty());
            for (const QString& t : types) QVERIFY2(QFileInfo::exists(db + "/" + t + ".xml"), qPrintable(t));
        }
    }

    void installedProgramUsesItsInstallation() {
        Run r = runTool(prefix_ + "/bin/palumaro", {QStringLiteral("--version")});
        QCOMPARE(r.out, QByteArray("PALUMARO 1.80\n"));
        r = runTool(prefix_ + "/bin/quivet", {QStringLiteral("--version")});
        QCOMPARE(r.out, QByteArray("QUIVET 1.80\n"));
        // The settings and the engine come from share/palumaro.
        const QString work = tmp_.path() + "/work";
        QDir().mkpath(work);
        QVERIFY(QFile::copy(data_ + "/samples/PUMP.DCK", work + "/PUMP.DCK"));
        r = runTool(prefix_ + "/bin/palumaro", {QStringLiteral("--run"), QStringLiteral("PUMP.DCK")}, work);
        QVERIFY2(r.code == 0, r.err.constData());
        QVERIFY(QFileInfo::exists(work + "/PUMP.PLT"));
        r = runTool(prefix_ + "/bin/palumaro",
                    {"--new-plot", "PUMP.PLT", "--x", "TIME", "--y", "LEVEL", "--png", "pump.png"}, work);
        QVERIFY2(r.code == 0, r.err.constData());
        QVERIFY(!QImage(work + "/pump.png").isNull());
    }

    void theDebianPackageHasNoLintianErrors() {
        if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty()) QSKIP("lintian is not installed");
        const QString out = tmp_.path() + QStringLiteral("/package");
        Run r = runTool(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out,
                                                  QStringLiteral("--config"),
                                                  QStringLiteral(PALUMARO_BINARY_DIR) + QStringLiteral("/CPackConfig.cmake")},
                        QStringLiteral(PALUMARO_BINARY_DIR));
        QVERIFY2(r.code == 0, (r.out + r.err).constData());
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = out + QLatin1Char('/') + debs.front();
        r = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Maintainer")});
        QCOMPARE(r.out.trimmed(), QByteArray("PALUMARO developers <palumaro@example.org>"));
        r = runTool(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error"), deb});
        QVERIFY2(r.code == 0 && !r.out.contains("\nE: ") && !r.out.startsWith("E: "), (r.out + r.err).constData());
    }

    void startsInBothModesAndFindsItsSamples() {
        for (const bool quivet : {false, true}) {
            ScriptedSeams seams;
            auto& a = pal::app();
            a.programPath = (prefix_ + (quivet ? "/bin/quivet" : "/bin/palumaro")).toUpper().toStdString();
            a.quivetMode = pal::isQuivetPath(a.programPath);
            QCOMPARE(a.quivetMode, quivet);
            a.programDir = pal::installationDir((prefix_ + "/bin").toStdString());
            qputenv("XDG_CONFIG_HOME", (tmp_.path() + "/config").toLocal8Bit());
            const QString sample = data_ + (quivet ? "/samples/PUMP.QVD" : "/samples/PUMP.DCK");
            seams.dialogs.fileAnswers = {FileDialogResult{sample, 1}};
            auto f = std::make_unique<TPALUMAROFORM>();
            QVERIFY(!f->startFailed());
            f->startUp();
            if (!quivet) f->Open1Click();
            QCOMPARE(seams.dialogs.fileRequests.size(), 1);
            QCOMPARE(seams.dialogs.fileRequests[0].directory, data_ + "/samples");
            QCOMPARE(f->currentInputFileName, sample);
            QCOMPARE(f->activeDocWindow()->Tag(), quivet ? Kind::QuivetForm : Kind::DeckEditor);
            QVERIFY2(seams.alerts.shown.isEmpty(), qPrintable(seams.alerts.lastText()));
            f.reset();
        }
    }
};

QTEST_MAIN(InstallTest)
#include "test_install.moc"
