#pragma once

#include <QLineEdit>

// A field for a number. A number wider than the field is read from its start, never its end:
// out of focus the field shows the first digits and a mark at its right edge that says more
// follows, and its tooltip gives the whole text. An operator who reads "34.567" off a field
// holding 1234.567 and types it into a machine scraps a tube.
class TNumberField : public QLineEdit {
    Q_OBJECT

public:
    TNumberField(const QString& text, QWidget* parent);

    // The text is wider than the room the field gives it.
    bool Cut() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect TextRoom() const;
};

// A tooltip's text that wraps at a readable width instead of running off the screen.
QString WrappedTip(const QString& text);
