#include "plot/modplotu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "plot/axes.h"
#include "plot/axisbox.h"
#include "plot/curvebuilder.h"
#include "plot/dialogparts.h"
#include "plot/fieldcheck.h"
#include "plot/plotf.h"
#include "plot/plottext.h"
#include "plot/stylepicker.h"
#include "common/numtext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

TModPlot::TModPlot(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TModPlot"));
    setWindowTitle(QStringLiteral("Modify Plot"));
    setProperty("helpContext", 80);
    auto* top = new QHBoxLayout(this);

    auto* left = new QGridLayout;
    int r = 0;
    PlotList = new QComboBox(this);
    PlotList->setObjectName(QStringLiteral("PlotList"));
    left->addWidget(new QLabel(QStringLiteral("Plot"), this), r, 0);
    left->addWidget(PlotList, r++, 1);
    DeleteBtn = new QPushButton(QStringLiteral("Delete"), this);
    DeleteBtn->setObjectName(QStringLiteral("DeleteBtn"));
    left->addWidget(DeleteBtn, r++, 1);
    const plot::CurveLookControls look = plot::makeCurveLookControls(this);
    Line = look.line;
    Symbol = look.symbol;
    Color = look.color;
    Smoothing = look.smoothing;
    for (auto [label, w] : {std::pair{"Line", Line}, std::pair{"Symbol", Symbol}, std::pair{"Color", Color}}) {
        left->addWidget(new QLabel(QString::fromLatin1(label), this), r, 0);
        left->addWidget(w, r++, 1);
    }
    Legend = new QCheckBox(QStringLiteral("Legend"), this);
    Legend->setObjectName(QStringLiteral("Legend"));
    left->addWidget(Smoothing, r++, 1);
    left->addWidget(Legend, r++, 1);
    FromRow = new QLineEdit(this);
    FromRow->setObjectName(QStringLiteral("FromRow"));
    FromRow->hide();
    ToRow = new QLineEdit(this);
    ToRow->setObjectName(QStringLiteral("ToRow"));
    ToRow->hide();
    VisibleBtn = new QPushButton(QStringLiteral("Use the visible range"), this);
    VisibleBtn->setObjectName(QStringLiteral("VisibleBtn"));
    left->addWidget(VisibleBtn, r++, 1);
    FitBtn = new QPushButton(QStringLiteral("Fit"), this);
    FitBtn->setObjectName(QStringLiteral("FitBtn"));
    left->addWidget(FitBtn, r++, 1);
    const plot::OkCancelButtons buttons = plot::addOkCancelButtons(left, r, this);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    top->addLayout(left);

    XAxis = new TAxisBox(QStringLiteral("X-Axis"), QStringLiteral("X"), true, this);
    YAxis = new TAxisBox(QStringLiteral("Y-Axis"), QStringLiteral("Y"), true, this);
    top->addWidget(XAxis);
    top->addWidget(YAxis);

    connect(OKBtn, &QPushButton::clicked, this, &TModPlot::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DeleteBtn, &QPushButton::clicked, this, &TModPlot::DeleteBtnClick);
    connect(VisibleBtn, &QPushButton::clicked, this, &TModPlot::VisibleBtnClick);
    connect(FitBtn, &QPushButton::clicked, this, &TModPlot::FitBtnClick);
    connect(PlotList, &QComboBox::activated, this, &TModPlot::PlotListChange);
}

