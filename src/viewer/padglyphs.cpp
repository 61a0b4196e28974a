#include "padglyphs.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// The glyphs are drawn as vectors on a PadGlyphSize square, so any size and any device pixel
// ratio gets its own sharp rendering instead of a scaled bitmap.
constexpr qreal Mid = PadGlyphSize / 2.0;

const QColor Red(200, 30, 30);
const QColor Blue(30, 70, 200);
const QColor Black(20, 20, 20);

// One drawing pass: the painter, already mapped to glyph coordinates, and whether the colours
// are to be greyed for a disabled button.
class Canvas {
public:
    Canvas(QPainter& painter, bool grey) : p(painter), grey(grey) {}

    // A disabled button keeps its shapes but loses its colour: every colour becomes a light grey,
    // so the whole glyph fades back rather than just turning dark.
    QColor Ink(const QColor& c) const {
        if (!grey) {
            return c;
        }
        const int g = 140 + qGray(c.rgb()) * 45 / 100;
        return QColor(g, g, g, c.alpha());
    }

    void Stroke(const QPainterPath& path, const QColor& c, qreal width,
                Qt::PenCapStyle cap = Qt::FlatCap) {
        p.strokePath(path, QPen(Ink(c), width, Qt::SolidLine, cap, Qt::MiterJoin));
    }

    // Solid shapes get a thin darker rim so they stay distinct on the button face.
    void Fill(const QPainterPath& path, const QColor& c) {
        p.fillPath(path, Ink(c));
        Stroke(path, c.darker(170), 0.7);
    }

    QPainter& p;
    bool grey;
};

// A solid triangle whose tip is at `tip`, pointing along `angle` (radians, screen coordinates,
// 0 = right, pi/2 = down).
QPainterPath ArrowHead(QPointF tip, qreal angle, qreal length, qreal halfWidth) {
    const QPointF along(std::cos(angle), std::sin(angle));
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * length;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(base + across * halfWidth);
    head.lineTo(base - across * halfWidth);
    head.closeSubpath();
    return head;
}

// A shaft (any path, stroked to `width`) joined with its head into one outline, so the rim runs
// round the arrow as a whole rather than crossing where the two meet.
QPainterPath Arrow(const QPainterPath& shaft, qreal width, const QPainterPath& head) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    return stroker.createStroke(shaft).united(head).simplified();
}

// Arrows are drawn for one direction and turned into place about the glyph's centre.
void TurnTo(QPainter& p, qreal degrees) {
    p.translate(Mid, Mid);
    p.rotate(degrees);
    p.translate(-Mid, -Mid);
}

// Drawn pointing left.
void StraightArrow(Canvas& c, qreal degrees) {
    TurnTo(c.p, degrees);
    QPainterPath shaft(QPointF(14.5, Mid));
    shaft.lineTo(QPointF(8, Mid));
    // An even shaft width on the pixel grid keeps the 16 pixel glyph crisp.
    c.Fill(Arrow(shaft, 4, ArrowHead(QPointF(1.5, Mid), std::numbers::pi, 7, 5.5)), Red);
}

// About three quarters of a circle running anticlockwise and ending, with its head, at the upper
// left; `mirror` flips it into the clockwise one with its head at the upper right.
void CircularArrow(Canvas& c, bool mirror) {
    if (mirror) {
        c.p.translate(PadGlyphSize, 0);
        c.p.scale(-1, 1);
    }
    const QPointF centre(Mid, 8.5);
    const qreal radius = 5;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    const qreal start = -125, sweep = 250; // degrees, anticlockwise from three o'clock
    QPainterPath arc;
    arc.arcMoveTo(box, start);
    arc.arcTo(box, start, sweep);
    // The head goes on along the circle's tangent from where the arc stops.
    const qreal end = (start + sweep) * std::numbers::pi / 180;
    const QPointF from = arc.currentPosition();
    const qreal heading = std::atan2(-std::cos(end), -std::sin(end));
    const QPointF tip = from + QPointF(std::cos(heading), std::sin(heading)) * 4.5;
    c.Fill(Arrow(arc, 2.2, ArrowHead(tip, heading, 4.5, 3.8)), Red);
}

void Globe(Canvas& c) {
    const QPointF centre(Mid, Mid);
    const qreal r = 6.5;
    QPainterPath ball;
    ball.addEllipse(centre, r, r);
    c.p.fillPath(ball, c.Ink(Blue));
    c.p.save();
    c.p.setClipPath(ball);
    QPainterPath grid;
    grid.moveTo(Mid, Mid - r);
    grid.lineTo(Mid, Mid + r);
    grid.addEllipse(centre, r / 2.2, r);
    for (const qreal y : {-3.5, 0.0, 3.5}) {
        grid.moveTo(Mid - r, Mid + y);
        grid.lineTo(Mid + r, Mid + y);
    }
    c.Stroke(grid, QColor(190, 215, 255), 0.8);
    c.p.restore();
    c.Stroke(ball, Blue.darker(170), 0.9);
}

