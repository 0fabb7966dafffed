#include "table/newtable.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "common/bytes.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "table/numberparse.h"
#include "table/table.h"
#include "table/okcancel.h"

namespace {


// A variable list that takes items dragged from the other list.
class VariableList : public QListWidget {
public:
    std::function<void()> onDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override { e->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        e->setDropAction(Qt::IgnoreAction);  // the move is ours, not the view's
        e->accept();
        if (e->source() != this && onDrop) onDrop();
    }
};

VariableList* makeList(bool sorted) {
    auto* l = new VariableList;
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->setDragEnabled(true);
    l->setAcceptDrops(true);
    l->setDragDropMode(QAbstractItemView::DragDrop);
    l->setSortingEnabled(sorted);
    return l;
}

}  // namespace

TNewTableDlg::TNewTableDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewTableDlg"));
    setWindowTitle(QStringLiteral("New Parametric Table"));
    auto* src = makeList(true);
    auto* dst = makeList(false);
    SrcList = src;
    DstList = dst;
    src->onDrop = [this] { ExcludeBtnClick(); };
    dst->onDrop = [this] { IncludeBtnClick(); };
    IncludeBtn = new QPushButton(QStringLiteral(">"));
    IncAllBtn = new QPushButton(QStringLiteral(">>"));
    ExcludeBtn = new QPushButton(QStringLiteral("<"));
    ExcAllBtn = new QPushButton(QStringLiteral("<<"));
    RunsEdit = new QLineEdit(QStringLiteral("10"));
    InfoLine1 = new QLabel;
    InfoLine2 = new QLabel;
    const OkCancelRow okCancel = makeOkCancelRow(this);
    OKBtn = okCancel.ok;
    CancelBtn = okCancel.cancel;

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Parameters in File")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Parameters in Table")), 0, 2);
    grid->addWidget(SrcList, 1, 0);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* p : {IncludeBtn, IncAllBtn, ExcludeBtn, ExcAllBtn}) buttons->addWidget(p);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(DstList, 1, 2);
    auto* runs = new QHBoxLayout;
    runs->addWidget(new QLabel(QStringLiteral("No. of Runs")));
    runs->addWidget(RunsEdit);
    runs->addStretch();
    grid->addLayout(runs, 2, 0, 1, 3);
    auto* info = new QVBoxLayout;
    info->addWidget(InfoLine1);
    info->addWidget(InfoLine2);
    grid->addLayout(info, 3, 0, 1, 3);
    grid->addLayout(okCancel.row, 4, 0, 1, 3);

    connect(IncludeBtn, &QPushButton::clicked, this, &TNewTableDlg::IncludeBtnClick);
    connect(ExcludeBtn, &QPushButton::clicked, this, &TNewTableDlg::ExcludeBtnClick);
    connect(IncAllBtn, &QPushButton::clicked, this, &TNewTableDlg::IncAllBtnClick);
    connect(ExcAllBtn, &QPushButton::clicked, this, &TNewTableDlg::ExcAllBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TNewTableDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TNewTableDlg::CancelBtnClick);
    connect(SrcList, &QListWidget::itemPressed, this, &TNewTableDlg::ListMouseDown);
    connect(DstList, &QListWidget::itemPressed, this, &TNewTableDlg::ListMouseDown);
}

void TNewTableDlg::setDeck(const QString& deckPath, std::vector<table::DeckVariable> variables) {
    deckPath_ = deckPath;
    variables_ = std::move(variables);
}

void TNewTableDlg::setTable(const TTableForm& t) {
    // The lists always start from the table as it is, whatever an earlier,
    // cancelled use of the dialog left in them.
    deckPath_ = t.deckFileName();
    variables_ = table::ScanDeckConstants(t.data().deckPath).value_or(std::vector<table::DeckVariable>{});
    std::vector<bool> used(variables_.size(), false);
    std::vector<std::size_t> inTable;
    for (const auto& c : t.data().columns) {
        std::size_t found = variables_.size();
        for (std::size_t i = 0; i < variables_.size(); ++i)
            if (!used[i] && variables_[i].name.substr(0, table::kMaxName) == c.name) {
                found = i;
                break;
            }
        if (found == variables_.size()) {
            // A column whose deck no longer defines it stays a variable.
            table::DeckVariable v;
            v.name = c.name;
            v.description = table::kNoDescription;
            variables_.push_back(v);
            used.push_back(false);
        }
        used[found] = true;
        inTable.push_back(found);
    }
    SrcList->clear();
    DstList->clear();
    for (std::size_t i = 0; i < variables_.size(); ++i)
        if (!used[i]) SrcList->addItem(itemFor(i));
    for (std::size_t i : inTable) DstList->addItem(itemFor(i));
}

