#pragma once

#include <QObject>

class QDockWidget;
class QMainWindow;
class QTreeWidget;
class TFrmSimPipe;
class TSession;

// The findings in words: a panel under the picture (View → Findings) that lists every finding
// of the last check, whole-part ones first, each with its row, rule, value and limit and the
// message. It is hidden at start and shows itself when "Make 3D" finds something; selecting a
// finding marks only its pieces in the picture, and a clear selection marks them all again.
// "No findings" says when there are none.
class TFindingsPanel : public QObject {
    Q_OBJECT

public:
    TFindingsPanel(TSession& session, QMainWindow& window, TFrmSimPipe& viewer);

    QDockWidget* Dock = nullptr;
    QTreeWidget* List = nullptr;

private:
    void Fill();
    void Selected();

    TSession& Session;
    TFrmSimPipe& Viewer;
};
