// Maps the font names the program and its files use to faces installed here.
#pragma once
#include <QFont>

void installFontSubstitutions();

// The fixed-pitch face of decks and forms: "MS LineDraw", 10 points.
QFont lineDrawFont();
