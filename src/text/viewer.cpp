#include "text/viewer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/ioerror.h"
#include "text/fileviewer.h"
#include "text/finddialog.h"
#include "shell/printcontext.h"
#include "shell/seams.h"
#include "text/textlines.h"

TViewForm::TViewForm(QWidget* parent) : TDocWindow(Kind::Viewer, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    viewer_ = new TFileViewer(this);
    layout->addWidget(viewer_);
    setFocusProxy(viewer_);

    findDialog_ = new TFindDialog(this);
    findDialog_->setWholeWordVisible(false);
    findDialog_->setDown(true);
    connect(findDialog_, &TFindDialog::findNext, this, &TViewForm::Find);
    connect(viewer_, &TFileViewer::copyRequested, this, &TViewForm::copySelection);
}

TViewForm::~TViewForm() = default;

void TViewForm::openFile(const QString& path) {
    viewer_->openFile(path);
    setWindowTitle(path);
}

QString TViewForm::fileName() const { return viewer_->fileName(); }

bool TViewForm::reloadFromDisk() {
    const QString path = viewer_->fileName();
    if (path.isEmpty()) return false;
    const int top = viewer_->firstVisibleLine();
    viewer_->openFile(path);
    viewer_->verticalScrollBar()->setValue(top);
    rememberDiskFile();
    return true;
}

void TViewForm::FormActivate() { viewer_->setFocus(); }

void TViewForm::follow() {
    viewer_->follow();
    // The refresh of the result windows after the run keeps a window that follows.
    setProperty("following", viewer_->following());
}

void TViewForm::endFollowing() {
    viewer_->endFollowing();
    setProperty("following", false);
    rememberDiskFile();  // the version followed to its end is the one shown
}

bool TViewForm::following() const { return viewer_->following(); }

void TViewForm::showFindDialog() { findDialog_->popUp(); }

void TViewForm::Find() {
    const QString text = findDialog_->findText();
    if (!viewer_->find(text, findDialog_->down(), findDialog_->matchCase()) && !viewer_->findCancelled())
        seams().alerts->beep();
    findDialog_->setFindText(text);
}

void TViewForm::copySelection() {
    bool tooLarge = false;
    const QString text = viewer_->selectedText(&tooLarge);
    if (tooLarge) {
        seams().alerts->beep();
        return;
    }
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void TViewForm::Print(PrintContext& ctx) {
    if (ctx.canvas) {
        QFont f = ctx.canvas->font();
        f.setFamily(QStringLiteral("MS LineDraw"));
        ctx.canvas->setFont(f);
    }
    viewer_->finishIndexing();
    const qint64 lines = viewer_->lineCount();
    for (qint64 i = 0; i < lines; ++i) {
        ctx.textOut(ctx.leftMargin, ctx.y, textlines::expandTabs(viewer_->lineText(i)));
        ctx.NewLine(1);
    }
}
