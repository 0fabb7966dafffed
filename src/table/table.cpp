#include "table/table.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMdiArea>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "table/columnformat.h"
#include "table/deckconstants.h"
#include "table/rundecks.h"
#include "table/tablefile.h"
#include "table/tablegrid.h"
#include "table/tablerunprep.h"
#include "table/tablelayout.h"
#include "table/tablerunpanel.h"

namespace table {
RunRange& rememberedRunRange() {
    static RunRange range;
    return range;
}
}  // namespace table

namespace {


// Text with its top (not its baseline) at y.
void textAtTop(QPainter& p, int x, int y, const QString& text) {
    p.drawText(x, y + QFontMetrics(p.font(), p.device()).ascent(), text);
}

QFont faceOf(const QString& family, int points, const QFont& base) {
    QFont f = base;
    f.setFamily(family);
    f.setPointSize(points);
    return f;
}

}  // namespace

TTableForm::TTableForm(QWidget* parent) : TDocWindow(Kind::Table, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Grid = new TTableGrid(*this, this);
    auto* besideGrid = new QHBoxLayout;
    besideGrid->setSpacing(0);
    besideGrid->addWidget(Grid, 1);
    layout->addLayout(besideGrid, 1);
    runPanel_ = new TTableRunPanel(*Grid, *besideGrid, *layout, this);
    setWindowTitle(QStringLiteral("Table"));
    table::rememberedRunRange() = {1, data_.runs()};
    // The caption's modified marker follows the table's change counter.
    data_.listen([this](table::TableChange) { refreshModifiedMarker(); });
}

TTableForm::~TTableForm() {
    // The grid reads the table while it goes: it goes first.
    delete Grid;
    Grid = nullptr;
}

void TTableForm::setCaption(const QString& path) {
    tablePath_ = path;
    setWindowTitle(path);
}

QString TTableForm::deckFileName() const { return toQ(data_.deckPath); }

void TTableForm::setTable(table::TableData data, const QString& tablePath) {
    data_ = std::move(data);
    setCaption(tablePath);
    table::rememberedRunRange() = {1, data_.runs()};
    setModified(true);
    shapeChanged();
    emit becameCurrentTable(this);
}

void TTableForm::setModified(bool m) {
    neverSaved_ = m;
    storedChanges_ = data_.changes();
    refreshModifiedMarker();
}

void TTableForm::ReadTable(const QString& path) {
    table::TableFileContent content = table::readTableFile(toBytes(path));
    // The deck as stored; when it cannot be scanned, the deck of the same base
    // name beside the table (a table moved together with its deck).
    const table::FoundDeck deck = table::findTableDeck(content.table.deckPath, toBytes(path), pal::app().programDir);
    if (!deck.found)
        ShowAlert(QStringLiteral("File ") + toQ(deck.path) + QStringLiteral(" which is used by this table was not found."),
                  AlertKind::Information, true);
    content.table.deckPath = deck.path;
    data_ = std::move(content.table);
    setCaption(path);
    table::rememberedRunRange() = {1, data_.runs()};
    shapeChanged();
    const auto& pl = content.placement;
    const int w = pl.right - pl.left, h = pl.bottom - pl.top;
    if (w > 0 && h > 0) {
        resize(w, h);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->resize(sub->size() - size() + QSize(w, h));
        FormResize();
    }
    setModified(false);
    announceAsCurrent();
}

void TTableForm::announceAsCurrent() {
    emit becameCurrentTable(this);
    emit companionFileChanged(Kind::Table, tablePath_);
}

void TTableForm::SaveTable(const QString& path) {
    table::TablePlacement pl;
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    auto clamp16 = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
    pl.originX = clamp16(origin.x());
    pl.originY = clamp16(origin.y());
    pl.right = clamp16(width());
    pl.bottom = clamp16(height());
    table::writeTableFile(toBytes(path), data_, pl);
    setCaption(path);
    setModified(false);
}

bool TTableForm::save() {
    if (tablePath_.isEmpty()) return true;
    // The table file of a table read from another file: the name up to the first
    // "." of its file name, then "TBL".
    QString name = tablePath_;
    if (pal::extensionTest(toBytes(name)) != ".TBL" && pal::nameHasDot(toBytes(name)))
        name = toQ(pal::baseName(toBytes(name))) + QStringLiteral(".TBL");
    return reportFailure([&] { SaveTable(name); });
}

bool TTableForm::saveAs(const QString& suggestedName) {
    const auto name = askSaveName(QStringLiteral("Save as"), suggestedName, QString());
    if (!name) return false;
    const QString old = tablePath_;
    if (!reportFailure([&] { SaveTable(*name); })) return false;
    if (old != *name) emit documentRenamed(this, old, *name);
    return true;
}

std::string TTableForm::GetS(int column, int row) const { return data_.cellText(column, row); }

