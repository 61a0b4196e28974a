#pragma once

#include "measured.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QWidget;
class TFrmSimPipe;
class TSession;

// Ctrl+K, "Compare with measured…": a part measured off the machine (its XYZ points or its
// program) against the part "Make 3D" last built. The viewer draws the measured centre line,
// aligned, over the tube and the pieces where it strays past the tolerance in violet; a line
// under "Make 3D" gives the verdict, and its tip each bend's deltas; resting the pointer on a
// bend of the tube (or the straight that leads to it) shows that bend's. A new build, hand or
// program drops the comparison.
class TMeasuredComparison : public QObject {
    Q_OBJECT

public:
    // `window` takes the key and parents the dialogs; the verdict sits in `clientArea`'s column.
    TMeasuredComparison(TSession& session, QWidget& window, QWidget& clientArea,
                        TFrmSimPipe& viewer);

    // Compares with the measured file at `path`; empty asks for one. Returns whether it did.
    bool CompareWith(const QString& path);
    // Takes the comparison off the screen.
    void Drop();

    QAction* ActCompare = nullptr; // Machine → Compare with measured…, Ctrl+K
    QLabel* LblVerdict = nullptr;  // under "Make 3D": "Sheath 1.32 > 1.00 at row 4 — fails"

    // The comparison on screen; none before one is made or after it is dropped.
    const std::optional<tubrix::Comparison>& Shown() const { return Comparison; }

    // Asks for the measured file (empty: none chosen). A file dialog; tests put their own here.
    using PathQuestion = std::function<QString(QWidget* parent)>;
    static PathQuestion AskPath;

protected:
    // The viewer's tooltip events, while a comparison is shown: the deltas of the bend under
    // the pointer, or of the bend the straight under it leads to, or the tail's.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Message(const QString& text);

    TSession& Session;
    QWidget& Window;
    TFrmSimPipe& Viewer;
    std::optional<tubrix::Comparison> Comparison;
};
