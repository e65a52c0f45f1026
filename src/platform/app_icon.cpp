#include "platform/app_icon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lexiquill::platform {

namespace {

QPixmap tile(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    const qreal margin = size / 16.0;
    shape.addRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 6.0,
                         size / 6.0);
    painter.fillPath(shape, QColor(0x1f, 0x5f, 0xa8));
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(size * 5 / 8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("L."));
    return pixmap;
}

}  // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) icon.addPixmap(tile(size));
    return icon;
}

}  // namespace lexiquill::platform
