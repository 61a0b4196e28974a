#pragma once

#include "programmodel.h"

#include <QObject>
#include <QPalette>

#include <array>

class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;
class QWidget;

// The window's own controls the grid works with: the five rows of four fields, the diameter
// field and the label under "Make 3D".
struct GridControls {
    std::array<std::array<QLineEdit*, GridColumns>, 5> Fields{};
    QLineEdit* Diameter = nullptr;
    QLabel* DevelopedLength = nullptr;
};

// The five field rows as a view that scrolls over the window's program, and what goes with
// them: the row strip left of "Make 3D" (which rows are shown, add and delete), the scroll bar
// beside the R column, the keys, the context menu, the marks on fields the program cannot use
// as typed, and the text under "Make 3D".
//
// Keys in a field: Up and Down move a row (past the fifth and first row they scroll), Page Up
// and Page Down five; Enter runs "Make 3D"; Ctrl+Enter adds a row after the current one,
// Ctrl+Delete deletes it; Ctrl+C with no text selected copies the whole program; Ctrl+V of a
// block of several cells or lines pastes it from the field down and rightwards (a single cell
// pastes into the field as text does).
class TProgramGrid : public QObject {
    Q_OBJECT

public:
    static constexpr int VisibleRows = 5;

    // The strip, the scroll bar and the keys go on `window`; Enter in a field emits Make3D.
    TProgramGrid(QWidget& window, const GridControls& controls, TProgramModel& model);

    QLabel* LblRows;           // "Rows 6–10 of 12"
    QToolButton* BtnAddRow;    // after the current row
    QToolButton* BtnDeleteRow; // the current row
    QScrollBar* ScrollRows;    // beside the R column, shown past five rows

    // The program row shown in the first field row.
    int Top() const { return TopRow; }
    void ScrollTo(int top);
    // The program row of the focused field, or of the field last focused.
    int CurrentRow() const;

    void AddRow();
    void DeleteRow();
    void CopyProgram();
    // A block or a whole program from the clipboard's text; false (with a message) when it is
    // refused and nothing changed.
    bool PasteBlock(const QString& block);

    // "Make 3D" has drawn the program as it stands: the developed length and what was marked.
    void Built(double developedLength);

signals:
    // Enter in a field: build the program as it stands.
    void Make3D();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateStrip();
    void WatchFields();
    void Refresh();
    void ShowMarks(const std::vector<FieldMark>& marks);
    void ShowLabel();
    bool Stale() const;
    void FieldEdited(int visibleRow, int column, const QString& text);
    void FocusField(int row, int column);
    bool FieldKey(QLineEdit* field, int visibleRow, int column, int key);
    void ShowMenu(QLineEdit* field, const QPoint& at);
    void Message(const QString& text);
    // Where a field is in the grid: its visible row and column, or false for the diameter.
    bool FieldAt(const QObject* field, int& visibleRow, int& column) const;

    QWidget& Window;
    QLineEdit* DiameterField;
    QLabel* LengthLabel;
    TProgramModel& Model;
    std::array<std::array<QLineEdit*, GridColumns>, VisibleRows> Fields{};
    QPalette FieldPalette;
    QPalette LabelPalette;
    int TopRow = 0;
    int LastRow = 0;
    int LastColumn = 0;
    bool Filling = false;
    // What the picture shows, for "changed — press Make 3D".
    bool HasBuilt = false;
    QString BuiltDiameter;
    std::vector<ProgramRowTexts> BuiltRows;
    QString BuiltText;
    QString BuiltTip;
    int WheelRemainder = 0;
};
