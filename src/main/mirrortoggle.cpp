#include "mirrortoggle.h"

#include "fsimpipe.h"
#include "session.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QWidget>

using namespace tubrix;

namespace {

constexpr int Margin = 1; // from the viewer's edges, as the pad sits

} // namespace

TMirrorToggle::TMirrorToggle(TSession& session, QWidget& window, TFrmSimPipe& viewer)
    : QObject(&window), Session(session), Viewer(viewer) {
    ActMirror = new QAction(TMirrorToggle::tr("&Other hand (mirrored)"), this);
    ActMirror->setCheckable(true);
    ActMirror->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    // The viewer sits inside the main window, so the key works wherever the keyboard is.
    ActMirror->setShortcutContext(Qt::WindowShortcut);
    connect(ActMirror, &QAction::triggered, this, &TMirrorToggle::Toggle);
    window.addAction(ActMirror);

    // A native child, as the pad is: a plain child would be drawn under the GL window.
    LblMirrored = new QLabel(TMirrorToggle::tr("Mirrored"), &viewer);
    LblMirrored->setObjectName(QStringLiteral("LblMirrored"));
    LblMirrored->setAttribute(Qt::WA_NativeWindow);
    LblMirrored->setAutoFillBackground(true);
    LblMirrored->setMargin(3);
    LblMirrored->setToolTip(
        TMirrorToggle::tr("The other hand of the part: every B negated (Ctrl+Shift+M)"));
    LblMirrored->adjustSize();
    LblMirrored->hide();
    viewer.installEventFilter(this);
}

void TMirrorToggle::Toggle() {
    SetMirrored(!Session.Mirrored());
}

void TMirrorToggle::SetMirrored(bool on) {
    ActMirror->setChecked(on);
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