void Magnifier(Canvas& c, bool plus) {
    const QPointF centre(6.5, 6.5);
    const qreal r = 4.6;
    QPainterPath handle(QPointF(10, 10));
    handle.lineTo(QPointF(14.6, 14.6));
    c.Stroke(handle, Black, 2.6, Qt::RoundCap);
    QPainterPath lens;
    lens.addEllipse(centre, r, r);
    c.p.fillPath(lens, c.Ink(QColor(225, 240, 255)));
    c.Stroke(lens, Black, 1.4);
    QPainterPath sign(centre - QPointF(2.4, 0));
    sign.lineTo(centre + QPointF(2.4, 0));
    if (plus) {
        sign.moveTo(centre - QPointF(0, 2.4));
        sign.lineTo(centre + QPointF(0, 2.4));
    }
    c.Stroke(sign, Black, 1.5);
}

// A thin red cross over the whole glyph with a blue head at the side the view moves to.
void PanArrow(Canvas& c, qreal degrees) {
    QPainterPath cross(QPointF(0.5, Mid));
    cross.lineTo(QPointF(15.5, Mid));
    cross.moveTo(QPointF(Mid, 0.5));
    cross.lineTo(QPointF(Mid, 15.5));
    c.Stroke(cross, Red, 1.6);
    // The tip stops short of the arm's end, so the cross still reads whole under the head.
    TurnTo(c.p, degrees);
    c.Fill(ArrowHead(QPointF(13.5, Mid), 0, 5, 4), Blue);
}

// One letter A standing on `baseline`, `height` tall, drawn as strokes.
QPainterPath LetterA(qreal left, qreal baseline, qreal width, qreal height) {
    const QPointF apex(left + width / 2, baseline - height);
    QPainterPath a(QPointF(left, baseline));
    a.lineTo(apex);
    a.lineTo(QPointF(left + width, baseline));
    const qreal bar = 0.38; // crossbar height as a share of the letter's
    a.moveTo(QPointF(left + width * bar / 2, baseline - height * bar));
    a.lineTo(QPointF(left + width * (1 - bar / 2), baseline - height * bar));
    return a;
}

// A large and a small A with a small arrow above them; the head goes over the small letter, where
// there is room for it clear of the large one's apex.
void Zoo(Canvas& c) {
    c.Stroke(LetterA(0.9, 15, 7.1, 9.2), Black, 1.6);
    c.Stroke(LetterA(10.4, 15, 4.6, 6.2), Black, 1.3);
    QPainterPath shaft(QPointF(2.5, 2));
    shaft.lineTo(QPointF(11, 2));
    c.Fill(Arrow(shaft, 1.3, ArrowHead(QPointF(14.5, 2), 0, 3.5, 2)), Red);
}

void Draw(Canvas& c, PadGlyph glyph) {
    switch (glyph) {
    case PadGlyph::TurnLeftC:
    case PadGlyph::TurnRightC:
        return CircularArrow(c, glyph == PadGlyph::TurnRightC);
    case PadGlyph::TurnRight:
        return StraightArrow(c, 180);
    case PadGlyph::TurnDown:
        return StraightArrow(c, 270);
    case PadGlyph::TurnLeft:
        return StraightArrow(c, 0);
    case PadGlyph::TurnUp:
        return StraightArrow(c, 90);
    case PadGlyph::Rest:
        return Globe(c);
    case PadGlyph::ZoomOut:
    case PadGlyph::ZoomIn:
        return Magnifier(c, glyph == PadGlyph::ZoomIn);
    case PadGlyph::PanRight:
        return PanArrow(c, 0);
    case PadGlyph::PanDown:
        return PanArrow(c, 90);
    case PadGlyph::PanLeft:
        return PanArrow(c, 180);
    case PadGlyph::PanUp:
        return PanArrow(c, 270);
    case PadGlyph::Zoo:
        return Zoo(c);
    case PadGlyph::None:
        return;
    }
}

class PadGlyphEngine final : public QIconEngine {
public:
    explicit PadGlyphEngine(PadGlyph glyph) : glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        // The drawing is square; a rect of another shape gets it centred at its shorter side.
        const qreal side = std::min(rect.width(), rect.height());
        if (side <= 0) {
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(QRectF(rect).center() - QPointF(side, side) / 2);
        painter->scale(side / PadGlyphSize, side / PadGlyphSize);
        Canvas canvas(*painter, mode == QIcon::Disabled);
        Draw(canvas, glyph);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }

    // QIcon asks for `size` in device pixels already; drawing at that many pixels is what keeps
    // a high-density screen sharp.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        if (size.isEmpty()) {
            return {};
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            paint(&painter, image.rect(), mode, state);
        }
        QPixmap result = QPixmap::fromImage(std::move(image));
        result.setDevicePixelRatio(scale > 0 ? scale : 1);
        return result;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(PadGlyphSize, PadGlyphSize)};
    }

    QString key() const override { return QStringLiteral("PadGlyphEngine"); }
    QIconEngine* clone() const override { return new PadGlyphEngine(glyph); }

private:
    PadGlyph glyph;
};

} // namespace

QIcon PadGlyphIcon(PadGlyph glyph) {
    if (glyph == PadGlyph::None) {
        return {};
    }
    return QIcon(new PadGlyphEngine(glyph));
}