void TModPlot::FormActivate() {
    setResult(0);
    if (!plot_) return;
    const plot::PlotRecord& rec = plot_->document().record;
    setWindowTitle(QStringLiteral("Modify ") + plot_->windowTitle());
    PlotList->clear();
    for (const plot::CurveRecord& c : rec.curves) PlotList->addItem(plot::plotString(plot::curveListText(c)));
    current_ = rec.curveCount() - 1;
    PlotList->setCurrentIndex(current_);
    int axis = 0;
    for (auto [box, a] : {std::pair{XAxis, &rec.x}, std::pair{YAxis, &rec.y}}) {
        box->title->setText(plot::plotString(a->title));
        box->log->setChecked(a->logarithmic);
        box->linear->setChecked(!a->logarithmic);
        const pal::LabelFormat f{a->style, a->digits};
        shownLimits_[axis][0] = {toQ(pal::FormatValue(f, a->minimum)), a->minimum};
        shownLimits_[axis][1] = {toQ(pal::FormatValue(f, a->maximum)), a->maximum};
        box->minimum->setText(shownLimits_[axis][0].text);
        box->maximum->setText(shownLimits_[axis][1].text);
        ++axis;
        box->setStyleCode(a->style);
        box->setDigitCount(a->digits);
        // Shown as the plot has them, so that OK keeps what the user did not touch.
        box->ticks->setText(QString::number(a->ticks));
        box->grid->setChecked(a->grid);
    }
    Legend->setChecked(rec.legend);
    VisibleBtn->setEnabled(plot_->zoomed());
    SetPlotLineInfo();
}

namespace {
// The digits with which every tick of an axis reads differently, from the
// given ones up (at most 9).
int distinctDigits(plot::AxisSettings a, int from) {
    const std::vector<plot::Tick> ticks = plot::axisTicks(a);
    int d = std::clamp(from, 0, 9);
    for (; d < 9; ++d) {
        std::vector<std::string> texts;
        for (const plot::Tick& t : ticks) texts.push_back(pal::FormatValue(pal::LabelFormat{a.style, static_cast<std::int16_t>(d)}, t.value));
        if (std::adjacent_find(texts.begin(), texts.end()) == texts.end()) break;
    }
    return d;
}
}  // namespace

void TModPlot::VisibleBtnClick() {
    if (!plot_) return;
    const plot::PlotRecord& rec = plot_->document().record;
    const plot::PlotView& view = plot_->view();
    for (auto [box, shown] : {std::pair{XAxis, view.axisX(rec)}, std::pair{YAxis, view.axisY(rec)}}) {
        // The limits two digits beyond the labels' precision, which the stored
        // plot's labels then show with digits enough to tell its ticks apart.
        bool ok = false;
        const int ticks = box->ticks->text().trimmed().toInt(&ok);
        if (ok && ticks > 0) shown.ticks = ticks;
        shown.style = box->styleCode();
        const pal::LabelFormat limits{shown.style, static_cast<std::int16_t>(std::min(shown.digits + 2, 12))};
        const QString low = toQ(pal::FormatValue(limits, shown.minimum)), high = toQ(pal::FormatValue(limits, shown.maximum));
        box->minimum->setText(low);
        box->maximum->setText(high);
        shown.minimum = low.toDouble();
        shown.maximum = high.toDouble();
        box->setDigitCount(shown.logarithmic ? shown.digits : distinctDigits(shown, shown.digits));
    }
}

void TModPlot::FitBtnClick() {
    if (!plot_) return;
    const plot::PlotRecord& rec = plot_->document().record;
    std::vector<plot::ColumnRange> xr, yr;
    for (const plot::CurveRecord& c : rec.curves) {
        const int n = static_cast<int>(std::min(c.x.size(), c.y.size()));
        if (n == 0) continue;
        const auto [x0, x1] = std::minmax_element(c.x.begin(), c.x.begin() + n);
        const auto [y0, y1] = std::minmax_element(c.y.begin(), c.y.begin() + n);
        xr.push_back({*x0, *x1});
        yr.push_back({*y0, *y1});
    }
    for (auto [box, ranges] : {std::pair{XAxis, &xr}, std::pair{YAxis, &yr}}) {
        if (ranges->empty()) continue;
        const plot::ScaleProposal p = plot::ScaleMinMax(*ranges);
        if (p.digits) box->setDigitCount(*p.digits);
        const pal::LabelFormat f{box->styleCode(), static_cast<std::int16_t>(box->digitCount())};
        box->minimum->setText(toQ(pal::FormatValue(f, p.low)));
        box->maximum->setText(toQ(pal::FormatValue(f, p.high)));
        if (p.ticks) box->ticks->setText(QString::number(*p.ticks));
        // A proposed range from zero or below cannot be logarithmic.
        if (!(p.low > 0)) box->linear->setChecked(true);
    }
}