void TTableForm::GridDrawCell(QPainter& p, int column, int row, const QRect& rect) const {
    if (row == 0 && column > 0) {
        p.save();
        p.setFont(faceOf(QStringLiteral("Arial"), 6, p.font()));
        p.setPen(QColor(0, 128, 0));
        textAtTop(p, rect.left() + 2, rect.top() + 2, QString::number(column));
        p.setFont(faceOf(QStringLiteral("Arial"), 10, p.font()));
        p.setPen(Qt::black);
        const QString name = toQ(GetS(column, 0));
        const int w = QFontMetrics(p.font(), p.device()).horizontalAdvance(name);
        textAtTop(p, rect.left() + std::max(1, (rect.width() - w) / 2), rect.top() + 10, name);
        p.restore();
    } else if (column == 0 && row > 0) {
        textAtTop(p, rect.left() + 10, rect.top() + 2, QString::number(row));
    } else if (row > 0 && column > 0) {
        textAtTop(p, rect.left() + 2, rect.top() + 2, toQ(GetS(column, row)));
    }
}

QString TTableForm::GridGetEditText(int column, int row) {
    const QString text = toQ(GetS(column, row));
    if (column >= 1 && column <= data_.variables() && row >= 1 && row <= data_.runs())
        editStart_ = {column, row, text, data_.value(column, row), isModified()};
    else
        editStart_ = {};
    return text;
}

void TTableForm::GridSetEditText(int column, int row, const QString& text) {
    if (column == editStart_.column && row == editStart_.row && text == editStart_.text) {
        // Back to the text the editor opened with: the value it stood for, and
        // the table as stored when it was so then.
        data_.setValue(column, row, editStart_.value);
        if (!editStart_.modified) storedChanges_ = data_.changes();
        refreshModifiedMarker();
        return;
    }
    (void)data_.setEditText(column, row, toBytes(text));
}

QString TTableForm::fullValueText(int column, int row) const { return toQ(data_.fullText(column, row)); }

void TTableForm::setColumnFormat(int column, pal::LabelFormat format) {
    if (column < 1 || column > data_.variables()) return;
    if (!data_.setFormat(column, format)) return;
    Grid->viewport()->update();
}

void TTableForm::ColumnFormatClick(int column) {
    if (column < 1 || column > data_.variables()) return;
    TColumnFormatDlg dlg(this);
    dlg.setColumn(toQ(pal::trim(data_.columns[static_cast<std::size_t>(column - 1)].name)),
                  data_.columns[static_cast<std::size_t>(column - 1)].format);
    if (seams().dialogs->execDialog(dlg) == QDialog::Accepted) setColumnFormat(column, dlg.format());
}

table::CellRect TTableForm::selection() const {
    const QModelIndexList sel = Grid->selectionModel() ? Grid->selectionModel()->selectedIndexes() : QModelIndexList();
    if (sel.isEmpty()) {
        const int c = Grid->currentColumn(), r = Grid->currentRow();
        return {c, r, c, r};
    }
    table::CellRect r{INT_MAX, INT_MAX, 0, 0};
    for (const QModelIndex& i : sel) {
        r.left = std::min(r.left, i.column() + 1);
        r.right = std::max(r.right, i.column() + 1);
        r.top = std::min(r.top, i.row() + 1);
        r.bottom = std::max(r.bottom, i.row() + 1);
    }
    return r;
}

void TTableForm::setSelection(const table::CellRect& r) {
    QAbstractItemModel* m = Grid->model();
    const QModelIndex tl = m->index(r.top - 1, r.left - 1), br = m->index(r.bottom - 1, r.right - 1);
    if (!tl.isValid() || !br.isValid()) return;
    Grid->setCurrentIndex(tl);
    Grid->selectionModel()->select(QItemSelection(tl, br), QItemSelectionModel::ClearAndSelect);
}

void TTableForm::SelectAll() {
    // Every value cell: the run numbers and the names are not values.
    if (data_.runs() > 0 && data_.variables() > 0) setSelection({1, 1, data_.variables(), data_.runs()});
    Grid->viewport()->update();
}

void TTableForm::CopytoClip() {
    const table::CellRect r = selection();
    if (r.left == 0 && r.top == 0) return;  // no cell at all
    QApplication::clipboard()->setText(toQ(data_.copyText(r)));
}

void TTableForm::Clear() {
    (void)data_.clear(selection());
    Grid->viewport()->update();
}

void TTableForm::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    const table::TableData::PasteResult r = data_.paste(toBytes(text), Grid->currentColumn(), Grid->currentRow());
    if (r.badField)
        ShowAlert(QStringLiteral("Bad number in row %1 column %2").arg(r.badField->first).arg(r.badField->second), AlertKind::Error,
                  true);
    Grid->viewport()->update();
}

bool TTableForm::WriteTableDeck() {
    try {
        const table::RunDeckOutcome o = table::writeRunDecks(data_);
        if (o.failed) {
            ShowAlert(toQ(o.message), AlertKind::Error, false);
            return false;
        }
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return false;
    }
    return true;
}

void TTableForm::shapeChanged() {
    // The states of the last run belong to runs that may no longer be there.
    if (runPanel_ && runPanel_->shownRuns() != data_.runs()) runPanel_->forget();
    Grid->refresh();
    FormResize();
    Grid->viewport()->update();
}

