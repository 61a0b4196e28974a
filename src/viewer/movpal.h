#pragma once

#include <QFrame>
#include <QPushButton>

#include <cstdint>

// A pad button. Its TabOrder is its identity for the pad handlers, as on the original pad. It
// reports a press and a release for the left, right and middle mouse buttons alike: an operator
// holding a motion with any button expects it to run until that button is let go.
class PadButton : public QPushButton {
    Q_OBJECT

public:
    PadButton(QWidget* parent, const char* name, std::int16_t tabOrder, int left, int top);

    std::int16_t TabOrder;

signals:
    void MouseDown(QObject* sender);
    void MouseUp(QObject* sender);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The pad's panel. A turn of the wheel over the pad is taken here and goes no further: the pad
// has nothing to scroll, and the view behind it must not zoom about a point the operator cannot
// see.
class PadPanel : public QFrame {
    Q_OBJECT

public:
    explicit PadPanel(QWidget* parent);

protected:
    void wheelEvent(QWheelEvent* event) override;
};
