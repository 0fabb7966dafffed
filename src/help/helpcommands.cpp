#include "help/helpcommands.h"

#include "common/ioerror.h"
#include <QPlainTextEdit>

#include "help/addhelp.h"
#include "help/helpu.h"
#include "help/indexu.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"
#include "shell/seams.h"

namespace help {

namespace {
THelpDlg* g_help = nullptr;
TAddHelpDlg* g_addHelp = nullptr;
TIndexDlg* g_index = nullptr;
}  // namespace

void install(TPALUMAROFORM& main) {
    g_help = new THelpDlg(&main);
    g_addHelp = new TAddHelpDlg(&main);
    g_index = new TIndexDlg(g_addHelp, &main);
    QObject::connect(g_index, &TIndexDlg::fileChosen, &main, &TPALUMAROFORM::ReadaFile);
    // The dialogs die with the main window; forget them then.
    QObject::connect(&main, &QObject::destroyed, [] { g_help = nullptr; g_addHelp = nullptr; g_index = nullptr; });
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
