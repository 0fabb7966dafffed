#include "shell/fonts.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutions() {
    // A monospace face must be named explicitly, or Qt falls back to a proportional one.
    QFont::insertSubstitutions(QStringLiteral("MS LineDraw"), {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"), QStringLiteral("Monospace")});
    for (const char* sans : {"Arial", "MS Sans Serif"})
        QFont::insertSubstitutions(QString::fromLatin1(sans), {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Sans Serif")});
    for (const char* serif : {"Times", "Times New Roman"})
        QFont::insertSubstitutions(QString::fromLatin1(serif), {QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"), QStringLiteral("Serif")});
}

QFont lineDrawFont() {
    QFont f(QStringLiteral("MS LineDraw"), 10);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}
