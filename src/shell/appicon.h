// The program's icon (a curve on a plot frame): drawn for the window at start-up
// and, by the build, into the PNG sizes of the desktop's icon theme.
#pragma once
#include <QIcon>
#include <QImage>

QIcon makeAppIcon();
QImage drawAppIcon(int size);
