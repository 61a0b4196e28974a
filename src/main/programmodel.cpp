#include "programmodel.h"

#include "windowlanguage.h"

#include "checkrow.h"
#include "strtofloatdef.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace tubrix;

namespace {

constexpr double NotRead = std::numeric_limits<double>::quiet_NaN();

// The text as "Make 3D" reads it, NaN when it is not a number.
double Parsed(const QString& text) {
    return StrToFloatDef(text, NotRead);
}

// A spreadsheet's cell: a decimal point or a decimal comma, whatever the operator's locale, as
// program files take them.
double PastedNumber(const QString& cell) {
    const double value = StrToFloatDef(cell, NotRead, u'.');
    return std::isnan(value) ? StrToFloatDef(cell, NotRead, u',') : value;
}

// "1,234" is one thousand two hundred and thirty-four in one spreadsheet and a little over one
// in another: a comma before exactly three digits and nothing else is not guessed at.
bool AmbiguousComma(const QString& cell) {
    static const QRegularExpression grouped(QStringLiteral("^\\s*[+-]?[1-9]\\d{0,2},\\d{3}\\s*$"));
    return grouped.match(cell).hasMatch();
}

QString Sentence(QString text) {
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

QString Unsaved() {
    return TProgramModel::tr(" Ctrl+S will not save it.");
}

// The field's column from 0, -1 for the diameter (which has its own field).
int ColumnOf(const Error& fault) {
    return static_cast<int>(fault.Field) - static_cast<int>(ProgramField::Y);
}

FieldMark RuleMark(int row, const Error& fault) {
    return {row, std::max(ColumnOf(fault), 0), false,
            Sentence(RuleText(fault.Message)) + TProgramModel::tr(". Make 3D uses it as typed.") +
                Unsaved()};
}

} // namespace

PastedCell ReadPastedCell(const QString& cell, QString& fieldText) {
    if (AmbiguousComma(cell)) {
        return PastedCell::Ambiguous;
    }
    const double value = PastedNumber(cell);
    if (std::isnan(value)) {
        return PastedCell::Text;
    }
    fieldText = FieldText(value);
    return PastedCell::Number;
}

QString FieldText(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

QString ColumnName(int column) {
    static const char* const names[GridColumns] = {"Y", "B", "C", "R"};
    return QString::fromLatin1(names[column]);
}

QString FieldMark::Place() const {
    return Row < 0 ? TProgramModel::tr("diameter")
                   : TProgramModel::tr("row %1, %2").arg(Row + 1).arg(ColumnName(Column));
}

QString FieldMark::Name() const {
    return Row < 0 ? TProgramModel::tr("Tube diameter")
                   : TProgramModel::tr("%1 in row %2").arg(ColumnName(Column)).arg(Row + 1);
}

// One step of the program's history: the texts before and after it. A program is at most a
// hundred rows of four short texts, shared until they change, so whole copies cost little and
// cannot get out of step with the program as finer-grained steps could.
class TProgramEdit : public QUndoCommand {
public:
    TProgramEdit(TProgramModel& model, ProgramTexts before, ProgramTexts after, int mergeKey)
        : Model(model), Before(std::move(before)), After(std::move(after)), Key(mergeKey) {}

    void undo() override { Model.Show(Before); }
    void redo() override { Model.Show(After); }
    int id() const override { return Key; }
    bool mergeWith(const QUndoCommand* other) override {
        After = static_cast<const TProgramEdit*>(other)->After;
        return true;
    }

    // The rows' file rows after a save: `moved` maps a file row as it was to what it is now.
    void Renumber(const std::vector<int>& moved) {
        for (ProgramTexts* texts : {&Before, &After}) {
            for (ProgramRowTexts& row : texts->Rows) {
                row.Origin = row.Origin >= 0 && row.Origin < static_cast<int>(moved.size())
                                 ? moved[static_cast<std::size_t>(row.Origin)]
                                 : -1;
            }
        }
    }

private:
    TProgramModel& Model;
    ProgramTexts Before;
    ProgramTexts After;
    int Key;
};

namespace {

// Typing in a field joins the step before it when that was typing in the same field.
constexpr int DiameterKey = 0;
int CellKey(int row, int column) {
    return 1 + row * GridColumns + column;
}

} // namespace

namespace {

// A step holds two copies of at most a hundred rows, some twenty kilobytes: a day of typing stays
// within a few tens of megabytes.
constexpr int HistorySteps = 1000;

} // namespace

TProgramModel::TProgramModel(QObject* parent) : QObject(parent), History(new QUndoStack(this)) {
    History->setUndoLimit(HistorySteps);
}

void TProgramModel::Show(const ProgramTexts& texts) {
    DiameterText = texts.Diameter;
    RowTexts = texts.Rows;
    emit Changed();
}

void TProgramModel::Record(ProgramTexts after, int mergeKey) {
    History->push(new TProgramEdit(*this, Texts(), std::move(after), mergeKey));
}

void TProgramModel::SetDiameter(const QString& text) {
    if (text != DiameterText) {
        ProgramTexts after = Texts();
        after.Diameter = text;
        Record(std::move(after), DiameterKey);
    }
}

void TProgramModel::SetCell(int row, int column, const QString& text) {
    const QString& cell = RowTexts.at(static_cast<std::size_t>(row)).Cells.at(column);
    if (text != cell) {
        ProgramTexts after = Texts();
        after.Rows[static_cast<std::size_t>(row)].Cells[static_cast<std::size_t>(column)] = text;
        Record(std::move(after), CellKey(row, column));
    }
}

bool TProgramModel::InsertRowAfter(int row) {
    if (RowCount() >= MaxBendSteps) {
        return false;
    }
    const QString zero = FieldText(0);
    ProgramRowTexts added{{zero, zero, zero, zero}, -1};
    if (row >= 0 && row < RowCount()) {
        added.Cells[3] = RowTexts[static_cast<std::size_t>(row)].Cells[3];
    }
    ProgramTexts after = Texts();
    const int at = std::clamp(row + 1, 0, RowCount());
    after.Rows.insert(after.Rows.begin() + at, added);
    Record(std::move(after));
    return true;
}

bool TProgramModel::RemoveRow(int row) {
    if (RowCount() <= 1 || row < 0 || row >= RowCount()) {
        return false;
    }
    ProgramTexts after = Texts();
    after.Rows.erase(after.Rows.begin() + row);
    Record(std::move(after));
    return true;
}

void TProgramModel::Replace(const QString& diameter, std::vector<ProgramRowTexts> rows) {
    Record({diameter, std::move(rows)});
}

void TProgramModel::Reset(ProgramTexts texts) {
    History->clear();
    Show(texts);
    emit Loaded();
}

namespace {

ProgramTexts TextsOf(const ProgramRows& program) {
    ProgramTexts texts{FieldText(program.Diameter), {}};
    for (const BendRowInput& row : program.Rows) {
        texts.Rows.push_back(
            {{FieldText(row.Y), FieldText(row.B), FieldText(row.C), FieldText(row.R)},
             static_cast<int>(texts.Rows.size())});
    }
    return texts;
}

} // namespace

void TProgramModel::Load(const ProgramRows& program) {
    Reset(TextsOf(program));
}

void TProgramModel::Saved() {
    // The file rows as they were become the rows' places now, in every step of the history
    // too, so that a save after an undo still keeps the lines of the file.
    int highest = -1;
    for (const ProgramRowTexts& row : RowTexts) {
        highest = std::max(highest, row.Origin);
    }
    std::vector<int> moved(static_cast<std::size_t>(highest + 1), -1);
    for (std::size_t i = 0; i < RowTexts.size(); ++i) {
        if (RowTexts[i].Origin >= 0) {
            moved[static_cast<std::size_t>(RowTexts[i].Origin)] = static_cast<int>(i);
        }
        RowTexts[i].Origin = static_cast<int>(i);
    }
    for (int i = 0; i < History->count(); ++i) {
        // Every step on the stack is one of ours.
        const_cast<TProgramEdit*>(static_cast<const TProgramEdit*>(History->command(i)))
            ->Renumber(moved);
    }
    History->setClean();
}

ProgramRows TProgramModel::Values() const {
    ProgramRows program;
    program.Diameter = StrToFloatDef(DiameterText, DiameterDefault);
    program.Rows.reserve(RowTexts.size());
    for (const ProgramRowTexts& row : RowTexts) {
        program.Rows.push_back(
            {StrToFloatDef(row.Cells[0], GridDefault), StrToFloatDef(row.Cells[1], GridDefault),
             StrToFloatDef(row.Cells[2], GridDefault), StrToFloatDef(row.Cells[3], GridDefault)});
    }
    return program;
}

std::vector<FieldMark> TProgramModel::Marks() const {
    std::vector<FieldMark> marks;
    const double diameter = Parsed(DiameterText);
    if (std::isnan(diameter)) {
        marks.push_back(
            {-1, 0, true, TProgramModel::tr("Not a number: Make 3D uses 100.") + Unsaved()});
    } else if (const Result<void> checked = CheckDiameter(diameter); !checked) {
        marks.push_back(RuleMark(-1, checked.Failure()));
    }
    for (int r = 0; r < RowCount(); ++r) {
        const ProgramRowTexts& texts = RowTexts[static_cast<std::size_t>(r)];
        bool unread[GridColumns] = {};
        double values[GridColumns];
        for (int c = 0; c < GridColumns; ++c) {
            values[c] = Parsed(texts.Cells[c]);
            unread[c] = std::isnan(values[c]);
            if (unread[c]) {
                values[c] = GridDefault;
                marks.push_back(
                    {r, c, true, TProgramModel::tr("Not a number: Make 3D uses 0.") + Unsaved()});
            }
        }
        const BendRowInput row{values[0], values[1], values[2], values[3]};
        Result<void> checked = CheckRow(row);
        if (checked && r + 1 == RowCount()) {
            checked = CheckLastRow(row);
        }
        if (!checked && !unread[ColumnOf(checked.Failure())]) {
            marks.push_back(RuleMark(r, checked.Failure()));
        }
    }
    return marks;
}

QString TProgramModel::MarkedRefusal() const {
    const std::vector<FieldMark> marks = Marks();
    if (marks.empty()) {
        return {};
    }
    const QString more = marks.size() > 1
                             ? TProgramModel::tr(" (and %1 more marked)").arg(marks.size() - 1)
                             : QString();
    return marks.front().Name() + QStringLiteral(": ") + marks.front().Why + more;
}

QString TProgramModel::ClipboardText() const {
    const ProgramRows program = Values();
    QString text = QStringLiteral("diameter\t") + FieldText(program.Diameter) +
                   QStringLiteral("\nY\tB\tC\tR\n");
    for (const BendRowInput& row : program.Rows) {
        text += FieldText(row.Y) + u'\t' + FieldText(row.B) + u'\t' + FieldText(row.C) + u'\t' +
                FieldText(row.R) + u'\n';
    }
    return text;
}

QString TProgramModel::Paste(const QString& block, int row, int column) {
    if (static_cast<std::size_t>(block.size()) > MaxTubeFileBytes) {
        return TProgramModel::tr(
                   "The clipboard holds more than %1 characters; nothing was changed.")
            .arg(MaxTubeFileBytes);
    }
    QString text = block;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // a final line end adds no line
    }
    const QString unchanged = TProgramModel::tr("; nothing was changed.");
    if (lines.isEmpty()) {
        return TProgramModel::tr("The clipboard holds no numbers") + unchanged;
    }
    if (lines.front().trimmed().startsWith(QStringLiteral("diameter"), Qt::CaseInsensitive)) {
        const Result<ProgramRows> program = ParseProgramText(block.toStdString(), "clipboard");
        if (!program) {
            return TProgramModel::tr("%1",
                                     "a pasted program that cannot be read: the reader's own words")
                       .arg(QString::fromStdString(program.Failure().ToString())) +
                   unchanged;
        }
        ProgramTexts after = TextsOf(*program);
        // Row for row where the rows were, so a file saved again keeps its lines.
        for (std::size_t i = 0; i < after.Rows.size(); ++i) {
            after.Rows[i].Origin = i < RowTexts.size() ? RowTexts[i].Origin : -1;
        }
        Record(std::move(after));
        return {};
    }
    std::vector<std::vector<double>> values;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(u'\t');
        const QString line = TProgramModel::tr("Line %1").arg(i + 1);
        if (row + i >= MaxBendSteps) {
            return line +
                   TProgramModel::tr(" would be row %1; a program holds at most %2 rows")
                       .arg(row + i + 1)
                       .arg(MaxBendSteps) +
                   unchanged;
        }
        if (column + cells.size() > GridColumns) {
            return line +
                   TProgramModel::tr(", cell %1 runs past the R column")
                       .arg(GridColumns - column + 1) +
                   unchanged;
        }
        values.emplace_back();
        for (int k = 0; k < cells.size(); ++k) {
            if (AmbiguousComma(cells[k])) {
                return line +
                       TProgramModel::tr(
                           ", cell %1: \"%2\" could be a thousands separator or a "
                           "decimal comma; write it with a point or without the comma")
                           .arg(k + 1)
                           .arg(cells[k].trimmed()) +
                       unchanged;
            }
            const double value = PastedNumber(cells[k]);
            if (std::isnan(value)) {
                return line +
                       TProgramModel::tr(", cell %1: \"%2\" is not a number")
                           .arg(k + 1)
                           .arg(cells[k].left(24)) +
                       unchanged;
            }
            values.back().push_back(value);
        }
    }
    const QString zero = FieldText(0);
    ProgramTexts after = Texts();
    while (static_cast<int>(after.Rows.size()) < row + static_cast<int>(values.size())) {
        after.Rows.push_back({{zero, zero, zero, zero}, -1});
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t k = 0; k < values[i].size(); ++k) {
            after.Rows[static_cast<std::size_t>(row) + i]
                .Cells[static_cast<std::size_t>(column) + k] = FieldText(values[i][k]);
        }
    }
    Record(std::move(after));
    return {};
}