QListWidgetItem* TNewTableDlg::itemFor(std::size_t variable) const {
    auto* item = new QListWidgetItem(toQ(variables_[variable].name));
    item->setData(Qt::UserRole, static_cast<qulonglong>(variable));
    return item;
}

std::vector<std::string> TNewTableDlg::chosenNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < DstList->count(); ++i) {
        const auto v = DstList->item(i)->data(Qt::UserRole).toULongLong();
        names.push_back(variables_.at(v).name.substr(0, table::kMaxName));
    }
    return names;
}

void TNewTableDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunsEdit->setFocus();
}

void TNewTableDlg::FormActivate() {
    if (mode_ == NewTableMode) {
        SrcList->clear();
        DstList->clear();
        for (std::size_t i = 0; i < variables_.size(); ++i) SrcList->addItem(itemFor(i));
    }
    InfoLine1->clear();
    InfoLine2->clear();
    RunsEdit->setEnabled(mode_ == NewTableMode);
    SetButtons();
}

void TNewTableDlg::SetButtons() {
    const bool src = SrcList->count() > 0, dst = DstList->count() > 0;
    IncludeBtn->setEnabled(src);
    IncAllBtn->setEnabled(src);
    ExcludeBtn->setEnabled(dst);
    ExcAllBtn->setEnabled(dst);
    OKBtn->setEnabled(dst);
}

int TNewTableDlg::GetFirstSelection(const QListWidget* list) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) return i;
    return -1;
}

void TNewTableDlg::MoveSelected(QListWidget* from, QListWidget* to) {
    const int first = GetFirstSelection(from);
    // The selected items go from the last to the first, so they arrive reversed.
    QList<QListWidgetItem*> moving;
    for (int i = from->count() - 1; i >= 0; --i)
        if (from->item(i)->isSelected()) moving.append(from->item(i));
    for (QListWidgetItem* item : moving) {
        from->takeItem(from->row(item));
        item->setSelected(false);
        to->addItem(item);
    }
    SetItem(from, first);
    SetButtons();
}

void TNewTableDlg::moveAll(QListWidget* from, QListWidget* to) {
    while (from->count() > 0) {
        QListWidgetItem* item = from->takeItem(0);
        item->setSelected(false);
        to->addItem(item);
    }
    SetButtons();
}

void TNewTableDlg::SetItem(QListWidget* list, int index) {
    list->setFocus();
    if (list->count() == 0) return;
    index = index == -1 ? 0 : std::min(index, list->count() - 1);
    list->clearSelection();
    list->item(index)->setSelected(true);
    list->setCurrentRow(index, QItemSelectionModel::Select);
    SetButtons();
}

void TNewTableDlg::IncludeBtnClick() { MoveSelected(SrcList, DstList); }
void TNewTableDlg::ExcludeBtnClick() { MoveSelected(DstList, SrcList); }
void TNewTableDlg::IncAllBtnClick() { moveAll(SrcList, DstList); }
void TNewTableDlg::ExcAllBtnClick() { moveAll(DstList, SrcList); }

void TNewTableDlg::ListMouseDown(QListWidgetItem* item) {
    if (!item) return;
    const auto& v = variables_.at(item->data(Qt::UserRole).toULongLong());
    InfoLine1->setText(toQ(v.unitContext));
    InfoLine2->setText(toQ(v.description));
}

void TNewTableDlg::OKBtnClick() {
    if (mode_ == NewTableMode) {
        const auto n = table::parseInteger(toBytes(RunsEdit->text()));
        if (!n || *n < 0 || *n > table::kMaxRuns) {
            if (n) ShowAlert(QStringLiteral("A table holds from 0 to %1 runs.").arg(table::kMaxRuns), AlertKind::Information, false);
            seams().alerts->beep();
            RunsEdit->setFocus();
            RunsEdit->selectAll();
            return;
        }
        runs_ = *n;
    }
    if (DstList->count() == 0) return;
    accept();
}