void TModPlot::SetPlotLineInfo() {
    if (!plot_) return;
    const auto& curves = plot_->document().record.curves;
    if (current_ < 0 || current_ >= static_cast<int>(curves.size())) return;
    const plot::CurveRecord& c = curves[current_];
    Line->setCode(c.lineStyle);
    Symbol->setCode(c.symbol);
    Color->setCode(c.color);
    Smoothing->setChecked(c.smoothing);
}

void TModPlot::PlotListChange() {
    current_ = PlotList->currentIndex();
    SetPlotLineInfo();
}

std::optional<long double> TModPlot::readLimit(QLineEdit* field, const ShownLimit& shown, int mode,
                                              long double lowerBound) {
    // Typed by the user (even the same digits): read as typed.
    if (field->isModified() || field->text() != shown.text) return plot::ReadFloatField(field, mode, lowerBound);
    if (mode == 1 && !(shown.value > lowerBound)) {
        plot::refuseField(field);
        return std::nullopt;
    }
    return shown.value;
}

void TModPlot::OKBtnClick() {
    if (!plot_) {
        reject();
        return;
    }
    plot::PlotRecord& rec = plot_->document().record;
    const auto before = rec.encode();  // an OK that changed nothing leaves the plot unchanged
    rec.legend = Legend->isChecked();
    rec.x.title = plot::plotBytesKeeping(XAxis->title->text(), rec.x.title, 30);
    rec.y.title = plot::plotBytesKeeping(YAxis->title->text(), rec.y.title, 30);
    rec.x.grid = XAxis->grid->isChecked();
    rec.y.grid = YAxis->grid->isChecked();

    // Each accepted number is kept at once; the first refused one stops the reading.
    bool allRead = true;
    int axis = 0;
    for (auto [box, a] : {std::pair{XAxis, &rec.x}, std::pair{YAxis, &rec.y}}) {
        if (!allRead) break;
        const bool log = box->log->isChecked();
        const auto lo = readLimit(box->minimum, shownLimits_[axis][0], log ? 1 : 0, 0);
        if (!lo) {
            allRead = false;
            break;
        }
        a->minimum = *lo;
        const auto hi = readLimit(box->maximum, shownLimits_[axis][1], 1, *lo);
        ++axis;
        if (!hi) {
            allRead = false;
            break;
        }
        a->maximum = *hi;
    }
    for (auto [box, a] : {std::pair{XAxis, &rec.x}, std::pair{YAxis, &rec.y}}) {
        const auto n = plot::parseInteger(toBytes(box->ticks->text()));
        if (!n) {
            ShowAlert(QStringLiteral("'%1' is not a valid integer value").arg(box->ticks->text()), AlertKind::Error, false);
            allRead = false;
        } else if (*n <= 0 || *n > 1000) {
            if (allRead) plot::refuseField(box->ticks);
            allRead = false;
        } else {
            a->ticks = static_cast<std::int32_t>(*n);
        }
        // A log axis needs bounds above zero; they were checked above when chosen.
        a->logarithmic = box->log->isChecked() && a->minimum > 0 && a->maximum > 0;
        a->style = box->styleCode();
        a->digits = static_cast<std::int16_t>(box->digitCount());
    }
    if (current_ >= 0 && current_ < rec.curveCount()) {
        plot::CurveRecord& c = rec.curves[current_];
        c.lineStyle = Line->code();
        c.symbol = Symbol->code();
        c.color = Color->code();
        c.smoothing = Smoothing->isChecked();
    }
    if (rec.encode() != before)
        plot_->plotChanged();
    else
        plot_->replot();
    if (allRead) accept();
}

void TModPlot::DeleteBtnClick() {
    if (!plot_) {
        reject();
        return;
    }
    plot::PlotRecord& rec = plot_->document().record;
    const int k = PlotList->currentIndex();
    if (k < 0 || k >= rec.curveCount()) return;
    if (rec.curveCount() == 1) {
        reject();
        // The window closes with its usual question.
        QWidget* top = plot_;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(plot_->parentWidget())) top = sub;
        top->close();
        return;
    }
    rec.curves.erase(rec.curves.begin() + k);
    plot_->plotChanged();
    reject();
}
