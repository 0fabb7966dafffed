// The program's window icon, drawn at start-up (a curve on a plot frame).
#pragma once
#include <QIcon>

QIcon makeAppIcon();
