#include "logo.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// A tube with two bends, as a thick stroke shaded across its width like polished steel.
void DrawBentTube(QPainter& painter) {
    QPainterPath centreLine(QPointF(20, 100));
    centreLine.lineTo(20, 82);
    centreLine.arcTo(QRectF(20, 62, 40, 40), 180, -90);
    centreLine.lineTo(150, 62);
    centreLine.arcTo(QRectF(130, 62, 40, 40), 90, -90);
    centreLine.lineTo(170, 105);

    QLinearGradient steel(0, 54, 0, 70);
    steel.setColorAt(0.0, QColor(90, 96, 110));
    steel.setColorAt(0.45, QColor(225, 230, 238));
    steel.setColorAt(1.0, QColor(70, 76, 90));
    painter.setPen(QPen(QColor(40, 44, 56), 14, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    painter.drawPath(centreLine);
    painter.setPen(QPen(QBrush(steel), 11, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    painter.drawPath(centreLine);
    // The first bend in the highlight colour, as the viewer shows it.
    QPainterPath firstBend(QPointF(20, 82));
    firstBend.arcTo(QRectF(20, 62, 40, 40), 180, -90);
    painter.setPen(QPen(QColor(200, 50, 50), 11, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(firstBend);
}

} // namespace

QPixmap TubrixLogo(qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(qRound(LogoWidth * ratio), qRound(LogoHeight * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(QColor(246, 247, 250));

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(200, 205, 215));
    painter.drawRect(QRectF(0.5, 0.5, LogoWidth - 1, LogoHeight - 1));

    QFont title(QStringLiteral("Sans Serif"));
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(20, 40, 110));
    painter.drawText(QRectF(0, 6, LogoWidth, 36), Qt::AlignCenter, QStringLiteral("Tubrix"));

    QFont caption(QStringLiteral("Sans Serif"));
    caption.setStyleHint(QFont::SansSerif);
    caption.setPixelSize(10);
    painter.setFont(caption);
    painter.setPen(QColor(90, 95, 110));
    painter.drawText(QRectF(0, 38, LogoWidth, 14), Qt::AlignCenter,
                     QCoreApplication::translate("TFrmMain", "bend programs in 3D"));

    DrawBentTube(painter);
    return pixmap;
}
