#include "plot/stylepicker.h"

#include <QPainter>
#include <QToolButton>

#include "plot/curverecord.h"
#include "plot/plotrender.h"

TStylePicker::TStylePicker(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setMinimumSize(90, 26);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setObjectName(QStringLiteral("Up"));
    down->setObjectName(QStringLiteral("Down"));
    up->setGeometry(72, 0, 16, 13);
    down->setGeometry(72, 13, 16, 13);
    connect(up, &QToolButton::clicked, this, &TStylePicker::upClick);
    connect(down, &QToolButton::clicked, this, &TStylePicker::downClick);
}

void TStylePicker::setCode(int code) {
    code_ = code;
    setToolTip(code_ == shownCode() ? QString() : QStringLiteral("Code %1, drawn as %2").arg(code_).arg(shownCode()));
    update();
}

int TStylePicker::shownCode() const {
    switch (kind_) {
    case Kind::Line: return plot::drawnLineStyle(code_);
    case Kind::Symbol: return plot::drawnSymbol(code_);
    case Kind::Color: return plot::drawnColor(code_);
    }
    return 0;
}

void TStylePicker::downClick() {
    const int shown = shownCode();
    setCode(shown >= maxCode() ? 0 : shown + 1);
}

void TStylePicker::upClick() {
    const int shown = shownCode();
    setCode(shown <= 0 ? maxCode() : shown - 1);
}

QRect TStylePicker::box() const { return QRect(0, 0, 70, 26); }

void TStylePicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect b = box();
    p.fillRect(b, Qt::white);
    const int mid = b.height() / 2;
    // Symbols and colours are painted by the drawing's own routines, from the
    // stored code: the box shows what the plot shows.
    const int code = shownCode();
    switch (kind_) {
    case Kind::Line:
        if (code == 0) {
            p.setPen(Qt::black);
            p.drawText(QPoint(5, 2 + p.fontMetrics().ascent()), QStringLiteral("None"));
        } else {
            QPen pen(Qt::black, code == 2 ? 2 : 1);
            if (code == 3) pen.setDashPattern({5.0, 5.0});
            p.setPen(pen);
            p.drawLine(5, mid, b.width() - 6, mid);
        }
        break;
    case Kind::Symbol:
        if (code == 0) {
            p.setPen(Qt::black);
            p.drawText(QPoint(5, 2 + p.fontMetrics().ascent()), QStringLiteral("None"));
        } else {
            plot::PlotRenderer::DrawSymbol(p, code_, b.width() / 2, mid, 0, 1.0);
        }
        break;
    case Kind::Color:
        p.fillRect(b, plot::PlotRenderer::PlotColor(code_));
        break;
    }
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(b.adjusted(0, 0, -1, -1));
}
