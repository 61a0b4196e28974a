#include "numberfield.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace {

// The mark drawn over the last characters shown: an ellipsis on the field's own background.
const QString CutMark = QStringLiteral("…");

} // namespace

TNumberField::TNumberField(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    // Whatever sets the text while the operator is elsewhere (a file opened, an undo, a
    // scroll of the grid) leaves it read from its start.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!hasFocus()) {
            setCursorPosition(0);
        }
    });
    setCursorPosition(0);
}

QRect TNumberField::TextRoom() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return room.marginsRemoved(margins);
}

bool TNumberField::Cut() const {
    return fontMetrics().horizontalAdvance(text()) > TextRoom().width() - 2;
}

void TNumberField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    setCursorPosition(0);
}

void TNumberField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (hasFocus() || !Cut()) {
        return;
    }
    const QRect room = TextRoom();
    const int markWidth = fontMetrics().horizontalAdvance(CutMark) + 2;
    const QRect mark(room.right() - markWidth + 1, room.top(), markWidth, room.height());
    QPainter painter(this);
    painter.fillRect(
        mark, palette().brush(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(mark, Qt::AlignRight | Qt::AlignVCenter, CutMark);
}

bool TNumberField::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && Cut()) {
        // The whole number, whatever the tip says of the field besides.
        const QString tip = toolTip().isEmpty() ? text() : toolTip() + u'\n' + text();
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), WrappedTip(tip), this);
        return true;
    }
    return QLineEdit::event(event);
}

QString WrappedTip(const QString& text) {
    if (text.isEmpty()) {
        return text;
    }
    // Rich text wraps at a width the tooltip chooses; lines the text breaks stay broken.
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
