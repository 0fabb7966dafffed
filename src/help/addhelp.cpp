#include "help/addhelp.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "help/helptext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

TAddHelpDlg::TAddHelpDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AddHelpDlg"));
    HelpMemo = new QPlainTextEdit(this);
    HelpMemo->setObjectName(QStringLiteral("HelpMemo"));
    HelpMemo->setReadOnly(true);
    HelpMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    CopyB = new QPushButton(QStringLiteral("Copy"), this);
    CopyB->setObjectName(QStringLiteral("CopyB"));
    CopyB->setEnabled(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(CopyB, &QPushButton::clicked, this, &TAddHelpDlg::CopyBClick);
    // Copy follows the selection as it changes (the mouse is not the only way to select).
    connect(HelpMemo, &QPlainTextEdit::copyAvailable, this, [this](bool) { HelpMemoMouseMove(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CopyB);
    buttons->addWidget(ok);
    auto* v = new QVBoxLayout(this);
    v->addWidget(HelpMemo);
    v->addLayout(buttons);
    resize(520, 380);
}

QString TAddHelpDlg::text() const { return HelpMemo->toPlainText(); }

void TAddHelpDlg::HelpMemoMouseMove() { CopyB->setEnabled(HelpMemo->textCursor().hasSelection()); }

void TAddHelpDlg::CopyBClick() {
    const QString sel = HelpMemo->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (!sel.isEmpty()) QApplication::clipboard()->setText(sel);
}

void TAddHelpDlg::SetupWindow() {
    handedToViewer = false;
    readyToShow = false;
    setWindowTitle(QStringLiteral("Help for ") + subject);
    HelpMemo->clear();
    const std::string path = pal::findFile(toBytes(helpFile)).value_or(toBytes(helpFile));
    // Size and kind first: a huge file is refused without being read.
    pal::FileHead head;
    try {
        head = pal::readFileHead(path, 4);
    } catch (const pal::IoError&) {
        HelpMemo->setPlainText(QStringLiteral("Help information is not available for this subject."));
        readyToShow = true;
        return;
    }
    if (pal::isSystemHelpFile(head.head)) {
        seams().launcher->openDocument(toQ(path));
        handedToViewer = true;
        return;
    }
    if (head.size > pal::kMaxHelpText) {
        ShowAlert(QStringLiteral("This file contains %1 characters.  The maximum is 60000 characters.  Sorry...")
                      .arg(head.size),
                  AlertKind::Information, true);
        return;
    }
    std::vector<std::string> lines;
    try {
        lines = pal::readLines(path);
    } catch (const pal::IoError&) {
        HelpMemo->setPlainText(QStringLiteral("Help information is not available for this subject."));
        readyToShow = true;
        return;
    }
    HelpMemo->setPlainText(textFromBytes(pal::reflowHelpText(lines)));
    readyToShow = true;
}
