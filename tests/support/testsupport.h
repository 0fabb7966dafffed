// Helpers shared by the window tests: quiet offscreen warnings and a scratch
// program directory with the settings files a start-up needs.
#pragma once
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Drops the offscreen platform's harmless warnings from the test output.
void installQuietMessageHandler();

// A temporary directory whose path holds no "." (companion bases stop at the
// first dot anywhere in a path).
QString makeDotFreeTempDir(QTemporaryDir& dir);

// Writes PALUMARO.DFT (defaults) and CNFGKV.KVN (all switches on) into dir and
// makes it the program directory of pal::app().
void prepareProgramDir(const QString& dir, bool quivetMode = false);

// Writes text to a file (bytes as given).
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

}  // namespace testsupport
