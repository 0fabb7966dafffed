// Maps the font names the program and its files use to faces installed here.
#pragma once

void installFontSubstitutions();
