#include "shell/appicon.h"

#include <QPainter>
#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

QImage drawAppIcon(int size) {
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // Axes.
    p.setPen(QPen(QColor(0xd9, 0xe2, 0xec), std::max(1.0, s / 20)));
    p.drawLine(QPointF(s * 0.18, s * 0.15), QPointF(s * 0.18, s * 0.82));
    p.drawLine(QPointF(s * 0.18, s * 0.82), QPointF(s * 0.88, s * 0.82));
    // A damped response.
    QPainterPath curve;
    for (int i = 0; i <= 40; ++i) {
        const qreal t = i / 40.0;
        const qreal y = 1 - std::exp(-4 * t) * std::cos(12 * t);
        const QPointF pt(s * (0.18 + 0.7 * t), s * (0.78 - 0.5 * y));
        if (i == 0)
            curve.moveTo(pt);
        else
            curve.lineTo(pt);
    }
    p.setPen(QPen(QColor(0xff, 0xc1, 0x3b), std::max(1.5, s / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.end();
    return pm;
}

QIcon makeAppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    return icon;
}
