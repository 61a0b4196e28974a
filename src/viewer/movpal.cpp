#include "movpal.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace {

constexpr int ButtonWidth = 43;
constexpr int ButtonHeight = 40;

bool IsPadMouseButton(Qt::MouseButton button) {
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

} // namespace

PadButton::PadButton(QWidget* parent, const char* name, std::int16_t tabOrder, int left, int top)
    : QPushButton(parent), TabOrder(tabOrder) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(left, top, ButtonWidth, ButtonHeight);
    setCursor(Qt::PointingHandCursor);
    // The pad must not take the keyboard from the grid.
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(16, 16));
}

void PadButton::mousePressEvent(QMouseEvent* event) {
    if (!IsPadMouseButton(event->button())) {
        QPushButton::mousePressEvent(event);
        return;
    }
    emit MouseDown(this);
    if (event->button() == Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
    } else {
        // The toolkit's button only answers the left button; show the others pressed too.
        setDown(true);
        event->accept();
    }
}

void PadButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!IsPadMouseButton(event->button())) {
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    emit MouseUp(this);
    if (event->button() == Qt::LeftButton) {
        QPushButton::mouseReleaseEvent(event);
    } else {
        setDown(false);
        event->accept();
    }
}

PadPanel::PadPanel(QWidget* parent) : QFrame(parent) {}

void PadPanel::wheelEvent(QWheelEvent* event) {
    event->accept();
}
