#include "table/alterval.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "table/numberparse.h"
#include "table/table.h"
#include "table/tablegrid.h"
#include "table/okcancel.h"

namespace {


// Bad input: the beep, the field focused and its text selected.
void refuse(QLineEdit* field) {
    field->setFocus();
    field->selectAll();
    seams().alerts->beep();
}

const char* modeCaption(table::SeriesMode m) {
    switch (m) {
    case table::SeriesMode::LastValue: return "Last Value";
    case table::SeriesMode::Multiplier: return "Multiplier";
    default: return "Increment";
    }
}

}  // namespace

TAlterValuesDlg::TAlterValuesDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AlterValuesDlg"));
    setWindowTitle(QStringLiteral("Alter Table Values"));
    FirstRunEdit = new QLineEdit;
    LastRunEdit = new QLineEdit;
    ClearValues = new QRadioButton(QStringLiteral("Clear Values"));
    SetValues = new QRadioButton(QStringLiteral("Set Values"));
    SetValues->setChecked(true);
    VarList = new QListWidget;
    FirstValueLabel = new QLabel(QStringLiteral("First Value"));
    FirstValueEdit = new QLineEdit;
    LastIncBox = new QPushButton;
    SecondEdit = new QLineEdit;
    ApplyBtn = new QPushButton(QStringLiteral("Apply"));
    const OkCancelRow buttons = makeOkCancelRow(this, {ApplyBtn});
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    LastIncBox->setAutoDefault(false);
    setMode(table::SeriesMode::Increment);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("First Run")), 0, 0);
    grid->addWidget(FirstRunEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Last Run")), 1, 0);
    grid->addWidget(LastRunEdit, 1, 1);
    auto* radios = new QVBoxLayout;
    radios->addWidget(ClearValues);
    radios->addWidget(SetValues);
    grid->addLayout(radios, 0, 2, 2, 1);
    grid->addWidget(VarList, 2, 0, 1, 3);
    grid->addWidget(FirstValueLabel, 3, 0);
    grid->addWidget(FirstValueEdit, 3, 1);
    grid->addWidget(LastIncBox, 4, 0);
    grid->addWidget(SecondEdit, 4, 1);
    grid->addLayout(buttons.row, 5, 0, 1, 3);

    connect(ClearValues, &QRadioButton::clicked, this, &TAlterValuesDlg::ClearValuesClick);
    connect(SetValues, &QRadioButton::clicked, this, &TAlterValuesDlg::SetValuesClick);
    connect(LastIncBox, &QPushButton::pressed, this, &TAlterValuesDlg::LastIncBoxMouseDown);
    connect(OKBtn, &QPushButton::clicked, this, &TAlterValuesDlg::OKBtnClick);
    connect(ApplyBtn, &QPushButton::clicked, this, &TAlterValuesDlg::Button1Click);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TAlterValuesDlg::setMode(table::SeriesMode m) {
    mode_ = m;
    LastIncBox->setText(QString::fromLatin1(modeCaption(m)));
}

void TAlterValuesDlg::showValueControls() {
    const bool on = SetValues->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{FirstValueLabel, FirstValueEdit, LastIncBox, SecondEdit})
        w->setVisible(on);
}

void TAlterValuesDlg::FormActivate() {
    VarList->clear();
    if (table_)
        for (const auto& c : table_->data().columns) VarList->addItem(toQ(c.name));
    if (VarList->count() > 0) VarList->setCurrentRow(0);
    const table::RunRange& range = table::rememberedRunRange();
    FirstRunEdit->setText(QString::number(range.first));
    LastRunEdit->setText(QString::number(range.last));
    showValueControls();
}

void TAlterValuesDlg::ClearValuesClick() { showValueControls(); }
void TAlterValuesDlg::SetValuesClick() { showValueControls(); }

void TAlterValuesDlg::LastIncBoxMouseDown() {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Last Value"), this, &TAlterValuesDlg::LastValue1Click);
    menu.addAction(QStringLiteral("Increment"), this, &TAlterValuesDlg::Increment1Click);
    menu.addAction(QStringLiteral("Multiplier"), this, &TAlterValuesDlg::Multiplier1Click);
    menu.exec(LastIncBox->mapToGlobal(QPoint(0, 0)));
    LastIncBox->setDown(false);
}

void TAlterValuesDlg::LastValue1Click() { setMode(table::SeriesMode::LastValue); }
void TAlterValuesDlg::Increment1Click() { setMode(table::SeriesMode::Increment); }
void TAlterValuesDlg::Multiplier1Click() { setMode(table::SeriesMode::Multiplier); }

bool TAlterValuesDlg::FillTable() {
    if (!table_) return false;
    table::TableData& t = table_->data();
    const auto first = table::parseInteger(toBytes(FirstRunEdit->text()));
    if (!first) {
        refuse(FirstRunEdit);
        return false;
    }
    const auto lastText = table::parseInteger(toBytes(LastRunEdit->text()));
    if (!lastText) {
        refuse(LastRunEdit);
        return false;
    }
    const int f = std::max(*first, 1);
    // A range that starts after the last run has nothing to change.
    if (f > t.runs()) {
        refuse(FirstRunEdit);
        return false;
    }
    const int l = std::max(std::min(*lastText, t.runs()), f);
    table::rememberedRunRange() = {f, l};
    long double v = 0, s = 0;
    if (SetValues->isChecked()) {
        const auto pv = table::ParseNumber(toBytes(FirstValueEdit->text()));
        if (!pv) {
            refuse(FirstValueEdit);
            return false;
        }
        const auto ps = table::ParseNumber(toBytes(SecondEdit->text()));
        if (!ps) {
            refuse(SecondEdit);
            return false;
        }
        v = *pv;
        s = *ps;
    }
    const int column = VarList->currentRow() + 1;
    if (column < 1 || !VarList->currentItem() || !VarList->currentItem()->isSelected() || column > t.variables()) {
        seams().alerts->beep();
        return false;
    }
    if (ClearValues->isChecked())
        t.clearRuns(column, f, l);
    else
        t.fillSeries(column, f, l, mode_, v, s);
    table_->grid()->viewport()->update();
    return true;
}

void TAlterValuesDlg::OKBtnClick() {
    if (FillTable()) accept();
}

void TAlterValuesDlg::Button1Click() { (void)FillTable(); }
