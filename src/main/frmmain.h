#pragma once

#include "bendprogram.h"

#include <QMainWindow>

#include <cstdint>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;
class TProgramGrid;
class TProgramModel;
class TSession;

// The main window: field rows of Y, B, C, R over a program of up to 100 rows, the tube
// diameter, "Make 3D", and the panel that holds the viewer, between a menu bar and a status
// bar. At its first size every control sits where the operator expects it; made larger, the
// viewer takes the room, the grid shows more rows with their numbers and the fields widen. It
// lays out and builds; what it works on is the session, which the window's features (files,
// checks, step view, mirror, sheet, findings) are given.
class TFrmMain : public QMainWindow {
    Q_OBJECT

public:
    TFrmMain();

    // The client area: everything between the menu bar and the status bar.
    QWidget* ClientArea;
    QMenu* MenuFile;
    QMenu* MenuEdit;
    QMenu* MenuView;
    QMenu* MenuMachine;
    QMenu* MenuHelp;
    QAction* ActMake3D;
    QAction* ActUndo;
    QAction* ActRedo;
    QAction* ActFramePart;
    QAction* ActHomeView;
    QAction* ActQuit;

    QFrame* Panel3D;
    QLabel* LblR;
    QLabel* LblC;
    QLabel* LblB;
    QLabel* LblY;
    QLineEdit* EditY1;
    QLineEdit* EditB1;
    QLineEdit* EditC1;
    QLineEdit* EditR1;
    QLineEdit* EditY2;
    QLineEdit* EditY3;
    QLineEdit* EditY4;
    QLineEdit* EditY5;
    QLineEdit* EditB2;
    QLineEdit* EditB3;
    QLineEdit* EditB4;
    QLineEdit* EditB5;
    QLineEdit* EditC2;
    QLineEdit* EditC3;
    QLineEdit* EditC4;
    QLineEdit* EditC5;
    QLineEdit* EditR2;
    QLineEdit* EditR3;
    QLineEdit* EditR4;
    QLineEdit* EditR5;
    QLabel* LblTubeDiameter;
    QLineEdit* EditTubeDiameter;
    QLabel* Image1;
    QToolButton* SBtnMake3D;
    // The length of tube to cut, shown after each "Make 3D", and what was marked.
    QLabel* LblDevelopedLength;

    // What the window works on, and its program of 1 to MaxBendSteps rows, of which the field
    // rows are a view.
    TSession* Session;
    TProgramModel* Program;
    TProgramGrid* Grid;

    std::int32_t Panel3DWidth = 0;
    std::int32_t Panel3DHeight = 0;
    std::int32_t Panel3DLeft = 0;
    std::int32_t Panel3DTop = 0;

    void FormCreate();
    void FormShow();
    void SBtnMake3DClick();

    // Places every control for the client area's size.
    void LayOut();
    // The size and place the window had when it was last closed, brought onto a screen.
    void RestorePlace();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void SetGridTabOrder();

    bool Shown = false;
    int TabOrderRows = 0;
};

// The main window instance; null until the application creates it.
extern TFrmMain* FrmMain;
// The input copy of the bend program: zero at start, written only by "Make 3D".
extern BendProgram InputProgram;
