// A generated QUIVET file of 5,000 fields (numeric fields, choice fields on a
// shared choice file, a heading every 50 fields), written to a temporary
// directory: the time to read it in the core, to open it as a form window, to
// switch the units there and back, and to write it back under its own name.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "quivet/quivet.h"
#include "quivet/quivetreader.h"
#include "shell/fonts.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"

namespace {

constexpr int kFields = 5000;

void writeForm(const QString& dir) {
    std::string text = "*QUIVET\r\n";
    text += "CONSTANTS " + std::to_string(kFields) + "\r\n";
    for (int i = 0; i < kFields; ++i) {
        if (i % 50 == 0) text += "*|*Group " + std::to_string(i / 50) + "|notes " + std::to_string(i) + "|0\r\n";
        const std::string name = "V" + std::to_string(i);
        if (i % 5 == 4) {
            text += name + "=m" + std::to_string(i % 20) + "\r\n";
            text += "*|<Material " + std::to_string(i) + std::string(30, ' ') + "|MAT.CHC|1|2|" + std::to_string(i) + "\r\n";
        } else {
            text += name + "=" + std::to_string(i * 0.25) + "\r\n";
            text += "*|Temperature " + std::to_string(i) + std::string(28, ' ') + "|C|F|17.7778|1.8|-100|1000.00|" +
                    std::to_string(i) + "\r\n";
        }
    }
    text += "END\r\n";
    QFile f(dir + "/BIG.QVD");
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), static_cast<qint64>(text.size()));
    std::string mat = "20\r\n";
    for (int k = 0; k < 20; ++k) mat += "Material number " + std::to_string(k) + ", m" + std::to_string(k) + "\r\n";
    QFile m(dir + "/MAT.CHC");
    m.open(QIODevice::WriteOnly);
    m.write(mat.data(), static_cast<qint64>(mat.size()));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    installFontSubstitutions();
    ScriptedSeams seams;
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    writeForm(dir);
    const std::string file = (dir + "/BIG.QVD").toStdString();

    QElapsedTimer t;
    t.start();
    const auto doc = quivet::readQuivetFile(file, {});
    const double readMs = static_cast<double>(t.nsecsElapsed()) / 1e6;

    t.restart();
    TQUIVETForm form;
    if (!form.ReadDeck(dir + "/BIG.QVD")) {
        std::printf("bench_quivet: the form could not be read\n");
        return 1;
    }
    const double openMs = static_cast<double>(t.nsecsElapsed()) / 1e6;

    t.restart();
    form.ConvertUnits(1, 2);
    form.ConvertUnits(2, 1);
    const double unitsMs = static_cast<double>(t.nsecsElapsed()) / 1e6;

    t.restart();
    form.WriteDeck(dir + "/BIG.QVD");
    const double writeMs = static_cast<double>(t.nsecsElapsed()) / 1e6;

    std::printf("QUIVET form of %zu items (%d lines):\n", doc.items.size(), doc.lineCount);
    std::printf("  core read            %8.1f ms\n", readMs);
    std::printf("  open as form window  %8.1f ms\n", openMs);
    std::printf("  SI -> English -> SI  %8.1f ms\n", unitsMs);
    std::printf("  write with backup    %8.1f ms\n", writeMs);
    return 0;
}
