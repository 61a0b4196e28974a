#pragma once

#include <QObject>

class QAction;
class QLabel;
class QWidget;
class TFrmSimPipe;
class TSession;

// The other hand of the part at the main window: Ctrl+Shift+M shows the mirrored part (every
// plane turn negated) or the part as typed again. The fields keep the operator's values, so
// Ctrl+S still saves what was typed; "Make 3D" builds the hand that is shown. While mirrored, a
// small label "Mirrored" sits at the viewer's top-right corner, above the picture.
class TMirrorToggle : public QObject {
    Q_OBJECT

public:
    // `window` takes the key.
    TMirrorToggle(TSession& session, QWidget& window, TFrmSimPipe& viewer);

    // Shows the mirrored part (or the part as typed) and makes it again from the fields.
    void SetMirrored(bool on);
    void Toggle();

    QLabel* LblMirrored = nullptr;
    QAction* ActMirror = nullptr; // View → Other hand, Ctrl+Shift+M

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceLabel();

    TSession& Session;
    TFrmSimPipe& Viewer;
};
