#include "table/tablegrid.h"
#include "shell/qtbytes.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

#include "shell/seams.h"
#include "table/tabledata.h"

namespace {

// The table's cells as a model: model row r is grid row r + 1, model column c
// grid column c + 1.
class TableModel : public QAbstractTableModel {
public:
    explicit TableModel(TableGridHost& form, QObject* parent) : QAbstractTableModel(parent), form_(form) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : form_.data().runs();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : form_.data().variables();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        // The stored value in full: the column's format may show fewer digits.
        if (role == Qt::ToolTipRole || role == Qt::StatusTipRole)
            return form_.fullValueText(index.column() + 1, index.row() + 1);
        if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
        return toQ(form_.data().cellText(index.column() + 1, index.row() + 1));
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole) return false;
        form_.GridSetEditText(index.column() + 1, index.row() + 1, value.toString());
        return true;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole) return {};
        if (o == Qt::Vertical) return section + 1;
        return toQ(form_.data().cellText(section + 1, 0));
    }
    // The model reads the table directly: a reset re-reads rows and columns.
    void refresh() {
        beginResetModel();
        endResetModel();
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags;
    }

private:
    TableGridHost& form_;
};

// Paints value cells through the window and edits them with a line editor whose
// every change reaches the table at once.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(TableGridHost& form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.highlight());
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->setFont(option.font);
        form_.GridDrawCell(*painter, index.column() + 1, index.row() + 1, option.rect);
        painter->restore();
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        const int column = index.column() + 1, row = index.row() + 1;
        TableGridHost* form = &form_;
        QObject::connect(edit, &QLineEdit::textEdited, edit,
                         [form, column, row](const QString& text) { form->GridSetEditText(column, row, text); });
        return edit;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(form_.GridGetEditText(index.column() + 1, index.row() + 1));
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        form_.GridSetEditText(index.column() + 1, index.row() + 1, static_cast<QLineEdit*>(editor)->text());
    }

protected:
    bool eventFilter(QObject* editor, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) static_cast<TTableGrid*>(parent())->editorEnterPressed();
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }

private:
    TableGridHost& form_;
};

// The fixed row and column, painted by the window like every other cell.
class FixedHeader : public QHeaderView {
public:
    FixedHeader(Qt::Orientation o, TableGridHost& form, QWidget* parent) : QHeaderView(o, parent), form_(form) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->fillRect(rect, palette().button());
        painter->setPen(palette().mid().color());
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->setPen(palette().buttonText().color());
        painter->setFont(font());
        if (orientation() == Qt::Horizontal)
            form_.GridDrawCell(*painter, logicalIndex + 1, 0, rect);
        else
            form_.GridDrawCell(*painter, 0, logicalIndex + 1, rect);
        painter->restore();
    }

private:
    TableGridHost& form_;
};

}  // namespace

TTableGrid::TTableGrid(TableGridHost& form, QWidget* parent) : QTableView(parent), form_(form) {
    setObjectName(QStringLiteral("Grid"));
    auto* h = new FixedHeader(Qt::Horizontal, form, this);
    auto* v = new FixedHeader(Qt::Vertical, form, this);
    setHorizontalHeader(h);
    setVerticalHeader(v);
    h->setDefaultSectionSize(TableGridHost::kDefaultColumnWidth);
    h->setMinimumSectionSize(10);
    h->setFixedHeight(30);
    v->setDefaultSectionSize(TableGridHost::kDefaultRowHeight);
    v->setMinimumSectionSize(10);
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setFixedWidth(45);
    v->viewport()->installEventFilter(this);
    model_ = new TableModel(form, this);
    setModel(model_);
    listening_ = form.data().listen([this](table::TableChange change) {
        if (change == table::TableChange::Shape)
            refresh();
        else
            viewport()->update();
    });
    setItemDelegate(new CellDelegate(form, this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setShowGrid(true);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(true);
    // A column's display format is chosen from the context menu of its name or cells.
    for (QWidget* w : {static_cast<QWidget*>(h), viewport()}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& at) {
            const int column = w == viewport() ? columnAt(at.x()) : horizontalHeader()->logicalIndexAt(at);
            if (column < 0) return;
            QMenu menu(this);
            QAction* format = menu.addAction(QStringLiteral("Column Format..."));
            format->setObjectName(QStringLiteral("ColumnFormat1"));
            if (menu.exec(w->mapToGlobal(at)) == format) form_.ColumnFormatClick(column + 1);
        });
    }
}

TTableGrid::~TTableGrid() { form_.data().unlisten(listening_); }

void TTableGrid::refresh() { static_cast<TableModel*>(model_)->refresh(); }

int TTableGrid::currentColumn() const { return currentIndex().isValid() ? currentIndex().column() + 1 : 0; }
int TTableGrid::currentRow() const { return currentIndex().isValid() ? currentIndex().row() + 1 : 0; }

void TTableGrid::setCurrentCell(int column, int row) {
    const QModelIndex i = model_->index(row - 1, column - 1);
    if (i.isValid()) setCurrentIndex(i);
}

void TTableGrid::moveDown() {
    const QModelIndex i = currentIndex();
    if (i.isValid() && i.row() + 1 < model_->rowCount()) setCurrentIndex(model_->index(i.row() + 1, i.column()));
}

void TTableGrid::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        moveDown();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TTableGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Its text was committed before it closes; closing with Tab may open the
    // next cell's editor, which then starts its own record.
    form_.GridEditDone();
    QTableView::closeEditor(editor, hint);
    // Enter in the editor closes it: the next run is edited next. Moving to
    // another cell closes it with the same hint, and must land on that cell.
    const bool enter = enterPressed_;
    enterPressed_ = false;
    if (enter && hint == QAbstractItemDelegate::SubmitModelCache) moveDown();
}

bool TTableGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        seams().alerts->beep();  // the run numbers cannot be selected
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
