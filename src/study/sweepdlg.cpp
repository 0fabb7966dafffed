#include "study/sweepdlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "study/collect.h"
#include "table/numberparse.h"

TSweepDlg::TSweepDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SweepDlg"));
    setWindowTitle(QStringLiteral("Sweep"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("For each variable to sweep, give a list of values (200, 300) or a range "
                                                "(from, to, number of values); a variable left empty keeps its deck value."),
                                 this));
    VarGrid = new QTableWidget(0, 7, this);
    VarGrid->setObjectName(QStringLiteral("VarGrid"));
    VarGrid->setHorizontalHeaderLabels({QStringLiteral("Variable"), QStringLiteral("Deck value"), QStringLiteral("Values"),
                                        QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Count"),
                                        QStringLiteral("Log")});
    VarGrid->verticalHeader()->hide();
    VarGrid->horizontalHeader()->setSectionResizeMode(Values, QHeaderView::Stretch);
    VarGrid->setMinimumWidth(560);
    layout->addWidget(VarGrid);

    auto* design = new QGroupBox(QStringLiteral("Runs"), this);
    auto* d = new QHBoxLayout(design);
    OneAtATime = new QRadioButton(QStringLiteral("One at a time"), design);
    FullGrid = new QRadioButton(QStringLiteral("Full grid"), design);
    Hypercube = new QRadioButton(QStringLiteral("Latin hypercube of"), design);
    HypercubeRuns = new QSpinBox(design);
    HypercubeRuns->setRange(1, study::kMostValues);
    HypercubeRuns->setValue(20);
    Seed = new QLineEdit(QStringLiteral("1"), design);
    Seed->setMaximumWidth(90);
    FullGrid->setChecked(true);
    d->addWidget(OneAtATime);
    d->addWidget(FullGrid);
    d->addWidget(Hypercube);
    d->addWidget(HypercubeRuns);
    d->addWidget(new QLabel(QStringLiteral("runs, seed"), design));
    d->addWidget(Seed);
    layout->addWidget(design);

    auto* place = new QHBoxLayout;
    Replace = new QRadioButton(QStringLiteral("Replace the table's runs"), this);
    Append = new QRadioButton(QStringLiteral("Add after them"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(Replace);
    group->addButton(Append);
    Replace->setChecked(true);
    place->addWidget(Replace);
    place->addWidget(Append);
    place->addStretch();
    RunsLabel = new QLabel(this);
    RunsLabel->setObjectName(QStringLiteral("RunsLabel"));
    place->addWidget(RunsLabel);
    layout->addLayout(place);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &TSweepDlg::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(VarGrid, &QTableWidget::itemChanged, this, &TSweepDlg::updateCount);
    for (QRadioButton* b : {OneAtATime, FullGrid, Hypercube}) connect(b, &QRadioButton::toggled, this, &TSweepDlg::updateCount);
    connect(HypercubeRuns, &QSpinBox::valueChanged, this, &TSweepDlg::updateCount);
}

void TSweepDlg::setVariables(const std::vector<std::string>& names, const std::vector<std::optional<long double>>& base) {
    base_ = base;
    base_.resize(names.size());
    const QSignalBlocker quiet(VarGrid);
    VarGrid->setRowCount(static_cast<int>(names.size()));
    for (int r = 0; r < VarGrid->rowCount(); ++r) {
        const std::optional<long double> b = base_[std::size_t(r)];
        auto* name = new QTableWidgetItem(toQ(names[std::size_t(r)]));
        auto* value = new QTableWidgetItem(b ? toQ(study::inputText(*b)) : QStringLiteral("-"));
        for (QTableWidgetItem* i : {name, value}) i->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        VarGrid->setItem(r, Name, name);
        VarGrid->setItem(r, Base, value);
        for (int c : {Values, From, To, Count}) VarGrid->setItem(r, c, new QTableWidgetItem);
        auto* log = new QTableWidgetItem;
        log->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        log->setCheckState(Qt::Unchecked);
        VarGrid->setItem(r, Log, log);
    }
    VarGrid->resizeColumnsToContents();
    for (int c : {From, To, Count}) VarGrid->setColumnWidth(c, 80);
    updateCount();
}

void TSweepDlg::setList(int row, const QString& values) {
    VarGrid->item(row, Values)->setText(values);
}

void TSweepDlg::setRange(int row, double from, double to, int count, bool log) {
    const QSignalBlocker quiet(VarGrid);
    VarGrid->item(row, Values)->setText(QString());
    VarGrid->item(row, From)->setText(toQ(study::valueText(from)));
    VarGrid->item(row, To)->setText(toQ(study::valueText(to)));
    VarGrid->item(row, Count)->setText(QString::number(count));
    VarGrid->item(row, Log)->setCheckState(log ? Qt::Checked : Qt::Unchecked);
    updateCount();
}

SweepChoice TSweepDlg::choice() const {
    SweepChoice c;
    for (int r = 0; r < VarGrid->rowCount(); ++r) {
        const std::string name = toBytes(VarGrid->item(r, Name)->text());
        const auto text = [&](int column) { return toBytes(VarGrid->item(r, column)->text().trimmed()); };
        const std::string list = text(Values), from = text(From), to = text(To), count = text(Count);
        const bool log = VarGrid->item(r, Log)->checkState() == Qt::Checked;
        if (!list.empty() && (!from.empty() || !to.empty() || !count.empty()))
            throw study::SweepError(name + ": give either a list of values or a range, not both");
        if (!list.empty()) {
            c.request.variables.push_back(study::parseValueText(name, list));
        } else if (!from.empty() || !to.empty() || !count.empty()) {
            if (from.empty() || to.empty() || count.empty())
                throw study::SweepError(name + ": a range needs from, to and the number of values");
            c.request.variables.push_back(study::parseValueText(name, from + ":" + to + ":" + count + (log ? ":log" : "")));
        }
    }
    if (c.request.variables.empty()) throw study::SweepError("Give values to at least one variable");
    c.request.design = OneAtATime->isChecked() ? study::Design::OneAtATime
                       : Hypercube->isChecked() ? study::Design::LatinHypercube
                                                : study::Design::Grid;
    c.request.lhsRuns = HypercubeRuns->value();
    c.request.seed = study::parseHypercube("1:" + toBytes(Seed->text().trimmed())).second;
    c.append = Append->isChecked();
    return c;
}

study::SweepRuns TSweepDlg::runs() const {
    const SweepChoice c = choice();
    std::vector<std::optional<long double>> base;
    for (const study::ValueSpec& v : c.request.variables)
        for (int r = 0; r < VarGrid->rowCount(); ++r)
            if (toBytes(VarGrid->item(r, Name)->text()) == v.name) base.push_back(base_[std::size_t(r)]);
    return study::makeRuns(c.request, base);
}

std::size_t TSweepDlg::runCount() const {
    try {
        return runs().runs.size();
    } catch (const study::SweepError&) {
        return 0;
    }
}

void TSweepDlg::updateCount() {
    const std::size_t n = runCount();
    RunsLabel->setText(n == 0 ? QString()
                       : n <= std::size_t(table::kMaxRuns)
                           ? QStringLiteral("%1 runs").arg(n)
                           : QStringLiteral("%1 runs: %2 tables").arg(n).arg(study::tablesNeeded(n)));
}

void TSweepDlg::OKBtnClick() {
    try {
        (void)runs();
    } catch (const study::SweepError& e) {
        ShowAlert(toQ(e.what()), AlertKind::ErrorOk, true);
        return;
    }
    accept();
}
