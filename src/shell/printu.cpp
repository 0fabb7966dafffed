#include "shell/printu.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/docwindow.h"
#include "shell/printcontext.h"
#include "shell/printjob.h"
#include "shell/seams.h"

namespace {

// A list entry standing for one document window; the window is held weakly so
// a window closed meanwhile is simply not printed.
class WindowItem : public QListWidgetItem {
public:
    explicit WindowItem(TDocWindow* w) : QListWidgetItem(TPrintDlg::itemText(w->windowTitle())), window(w) {}
    QPointer<TDocWindow> window;
};

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// Alphabetical order as a person reads it: letter case only breaks ties.
bool sortsBefore(const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

}  // namespace

TPrintDlg::TPrintDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrintDlg"));
    setWindowTitle(QStringLiteral("Select Windows to Print"));

    SrcList = new QListWidget(this);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    DstList = new QListWidget(this);
    DstList->setObjectName(QStringLiteral("DstList"));
    auto* srcLabel = new QLabel(QStringLiteral("Windows:"), this);
    srcLabel->setBuddy(SrcList);
    auto* dstLabel = new QLabel(QStringLiteral("Print:"), this);
    dstLabel->setObjectName(QStringLiteral("DstLabel"));
    dstLabel->setBuddy(DstList);
    for (QListWidget* list : {SrcList, DstList}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Items are dragged between the lists; the drop handlers do the moving,
        // so the drag itself is a copy and never removes anything.
        list->setDragEnabled(true);
        list->setDragDropMode(QAbstractItemView::DragDrop);
        list->setDefaultDropAction(Qt::CopyAction);
        list->viewport()->setAcceptDrops(true);
        list->viewport()->installEventFilter(this);
    }

    IncludeBtn = makeButton(QStringLiteral("IncludeBtn"), QStringLiteral(">"), this);
    IncAllBtn = makeButton(QStringLiteral("IncAllBtn"), QStringLiteral(">>"), this);
    ExcludeBtn = makeButton(QStringLiteral("ExcludeBtn"), QStringLiteral("<"), this);
    ExcAllBtn = makeButton(QStringLiteral("ExcAllBtn"), QStringLiteral("<<"), this);
    OKBtn = makeButton(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
    CancelBtn = makeButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
    OKBtn->setDefault(true);
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn}) b->setAutoDefault(false);
    connect(IncludeBtn, &QPushButton::clicked, this, &TPrintDlg::IncludeBtnClick);
    connect(IncAllBtn, &QPushButton::clicked, this, &TPrintDlg::IncAllBtnClick);
    connect(ExcludeBtn, &QPushButton::clicked, this, &TPrintDlg::ExcludeBtnClick);
    connect(ExcAllBtn, &QPushButton::clicked, this, &TPrintDlg::ExcAllBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TPrintDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn}) moves->addWidget(b);
    moves->addStretch();
    auto* grid = new QGridLayout;
    grid->addWidget(srcLabel, 0, 0);
    grid->addWidget(dstLabel, 0, 2);
    grid->addWidget(SrcList, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(DstList, 1, 2);
    // The pages of the job that are printed (and previewed): all by default.
    FromPage = new QSpinBox(this);
    FromPage->setObjectName(QStringLiteral("FromPage"));
    ToPage = new QSpinBox(this);
    ToPage->setObjectName(QStringLiteral("ToPage"));
    for (QSpinBox* box : {FromPage, ToPage}) box->setRange(0, 9999);
    FromPage->setSpecialValueText(QStringLiteral("first"));
    ToPage->setSpecialValueText(QStringLiteral("last"));
    auto* fromLabel = new QLabel(QStringLiteral("Pages &from"), this);
    fromLabel->setBuddy(FromPage);
    auto* toLabel = new QLabel(QStringLiteral("&to"), this);
    toLabel->setBuddy(ToPage);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fromLabel);
    buttons->addWidget(FromPage);
    buttons->addWidget(toLabel);
    buttons->addWidget(ToPage);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(420, 260);
    SetButtons();
}

QString TPrintDlg::itemText(const QString& caption) {
    const qsizetype cut = std::max(caption.lastIndexOf(QLatin1Char('\\')), caption.lastIndexOf(QLatin1Char('/')));
    return cut < 0 ? caption : caption.mid(cut + 1);
}

QPushButton* TPrintDlg::button(const QString& name) const { return findChild<QPushButton*>(name); }

void TPrintDlg::fill(const QList<TDocWindow*>& open, TDocWindow* active) {
    SrcList->clear();
    DstList->clear();
    for (TDocWindow* w : open) {
        if (!w) continue;
        addItem(w == active ? DstList : SrcList, new WindowItem(w));
    }
    SetButtons();
}

void TPrintDlg::addItem(QListWidget* list, QListWidgetItem* item) {
    if (list != SrcList) {
        list->addItem(item);
        return;
    }
    int row = 0;
    while (row < list->count() && !sortsBefore(item->text(), list->item(row)->text())) ++row;
    list->insertItem(row, item);
}

void TPrintDlg::MoveSelected(QListWidget* list, QListWidget* to) {
    for (int i = list->count() - 1; i >= 0; --i) {
        if (!list->item(i)->isSelected()) continue;
        QListWidgetItem* item = list->takeItem(i);
        addItem(to, item);
    }
    to->clearSelection();
}

void TPrintDlg::SetButtons() {
    const bool hasSrc = SrcList->count() > 0;
    const bool hasDst = DstList->count() > 0;
    IncludeBtn->setEnabled(hasSrc);
    IncAllBtn->setEnabled(hasSrc);
    ExcludeBtn->setEnabled(hasDst);
    ExcAllBtn->setEnabled(hasDst);
    OKBtn->setEnabled(hasDst);
}

