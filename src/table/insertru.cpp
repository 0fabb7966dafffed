#include "table/insertru.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "table/numberparse.h"
#include "table/table.h"
#include "table/okcancel.h"

namespace {


void refuse(QLineEdit* field) {
    field->setFocus();
    field->selectAll();
    seams().alerts->beep();
}

}  // namespace

TInsertRunsDlg::TInsertRunsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("InsertRunsDlg"));
    setWindowTitle(QStringLiteral("Insert or Delete Table Runs"));
    InsertButton = new QRadioButton(QStringLiteral("Insert Rows"));
    DeleteButton = new QRadioButton(QStringLiteral("Delete Rows"));
    Attop = new QRadioButton(QStringLiteral("At top"));
    Atbottom = new QRadioButton(QStringLiteral("At bottom"));
    AfterRowBtn = new QRadioButton(QStringLiteral("After row"));
    RowEdit = new QLineEdit;
    NumRowsEdit = new QLineEdit;
    const OkCancelRow buttons = makeOkCancelRow(this);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;

    auto* what = new QGroupBox;
    auto* wl = new QVBoxLayout(what);
    wl->addWidget(InsertButton);
    wl->addWidget(DeleteButton);
    auto* where = new QGroupBox;
    auto* pl = new QGridLayout(where);
    pl->addWidget(Attop, 0, 0);
    pl->addWidget(Atbottom, 1, 0);
    pl->addWidget(AfterRowBtn, 2, 0);
    pl->addWidget(RowEdit, 2, 1);
    auto* grid = new QGridLayout(this);
    grid->addWidget(what, 0, 0);
    grid->addWidget(where, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("No. of Rows")), 1, 0);
    grid->addWidget(NumRowsEdit, 1, 1);
    grid->addLayout(buttons.row, 2, 0, 1, 2);

    connect(InsertButton, &QRadioButton::clicked, this, &TInsertRunsDlg::InsertButtonClick);
    connect(DeleteButton, &QRadioButton::clicked, this, &TInsertRunsDlg::DeleteButtonClick);
    connect(Attop, &QRadioButton::clicked, this, &TInsertRunsDlg::AttopClick);
    connect(Atbottom, &QRadioButton::clicked, this, &TInsertRunsDlg::AtbottomClick);
    connect(AfterRowBtn, &QRadioButton::clicked, this, &TInsertRunsDlg::AfterRowClick);
    connect(OKBtn, &QPushButton::clicked, this, &TInsertRunsDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TInsertRunsDlg::setPosition(Position p) {
    position_ = p;
    RowEdit->setEnabled(p == AfterRow);
}

void TInsertRunsDlg::AttopClick() { setPosition(AtTop); }
void TInsertRunsDlg::AtbottomClick() { setPosition(AtBottom); }
void TInsertRunsDlg::AfterRowClick() { setPosition(AfterRow); }

void TInsertRunsDlg::FormActivate() {
    (insert_ ? InsertButton : DeleteButton)->setChecked(true);
    (position_ == AtTop ? Attop : position_ == AtBottom ? Atbottom : AfterRowBtn)->setChecked(true);
    RowEdit->setText(QString::number(afterRow_));
    NumRowsEdit->setText(QString::number(rowCount_));
    setPosition(position_);
}

void TInsertRunsDlg::OKBtnClick() {
    if (!table_) {
        reject();
        return;
    }
    table::TableData& t = table_->data();
    const int R = t.runs();
    auto count = table::parseInteger(toBytes(NumRowsEdit->text()));
    if (!count || *count < 0) {
        refuse(NumRowsEdit);
        return;
    }
    const int n = insert_ ? *count : -*count;
    if (n < 0 && n <= -R) {
        // Every run goes: the table itself goes, after its save question.
        QPointer<TTableForm> t2 = table_;
        accept();
        QWidget* top = t2->parentWidget() && qobject_cast<QMdiSubWindow*>(t2->parentWidget()) ? t2->parentWidget()
                                                                                                : static_cast<QWidget*>(t2);
        top->close();
        return;
    }
    int p = 0;
    // Deleting at the bottom removes the last runs: they follow run R - count.
    if (position_ == AtBottom) p = n < 0 ? R + n : R;
    if (position_ == AfterRow) {
        const auto row = table::parseInteger(toBytes(RowEdit->text()));
        if (!row || *row < 0 || *row > R) {
            refuse(RowEdit);
            return;
        }
        p = *row;
    }
    if (n < 0 && p - n > R) {
        // Fewer runs follow than are to go: say so rather than delete fewer.
        ShowAlert(QStringLiteral("Only %1 runs follow run %2: %3 runs cannot be deleted after it.")
                      .arg(R - p)
                      .arg(p)
                      .arg(-n),
                  AlertKind::Information, false);
        refuse(NumRowsEdit);
        return;
    }
    if (R + n > table::kMaxRuns) {
        ShowAlert(QStringLiteral("A table holds at most %1 runs.").arg(table::kMaxRuns), AlertKind::Information, false);
        refuse(NumRowsEdit);
        return;
    }
    if (n == 0) {
        accept();
        return;
    }
    t.changeRuns(p, n);
    table::rememberedRunRange().last = t.runs();
    table_->shapeChanged();
    accept();
}
