#pragma once

#include "programfile.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <array>
#include <vector>

// The window's bend program: the diameter and 1 to MaxBendSteps rows, held as the texts the
// operator typed. The field grid shows five of its rows at a time; "Make 3D", the files and the
// clipboard all read and write it here.

inline constexpr int GridColumns = 4; // Y, B, C, R

struct ProgramRowTexts {
    std::array<QString, GridColumns> Cells;
    int Origin = -1; // the file row it was read from, -1 for a row the window added
};

// What "Make 3D" uses for a field's text: the number, or the field's default when the text
// is not one (100 for the diameter, 0 for a grid value).
inline constexpr double DiameterDefault = 100;
inline constexpr double GridDefault = 0;

// A number as a field shows it: the operator's decimal separator, as many digits as it takes
// to read back as the same double, no grouping.
QString FieldText(double value);

// Everything the operator typed: what an edit changes and an undo gives back.
struct ProgramTexts {
    QString Diameter;
    std::vector<ProgramRowTexts> Rows;
};

// A field the program cannot use as typed. Row -1 is the diameter.
struct FieldMark {
    int Row = -1;
    int Column = 0;
    bool NotANumber = false; // else a value a program file would refuse
    QString Why;             // what is used and why, for the field's tooltip

    // "row 2, C" or "diameter".
    QString Place() const;
    // "C in row 2" or "Tube diameter".
    QString Name() const;
};

class TProgramModel : public QObject {
    Q_OBJECT

public:
    explicit TProgramModel(QObject* parent = nullptr);

    const QString& Diameter() const { return DiameterText; }
    const std::vector<ProgramRowTexts>& Rows() const { return RowTexts; }
    int RowCount() const { return static_cast<int>(RowTexts.size()); }

    void SetDiameter(const QString& text);
    void SetCell(int row, int column, const QString& text);
    // A row of zeros after `row`, keeping that row's radius (a shop bends on one die); false
    // at MaxBendSteps rows.
    bool InsertRowAfter(int row);
    // False when it is the only row.
    bool RemoveRow(int row);
    void Replace(const QString& diameter, std::vector<ProgramRowTexts> rows);
    // The program a file holds; its rows remember where they came from. Like Reset, it is the
    // clean state of a new history.
    void Load(const tubrix::ProgramRows& program);
    // Starts over with `texts` as the clean state: nothing to undo, nothing unsaved.
    void Reset(ProgramTexts texts);

    // Written to a file: each row is now the file's row of its place, and nothing is unsaved.
    void Saved();

    // Every change of the program, for Edit → Undo and Redo. Typing in one field is one step
    // however many keys it took; a row added or deleted and a paste are a step each.
    QUndoStack* History;
    // Changed since the program was last opened or saved (an undo back to it counts as not).
    bool Modified() const { return !History->isClean(); }

    // What "Make 3D" builds and a file holds: every text read leniently.
    tubrix::ProgramRows Values() const;

    // Every marked field, the diameter first, then row by row.
    std::vector<FieldMark> Marks() const;
    // Why a marked program cannot leave the window (saved or printed): the first marked field
    // named, and how many more; empty when no field is marked.
    QString MarkedRefusal() const;

    // The whole program as the program file's text with tabs, numbers in the operator's form:
    // what a spreadsheet takes as it is, and what a paste takes back.
    QString ClipboardText() const;

    // Pastes a spreadsheet's block at `row`, `column` (tab-separated lines, a point or the
    // operator's decimal comma), adding rows as needed; a whole program (what ClipboardText
    // gives) replaces the program. Returns empty on success, else why nothing changed.
    QString Paste(const QString& block, int row, int column);

signals:
    // Any text, row or the row count changed.
    void Changed();
    // A new program took the place of the last (a file opened, the program at start).
    void Loaded();

private:
    friend class TProgramEdit;
    // Records the step from the texts as they are to `after` and shows it; `mergeKey` not -1:
    // a following step with the same key joins this one (typing on in one field).
    void Record(ProgramTexts after, int mergeKey = -1);
    void Show(const ProgramTexts& texts);
    ProgramTexts Texts() const { return {DiameterText, RowTexts}; }

    QString DiameterText;
    std::vector<ProgramRowTexts> RowTexts;
};

// One cell pasted into a field: a number written with a point or a comma, in any locale, becomes
// the field's text in the operator's own form; "1,234" is refused as ambiguous; anything else
// is text the field takes as it is.
enum class PastedCell { Number, Ambiguous, Text };
PastedCell ReadPastedCell(const QString& cell, QString& fieldText);

// The name of column 0..3.
QString ColumnName(int column);