void TTableForm::FormResize() {
    table::GridFitInput in;
    in.lineWidth = 0;  // the grid's cells include their lines
    in.columnWidths.push_back(Grid->verticalHeader()->width());
    for (int c = 0; c < data_.variables(); ++c) in.columnWidths.push_back(Grid->columnWidth(c));
    in.rowHeights.push_back(Grid->horizontalHeader()->height());
    for (int r = 0; r < data_.runs(); ++r) in.rowHeights.push_back(Grid->rowHeight(r));
    const int frame = 2 * Grid->frameWidth();
    // The grid has the client less the panel's room the window already holds:
    // a run panel that has just appeared widens the window instead of
    // squeezing the grid, and one that goes gives its room back.
    const QSize extra = runPanel_ ? runPanel_->extraSize() : QSize();
    in.clientWidth = width() - frame - fittedExtra_.width();
    in.clientHeight = height() - frame - fittedExtra_.height();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    in.horizontalBarHeight = in.verticalBarWidth = bar;
    in.showsHorizontalBar = Grid->horizontalScrollBar()->isVisible();
    in.showsVerticalBar = Grid->verticalScrollBar()->isVisible();
    in.defaultColumnWidth = kDefaultColumnWidth;
    in.defaultRowHeight = kDefaultRowHeight;
    const table::GridFit fit = table::fitGrid(in);
    const QSize wanted(std::max(fit.clientWidth + frame, 80) + extra.width(),
                       std::max(fit.clientHeight + frame, 50) + extra.height());
    fittedExtra_ = extra;
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) openingClient_ = wanted;
    if (wanted == size()) return;
    if (sub)
        sub->resize(sub->size() - size() + wanted);
    else
        resize(wanted);
}

bool TTableForm::FormCloseQuery() {
    // The save question first, the table run last: runs are stopped only once
    // nothing else can keep the window open.
    if (!TDocWindow::FormCloseQuery()) return false;
    return runPanel_->mayClose();
}

void TTableForm::Print(PrintContext& ctx) {
    if (!ctx.canvas) return;
    QPainter& p = *ctx.canvas;
    p.save();
    const QFont regular = p.font();
    QFont bold = regular;
    bold.setBold(true);
    QFont heading = bold;
    heading.setUnderline(true);
    p.setFont(heading);
    ctx.textOut(ctx.leftMargin, ctx.y, windowTitle());

    const int last = data_.variables();
    const QFontMetrics rm(regular, p.device()), bm(bold, p.device());
    std::vector<int> A(static_cast<std::size_t>(last) + 1, 0), W(static_cast<std::size_t>(last) + 1, 0);
    for (int c = 1; c <= last; ++c) {
        for (int r = 1; r <= data_.runs(); ++r)
            A[static_cast<std::size_t>(c)] = std::max(A[static_cast<std::size_t>(c)], rm.horizontalAdvance(toQ(GetS(c, r))));
        W[static_cast<std::size_t>(c)] = std::max(A[static_cast<std::size_t>(c)], bm.horizontalAdvance(toQ(GetS(c, 0))));
    }
    for (const auto& [first, lastInSlice] : table::printSlices(W, ctx.pageWidth, ctx.leftMargin)) {
        for (int r = 0; r <= data_.runs(); ++r) {
            ctx.NewLine(1);
            p.setFont(r == 0 ? bold : regular);
            const QFontMetrics fm(p.font(), p.device());
            int x = ctx.leftMargin;
            for (int c = first; c <= lastInSlice; ++c) {
                const int w = W[static_cast<std::size_t>(c)];
                const QString text = toQ(GetS(c, r));
                const int tw = fm.horizontalAdvance(text);
                if (r == 0)
                    ctx.textOut(x + (w - tw) / 2, ctx.y, text);
                else
                    ctx.textOut(x + w - (w - A[static_cast<std::size_t>(c)]) / 2 - tw, ctx.y, text);
                x += w * 5 / 4;
            }
        }
    }
    p.restore();
}

void TTableForm::FormActivate() { Grid->setFocus(); }

void TTableForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && runPanel_->runActive()) {
        runPanel_->CancelBtnClick();
        return;
    }
    TDocWindow::keyPressEvent(event);
}

void TTableForm::showEvent(QShowEvent* event) {
    TDocWindow::showEvent(event);
    if (!placed_) {
        placed_ = true;
        // The main window gives a new document window its outer size, which
        // leaves less than the client this window fitted to its grid.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub && openingClient_.isValid()) {
            const QMargins m = sub->contentsMargins();
            sub->resize(openingClient_ + QSize(m.left() + m.right(), m.top() + m.bottom()));
        }
        placeWindow();
        FormResize();
    }
}

// A new table window sits at 10, 20, or 24 pixels right of and below the last
// document window.
void TTableForm::placeWindow() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    if (!area) return;
    QMdiSubWindow* lastSub = nullptr;
    for (QMdiSubWindow* s : area->subWindowList(QMdiArea::CreationOrder))
        if (s != sub && qobject_cast<TDocWindow*>(s->widget())) lastSub = s;
    sub->move(lastSub ? lastSub->pos() + QPoint(24, 24) : QPoint(10, 20));
}
