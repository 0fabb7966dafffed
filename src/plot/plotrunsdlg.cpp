#include "plot/plotrunsdlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

TPlotRunsDlg::TPlotRunsDlg(const QStringList& columns, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPlotRunsDlg"));
    setWindowTitle(QStringLiteral("Plot table runs"));
    auto* form = new QFormLayout(this);
    XColumn = new QComboBox(this);
    XColumn->setObjectName(QStringLiteral("XColumn"));
    YColumn = new QComboBox(this);
    YColumn->setObjectName(QStringLiteral("YColumn"));
    XColumn->addItems(columns);
    YColumn->addItems(columns);
    // Time over the first result, as a new plot would start.
    if (columns.size() > 1) YColumn->setCurrentIndex(1);
    form->addRow(QStringLiteral("X column"), XColumn);
    form->addRow(QStringLiteral("Y column (one curve per run)"), YColumn);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}