int TPrintDlg::GetFirstSelection(QListWidget* list) const {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) return i;
    return -1;
}

void TPrintDlg::SetItem(QListWidget* list, int index) {
    list->setFocus();
    list->clearSelection();
    const int last = list->count() - 1;
    if (index < 0) index = 0;
    if (index > last) index = last;
    if (index >= 0) {
        list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
    SetButtons();
}

void TPrintDlg::IncludeBtnClick() {
    const int index = GetFirstSelection(SrcList);
    MoveSelected(SrcList, DstList);
    SetItem(SrcList, index);
}

void TPrintDlg::ExcludeBtnClick() {
    const int index = GetFirstSelection(DstList);
    MoveSelected(DstList, SrcList);
    SetItem(DstList, index);
}

void TPrintDlg::IncAllBtnClick() {
    while (SrcList->count() > 0) addItem(DstList, SrcList->takeItem(0));
    DstList->clearSelection();
    SetItem(SrcList, 0);
}

void TPrintDlg::ExcAllBtnClick() {
    while (DstList->count() > 0) addItem(SrcList, DstList->takeItem(0));
    SrcList->clearSelection();
    SetItem(DstList, 0);
}

void TPrintDlg::SrcListDragDrop() { ExcludeBtnClick(); }

void TPrintDlg::DstListDragDrop() { IncludeBtnClick(); }

bool TPrintDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool onSrc = watched == SrcList->viewport();
    const bool onDst = watched == DstList->viewport();
    if (!onSrc && !onDst) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (onSrc ? SrcListDragOver() : DstListDragOver()) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
        } else {
            e->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        if (onSrc)
            SrcListDragDrop();
        else
            DstListDragDrop();
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

QList<TDocWindow*> TPrintDlg::chosenWindows() const {
    QList<TDocWindow*> windows;
    for (int i = 0; i < DstList->count(); ++i) {
        auto* item = dynamic_cast<WindowItem*>(DstList->item(i));
        if (item && item->window) windows.append(item->window.data());
    }
    return windows;
}

void TPrintDlg::OKBtnClick() {
    if (DstList->count() == 0) return;
    const QList<TDocWindow*> windows = chosenWindows();
    accept();
    if (!printer_ || windows.isEmpty()) return;
    const int from = FromPage->value(), to = ToPage->value();
    if (from == 0 && to == 0) {
        printer_->setPrintRange(QPrinter::AllPages);
        printer_->setFromTo(0, 0);
    } else {
        printer_->setPrintRange(QPrinter::PageRange);
        printer_->setFromTo(std::max(from, 1), to == 0 ? ToPage->maximum() : std::max(to, std::max(from, 1)));
    }
    if (preview_)
        previewWindows(windows, *printer_, parentWidget());
    else
        printWindows(windows, *printer_);
}

void TPrintDlg::setPreview(bool preview) {
    preview_ = preview;
    setWindowTitle(preview ? QStringLiteral("Select Windows to Preview") : QStringLiteral("Select Windows to Print"));
    findChild<QLabel*>(QStringLiteral("DstLabel"))->setText(preview ? QStringLiteral("Preview:")
                                                                                               : QStringLiteral("Print:"));
}

void TPrintDlg::previewWindows(const QList<TDocWindow*>& windows, QPrinter& printer, QWidget* parent) {
    // The preview draws the pages through the very job that prints them, on the
    // printer's page, so what it shows is what the paper gets; its Print button
    // runs the job again on the printer the print dialog chose.
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setObjectName(QStringLiteral("PrintPreview"));
    dlg.setWindowTitle(QStringLiteral("Print Preview"));
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [&windows, parent](QPrinter* target) {
        if (!RunPrintJob(windows, *target))
            ShowAlert(QStringLiteral("Printing could not start on the printer ") + target->printerName() + QLatin1Char('.'),
                      AlertKind::Error, false);
        Q_UNUSED(parent);
    });
    seams().dialogs->execDialog(dlg);
}

void TPrintDlg::printWindows(const QList<TDocWindow*>& windows, QPrinter& printer) {
    // Without any printer the job goes to a PDF file the user names; the printer
    // forgets the file afterwards so the next job asks again instead of
    // overwriting it.
    const bool toFile = QPrinterInfo::availablePrinters().isEmpty() && printer.outputFileName().isEmpty();
    if (toFile) {
        FileDialogRequest request;
        request.title = QStringLiteral("Print to File");
        request.filters = {QStringLiteral("PDF files (*.pdf)")};
        request.defaultSuffix = QStringLiteral("pdf");
        const QString base = QFileInfo(itemText(windows.front()->windowTitle())).completeBaseName();
        request.fileName = (base.isEmpty() ? QStringLiteral("Untitled") : base) + QStringLiteral(".pdf");
        request.save = true;
        request.overwritePrompt = true;
        const std::optional<FileDialogResult> answer = seams().dialogs->getFile(request);
        if (!answer || answer->path.isEmpty()) return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer->path);
    }
    const QString target = printer.outputFileName().isEmpty() ? QStringLiteral("the printer ") + printer.printerName()
                                                               : QStringLiteral("the file ") + printer.outputFileName();
    const bool ok = RunPrintJob(windows, printer);
    if (toFile) {
        // A cancelled job leaves no half document behind.
        if (ok && PrintCtx().cancelled) QFile::remove(printer.outputFileName());
        printer.setOutputFileName(QString());
    }
    if (!ok) ShowAlert(QStringLiteral("Printing could not start on ") + target + QLatin1Char('.'), AlertKind::Error, false);
}
