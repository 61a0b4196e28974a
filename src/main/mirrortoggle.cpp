#include "mirrortoggle.h"

#include "fsimpipe.h"
#include "session.h"

#include <QEvent>
#include <QLabel>
#include <QShortcut>

using namespace tubrix;

namespace {

constexpr int Margin = 1; // from the viewer's edges, as the pad sits

} // namespace

TMirrorToggle::TMirrorToggle(TSession& session, QWidget& window, TFrmSimPipe& viewer)
    : QObject(&window), Session(session), Viewer(viewer) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), &window);
    // The viewer sits inside the main window, so the key works wherever the keyboard is.
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &TMirrorToggle::Toggle);

    // A native child, as the pad is: a plain child would be drawn under the GL window.
    LblMirrored = new QLabel(QStringLiteral("Mirrored"), &viewer);
    LblMirrored->setObjectName(QStringLiteral("LblMirrored"));
    LblMirrored->setAttribute(Qt::WA_NativeWindow);
    LblMirrored->setAutoFillBackground(true);
    LblMirrored->setMargin(3);
    LblMirrored->setToolTip(
        QStringLiteral("The other hand of the part: every B negated (Ctrl+Shift+M)"));
    LblMirrored->adjustSize();
    LblMirrored->hide();
    viewer.installEventFilter(this);
}

void TMirrorToggle::Toggle() {
    SetMirrored(!Session.Mirrored());
}

void TMirrorToggle::SetMirrored(bool on) {
    LblMirrored->setVisible(on);
    PlaceLabel();
    // The window builds the fields as they stand in the hand now shown.
    Session.SetMirrored(on);
}

bool TMirrorToggle::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Viewer && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        PlaceLabel();
    }
    return QObject::eventFilter(watched, event);
}

void TMirrorToggle::PlaceLabel() {
    LblMirrored->move(Viewer.width() - LblMirrored->width() - Margin, Margin);
    LblMirrored->raise();
}
