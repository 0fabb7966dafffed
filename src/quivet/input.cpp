#include "quivet/input.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QTimer>
#include <QToolTip>
#include <cstdio>
#include <cstdlib>

#include "quivet/fieldnumber.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {
// One check at a time: the message box and the focus given back make other boxes
// lose the focus, and they must not start checks of their own meanwhile.
bool g_checking = false;
}  // namespace

TInput::TInput(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] {
        edited_ = true;
        typed_ = true;
    });
}

void TInput::showValue(int unitSystem) {
    shownUnits = unitSystem;
    setText(toQ(field.shownText(unitSystem)));
    typed_ = false;
}

std::optional<long double> TInput::currentValue() const {
    if (!typed_) return field.value;
    const auto n = quivet::parseFieldNumber(toBytes(text()));
    if (!n) return std::nullopt;
    return field.toSI(*n, shownUnits);
}

bool TInput::takeTypedValue() {
    const auto v = currentValue();
    if (!v) return false;
    field.value = *v;
    typed_ = false;
    return true;
}

QString TInput::fullValueText() const {
    if (!numeric) return {};
    const auto v = currentValue();
    if (!v) return {};
    const long double shown = field.toShown(*v, shownUnits);
    // The shortest text that reads back as this very value.
    char buf[64] = "";
    for (int digits = 1; digits <= 21; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*Lg", digits, shown);
        if (std::strtold(buf, nullptr) == shown) break;
    }
    QString out = QString::fromLatin1(buf);
    const QString unit = toQ(field.unitText(shownUnits)).trimmed();
    if (!unit.isEmpty()) out += QLatin1Char(' ') + unit;
    return out;
}

bool TInput::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && numeric) {
        const QString tip = fullValueText();
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        }
        return true;
    }
    return QLineEdit::event(event);
}

bool TInput::Exit() {
    if (!numeric) return true;
    const std::string message = field.checkText(toBytes(text()), shownUnits);
    if (message.empty()) {
        takeTypedValue();
        emit checked(true);
        return true;
    }
    emit checked(false);
    g_checking = true;
    ShowAlert(toQ(message), AlertKind::Error, true);
    selectAll();
    setFocus(Qt::OtherFocusReason);
    g_checking = false;
    return false;
}

void TInput::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Menus and other programs take the focus for a moment: no check then.
    const auto reason = event->reason();
    if (g_checking || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return;
    if (numeric && typed_) {
        // Checked once the focus has settled, not inside the focus change.
        QTimer::singleShot(0, this, [this] {
            if (!g_checking && typed_) Exit();
        });
    }
}
