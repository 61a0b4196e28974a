#pragma once

#include "programmodel.h"

#include <QObject>
#include <QPalette>

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;
class QWidget;

using FieldRow = std::array<QLineEdit*, GridColumns>;

// The window's own controls the grid works with: the first five rows of four fields, the
// diameter field and the label under "Make 3D".
struct GridControls {
    std::array<FieldRow, 5> Fields{};
    QLineEdit* Diameter = nullptr;
    QLabel* DevelopedLength = nullptr;
};

// The field rows as a view that scrolls over the window's program (five at the window's first
// size, as many as fit when it is made taller), and what goes with them: the row numbers when
// there is room for them, the row strip left of "Make 3D" (which rows are shown, add and
// delete), the scroll bar beside the R column, the keys, the context menu, the marks on fields
// the program cannot use as typed, and the text under "Make 3D".
//
// Keys in a field: Up and Down move a row (past the last and first row shown they scroll),
// Page Up and Page Down a screenful; Enter runs "Make 3D"; Ctrl+Enter adds a row after the
// current one, Ctrl+Delete deletes it; Ctrl+C with no text selected copies the whole program;
// Ctrl+V of a block of several cells or lines pastes it from the field down and rightwards (a
// single cell pastes into the field as text does). Ctrl+Z and Ctrl+Shift+Z in a field go to
// the program's history, not to the field's own.
class TProgramGrid : public QObject {
    Q_OBJECT

public:
    static constexpr int FirstRows = 5;

    // The strip, the scroll bar and the keys go on `window`; Enter in a field emits Make3D.
    TProgramGrid(QWidget& window, const GridControls& controls, TProgramModel& model);

    QLabel* LblRows;           // "Rows 6–10 of 12"
    QToolButton* BtnAddRow;    // after the current row
    QToolButton* BtnDeleteRow; // the current row
    QScrollBar* ScrollRows;    // beside the R column, shown when rows are out of sight
    QAction* ActAddRow;        // Ctrl+Enter
    QAction* ActDeleteRow;     // Ctrl+Delete
    QAction* ActCopyProgram;
    QAction* ActPasteBlock;

    // How many field rows show the program, and their controls for the window to place: new
    // rows are made like the first, rows past `count` are hidden. Row numbers show left of the
    // fields when `numbers` is set.
    void SetVisibleRows(int count, bool numbers);
    int VisibleRows() const { return static_cast<int>(Fields.size()); }
    const FieldRow& Row(int visibleRow) const {
        return Fields[static_cast<std::size_t>(visibleRow)];
    }
    QLabel* RowNumber(int visibleRow) const {
        return Numbers[static_cast<std::size_t>(visibleRow)];
    }

    // Marks a program row as the one the step view is at (-1: none) and scrolls it into sight.
    void MarkStepRow(int row);

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
    void Watch(QLineEdit* field);
    void WatchRow(int visibleRow);
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
    std::vector<FieldRow> Fields;
    std::vector<QLabel*> Numbers;
    // Made for a taller window and hidden while it is not.
    std::vector<FieldRow> SpareFields;
    std::vector<QLabel*> SpareNumbers;
    bool NumbersShown = false;
    int StepRow = -1;
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
