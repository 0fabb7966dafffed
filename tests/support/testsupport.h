// Helpers shared by the window tests: quiet offscreen warnings and a scratch
// program directory with the settings files a start-up needs.
#pragma once
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Drops the offscreen platform's harmless warnings from the test output.
void installQuietMessageHandler();

// A temporary directory whose path holds no "." (base names ignore dots in
// directories now; tests that want dotted directories make them inside).
QString makeDotFreeTempDir(QTemporaryDir& dir);

// A program directory and a working directory for one test, both fresh
// subdirectories of dir with no "." in their paths. The program directory is
// prepared (settings files written, made the program directory of pal::app()).
struct Workspace {
    QString prog;
    QString work;
};
Workspace makeWorkspace(QTemporaryDir& dir, bool quivetMode = false);

// Links the stand-in engine of the build into progDir and makes progDir the
// KALVEX directory.
void linkEngine(const QString& progDir);

// Copies a shipped sample into toDir (writable); returns its path.
QString copySample(const QString& name, const QString& toDir);

// Writes PALUMARO.DFT (defaults) and CNFGKV.KVN (all switches on) into dir and
// makes it the program directory of pal::app(); the user's configuration
// directory becomes dir/xdg-config.
void prepareProgramDir(const QString& dir, bool quivetMode = false);

// Writes text to a file (bytes as given).
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

}  // namespace testsupport

#include "shell/docwindow.h"

// A document window of any kind for tests of the main window's dispatch.
class FakeDocWindow : public TDocWindow {
    Q_OBJECT
public:
    explicit FakeDocWindow(int tag, QString file = QString()) : TDocWindow(tag), file_(std::move(file)) {
        setWindowTitle(file_.isEmpty() ? QStringLiteral("Fake") : file_);
    }
    QString fileName() const override { return file_; }
    QString documentName() const override { return docName; }
    bool FormCloseQuery() override {
        ++closeQueries;
        return mayClose;
    }
    bool isModified() const override { return modified; }
    void saveForRun() override { ++saves; modified = false; }
    void saveTo(const QString& path) override { savedTo.append(path); }
    QString beforeCommand() const override { return before; }
    QString afterCommand() const override { return after; }
    void convertUnits(int o, int n) override { conversions.append(qMakePair(o, n)); }

    bool mayClose = true;
    bool modified = false;
    int closeQueries = 0;
    int saves = 0;
    QString docName;
    QString before, after;
    QStringList savedTo;
    QList<QPair<int, int>> conversions;

private:
    QString file_;
};
