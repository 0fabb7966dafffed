#include "help/helpcommands.h"

#include "common/ioerror.h"
#include <QPlainTextEdit>

#include "help/addhelp.h"
#include "help/helpu.h"
#include "help/indexu.h"
#include "shell/docfactory.h"
#include "shell/workbench.h"
#include "shell/seams.h"

namespace help {

namespace {
THelpDlg* g_help = nullptr;
TAddHelpDlg* g_addHelp = nullptr;
TIndexDlg* g_index = nullptr;
}  // namespace

void install(Workbench& bench) {
    QWidget* frame = bench.frame();
    g_help = new THelpDlg(frame);
    g_addHelp = new TAddHelpDlg(frame);
    g_index = new TIndexDlg(g_addHelp, frame);
    QObject::connect(g_index, &TIndexDlg::fileChosen, frame, [&bench](const QString& path) { bench.openFile(path); });
    // The dialogs die with the main window; forget them then.
    QObject::connect(frame, &QObject::destroyed, [] { g_help = nullptr; g_addHelp = nullptr; g_index = nullptr; });
    docFactories().indexDialog = [](const QString& path) { ShowIndex(path); };
}

void ShowIndex(const QString& indexPath) {
    if (!g_index) return;
    g_index->indexFile = indexPath;
    try {
        g_index->FormActivate();
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    seams().dialogs->execDialog(*g_index);
}

void ShowFieldHelp(int topic, const QString& quivetPath, const QString& fieldLabel) {
    if (!g_help) return;
    g_help->topic = topic;
    g_help->filePath = quivetPath;
    g_help->fieldLabel = fieldLabel;
    g_help->FormActivate();
    seams().dialogs->execDialog(*g_help);
}

void ShowHelp(const QString& subject, const QString& helpFile, const QString& text) {
    if (!g_addHelp) return;
    g_addHelp->subject = subject;
    if (!helpFile.isEmpty()) {
        g_addHelp->helpFile = helpFile;
        g_addHelp->SetupWindow();
        if (g_addHelp->readyToShow) seams().dialogs->execDialog(*g_addHelp);
        return;
    }
    g_addHelp->setWindowTitle(QStringLiteral("Help for ") + subject);
    g_addHelp->memo()->setPlainText(text);
    seams().dialogs->execDialog(*g_addHelp);
}

}  // namespace help
