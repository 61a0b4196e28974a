#include "programmodel.h"

#include "checkrow.h"
#include "strtofloatdef.h"

#include <QLocale>
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

QChar LocaleDecimal() {
    const QString mark = QLocale().decimalPoint();
    return mark.isEmpty() ? QChar(u'.') : mark.front();
}

// A spreadsheet's cell: a decimal point always, the operator's decimal comma too.
double PastedNumber(const QString& cell) {
    const double value = StrToFloatDef(cell, NotRead, u'.');
    return std::isnan(value) && LocaleDecimal() == u',' ? StrToFloatDef(cell, NotRead, u',')
                                                        : value;
}

QString Sentence(const std::string& message) {
    QString text = QString::fromStdString(message);
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

const QString Unsaved = QStringLiteral(" Ctrl+S will not save it.");

// The field's column from 0, -1 for the diameter (which has its own field).
int ColumnOf(const Error& fault) {
    return static_cast<int>(fault.Field) - static_cast<int>(ProgramField::Y);
}

FieldMark RuleMark(int row, const Error& fault) {
    return {row, std::max(ColumnOf(fault), 0), false,
            Sentence(fault.Message) + QStringLiteral(". Make 3D uses it as typed.") + Unsaved};
}

} // namespace

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
    return Row < 0 ? QStringLiteral("diameter")
                   : QStringLiteral("row %1, %2").arg(Row + 1).arg(ColumnName(Column));
}

QString FieldMark::Name() const {
    return Row < 0 ? QStringLiteral("Tube diameter")
                   : QStringLiteral("%1 in row %2").arg(ColumnName(Column)).arg(Row + 1);
}

TProgramModel::TProgramModel(QObject* parent) : QObject(parent) {}

void TProgramModel::Touch() {
    Modified = true;
    emit Changed();
}

void TProgramModel::SetDiameter(const QString& text) {
    if (text != DiameterText) {
        DiameterText = text;
        Touch();
    }
}

void TProgramModel::SetCell(int row, int column, const QString& text) {
    QString& cell = RowTexts.at(static_cast<std::size_t>(row)).Cells.at(column);
    if (text != cell) {
        cell = text;
        Touch();
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
    const int at = std::clamp(row + 1, 0, RowCount());
    RowTexts.insert(RowTexts.begin() + at, added);
    Touch();
    return true;
}

bool TProgramModel::RemoveRow(int row) {
    if (RowCount() <= 1 || row < 0 || row >= RowCount()) {
        return false;
    }
    RowTexts.erase(RowTexts.begin() + row);
    Touch();
    return true;
}

void TProgramModel::Replace(const QString& diameter, std::vector<ProgramRowTexts> rows) {
    DiameterText = diameter;
    RowTexts = std::move(rows);
    Touch();
}

void TProgramModel::Load(const ProgramRows& program) {
    std::vector<ProgramRowTexts> rows;
    for (const BendRowInput& row : program.Rows) {
        rows.push_back({{FieldText(row.Y), FieldText(row.B), FieldText(row.C), FieldText(row.R)},
                        static_cast<int>(rows.size())});
    }
    Replace(FieldText(program.Diameter), std::move(rows));
    Modified = false;
}

void TProgramModel::Saved() {
    for (std::size_t i = 0; i < RowTexts.size(); ++i) {
        RowTexts[i].Origin = static_cast<int>(i);
    }
    Modified = false;
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
        marks.push_back({-1, 0, true, QStringLiteral("Not a number: Make 3D uses 100.") + Unsaved});
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
                    {r, c, true, QStringLiteral("Not a number: Make 3D uses 0.") + Unsaved});
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
                             ? QStringLiteral(" (and %1 more marked)").arg(marks.size() - 1)
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
        return QStringLiteral("The clipboard holds more than %1 characters; nothing was changed.")
            .arg(MaxTubeFileBytes);
    }
    QString text = block;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // a final line end adds no line
    }
    const QString unchanged = QStringLiteral("; nothing was changed.");
    if (lines.isEmpty()) {
        return QStringLiteral("The clipboard holds no numbers") + unchanged;
    }
    if (lines.front().trimmed().startsWith(QStringLiteral("diameter"), Qt::CaseInsensitive)) {
        const Result<ProgramRows> program = ParseProgramText(block.toStdString(), "clipboard");
        if (!program) {
            return QString::fromStdString(program.Failure().ToString()) + unchanged;
        }
        const std::vector<ProgramRowTexts> before = RowTexts;
        Load(*program);
        // Row for row where the rows were, so a file saved again keeps its lines.
        for (std::size_t i = 0; i < RowTexts.size(); ++i) {
            RowTexts[i].Origin = i < before.size() ? before[i].Origin : -1;
        }
        Touch();
        return {};
    }
    std::vector<std::vector<double>> values;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(u'\t');
        const QString line = QStringLiteral("Line %1").arg(i + 1);
        if (row + i >= MaxBendSteps) {
            return line +
                   QStringLiteral(" would be row %1; a program holds at most %2 rows")
                       .arg(row + i + 1)
                       .arg(MaxBendSteps) +
                   unchanged;
        }
        if (column + cells.size() > GridColumns) {
            return line +
                   QStringLiteral(", cell %1 runs past the R column")
                       .arg(GridColumns - column + 1) +
                   unchanged;
        }
        values.emplace_back();
        for (int k = 0; k < cells.size(); ++k) {
            const double value = PastedNumber(cells[k]);
            if (std::isnan(value)) {
                return line +
                       QStringLiteral(", cell %1: \"%2\" is not a number")
                           .arg(k + 1)
                           .arg(cells[k].left(24)) +
                       unchanged;
            }
            values.back().push_back(value);
        }
    }
    const QString zero = FieldText(0);
    while (RowCount() < row + static_cast<int>(values.size())) {
        RowTexts.push_back({{zero, zero, zero, zero}, -1});
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t k = 0; k < values[i].size(); ++k) {
            RowTexts[static_cast<std::size_t>(row) + i]
                .Cells[static_cast<std::size_t>(column) + k] = FieldText(values[i][k]);
        }
    }
    Touch();
    return {};
}
