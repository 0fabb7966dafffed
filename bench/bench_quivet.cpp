// Generated QUIVET files of 2,000 and 20,000 fields (numeric fields, choice
// fields on a shared choice file, a heading every 50 fields), written to a
// temporary directory: the time to read one in the core, to open it as a form
// window up to its first paint, to switch the units of the shown form, and to
// write it back under its own name; and a form of 4,000 choice fields on one
// long choice file, read and opened.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <malloc.h>

#include "quivet/quivet.h"
#include "quivet/quivetreader.h"
#include "shell/fonts.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"

namespace {

void writeForm(const QString& dir, int fields) {
    std::string text = "*QUIVET\r\n";
    text += "CONSTANTS " + std::to_string(fields) + "\r\n";
    for (int i = 0; i < fields; ++i) {
        if (i % 50 == 0) text += "*|*Group " + std::to_string(i / 50) + "|notes " + std::to_string(i) + "|0\r\n";
        const std::string name = "V" + std::to_string(i);
        if (i % 5 == 4) {
            text += name + "=m" + std::to_string(i % 20) + "\r\n";
            text += "*|<Material " + std::to_string(i) + std::string(30, ' ') + "|MAT.CHC|1|2|" + std::to_string(i) + "\r\n";
        } else {
            text += name + "=" + std::to_string(i * 0.25) + "\r\n";
            text += "*|Temperature " + std::to_string(i) + std::string(28, ' ') + "|C|F|17.7778|1.8|-100|100000.00|" +
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

// Counts the paints of the form's widgets, so that "open" ends with the first one.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* form) : form_(form) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    int paints = 0;
    // Handles events until the form has painted once more.
    void waitForPaint() {
        const int before = paints;
        QElapsedTimer guard;
        guard.start();
        while (paints == before && guard.elapsed() < 600000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->isWidgetType() &&
            (o == form_ || form_->isAncestorOf(static_cast<QWidget*>(o))))
            ++paints;
        return false;
    }

private:
    QWidget* form_;
};

double msSince(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// The bytes held on the heap now.
std::size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

bool run(int fields) {
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    writeForm(dir, fields);
    const std::string file = (dir + "/BIG.QVD").toStdString();

    QElapsedTimer t;
    t.start();
    const auto doc = quivet::readQuivetFile(file, {});
    const double readMs = msSince(t);

    t.restart();
    TQUIVETForm form;
    PaintWatch watch(&form);
    if (!form.ReadDeck(dir + "/BIG.QVD")) {
        std::printf("bench_quivet: the form could not be read\n");
        return false;
    }
    form.show();
    watch.waitForPaint();
    const double openMs = msSince(t);

    t.restart();
    form.ConvertUnits(1, 2);
    watch.waitForPaint();
    const double toEnglishMs = msSince(t);
    t.restart();
    form.ConvertUnits(2, 1);
    watch.waitForPaint();
    const double toSiMs = msSince(t);

    t.restart();
    form.WriteDeck(dir + "/BIG.QVD");
    const double writeMs = msSince(t);

    std::printf("QUIVET form of %d fields (%zu items, %d lines):\n", fields, doc.items.size(), doc.lineCount);
    std::printf("  core read               %8.1f ms\n", readMs);
    std::printf("  open to first paint     %8.1f ms\n", openMs);
    std::printf("  unit switch SI->English %8.1f ms\n", toEnglishMs);
    std::printf("  unit switch English->SI %8.1f ms\n", toSiMs);
    std::printf("  write with backup       %8.1f ms\n", writeMs);
    std::fflush(stdout);
    return true;
}

}  // namespace

// A form of 4,000 choice fields on one choice file of 10,000 rows: reading it in
// the core, the heap it holds, and opening it as a window.
bool runChoices() {
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    std::string mat = "10000\r\n";
    for (int k = 0; k < 10000; ++k) mat += "Material number " + std::to_string(k) + ", m" + std::to_string(k) + "\r\n";
    std::string text = "*QUIVET\r\nCONSTANTS 4000\r\n";
    for (int i = 0; i < 4000; ++i)
        text += "C" + std::to_string(i) + "=m" + std::to_string(i * 7 % 10000) + "\r\n*|<Material " + std::to_string(i) +
                "|MAT.CHC|1|2|0\r\n";
    text += "END\r\n";
    for (const auto& [name, bytes] : {std::pair<QString, std::string>{"/MAT.CHC", mat}, {"/CHOICES.QVD", text}}) {
        QFile f(dir + name);
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    const std::size_t before = heapInUse();
    QElapsedTimer t;
    t.start();
    std::size_t held = 0;
    {
        const auto doc = quivet::readQuivetFile((dir + "/CHOICES.QVD").toStdString(), {});
        held = heapInUse() - before;
    }
    const double readMs = msSince(t);
    t.restart();
    TQUIVETForm form;
    PaintWatch watch(&form);
    if (!form.ReadDeck(dir + "/CHOICES.QVD")) return false;
    form.show();
    watch.waitForPaint();
    const double openMs = msSince(t);
    std::printf("QUIVET form of 4000 choice fields on a 10000-row choice file:\n");
    std::printf("  core read               %8.1f ms, holding %.1f MB (files %.1f MB)\n", readMs, held / 1e6,
                (text.size() + mat.size()) / 1e6);
    std::printf("  open to first paint     %8.1f ms\n", openMs);
    std::fflush(stdout);
    return true;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    installFontSubstitutions();
    ScriptedSeams seams;
    // Sizes to run may be given as arguments (for profiling one of them).
    std::vector<int> sizes;
    for (int k = 1; k < argc; ++k) sizes.push_back(std::atoi(argv[k]));
    if (sizes.empty()) sizes = {2000, 20000};
    for (int n : sizes)
        if (n <= 0 || !run(n)) return 1;
    if (argc == 1 && !runChoices()) return 1;
    return 0;
}
