#include "programfiles.h"

#include "frmmain.h"
#include "programfile.h"
#include "strtofloatdef.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QShortcut>
#include <QToolButton>

#include <array>

namespace {

constexpr double DiameterDefault = 100;
constexpr double GridDefault = 0;
const QString Filter = QStringLiteral("Bend programs (*.csv);;All files (*)");

using GridRow = std::array<QLineEdit*, 4>;

std::array<GridRow, InputRowCount> Grid(TFrmMain& w) {
    return {{{w.EditY1, w.EditB1, w.EditC1, w.EditR1},
             {w.EditY2, w.EditB2, w.EditC2, w.EditR2},
             {w.EditY3, w.EditB3, w.EditC3, w.EditR3},
             {w.EditY4, w.EditB4, w.EditC4, w.EditR4},
             {w.EditY5, w.EditB5, w.EditC5, w.EditR5}}};
}

// In the operator's decimal separator, with as many digits as it takes to read back as the
// same double, and no grouping, which the field would not read.
QString FieldText(double value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

QString DefaultAskPath(QWidget* parent, bool forSaving) {
    return forSaving ? QFileDialog::getSaveFileName(parent, QStringLiteral("Save bend program"),
                                                    QString(), Filter)
                     : QFileDialog::getOpenFileName(parent, QStringLiteral("Open bend program"),
                                                    QString(), Filter);
}

// The one local .csv file a drag carries, or nothing.
QString DroppedProgram(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QString path = data->urls().front().toLocalFile();
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path : QString();
}

// What a file could not hold, naming the field, or empty. The same rules as the reader's.
QString FieldFault(const ProgramRows& rows) {
    if (!(rows.Diameter > 0)) {
        return QStringLiteral("Tube diameter must be above 0");
    }
    for (int i = 0; i < InputRowCount; ++i) {
        const BendRowInput& row = rows.Rows[i];
        const QString at = QStringLiteral(" in row %1").arg(i + 1);
        if (!(row.Y >= 0)) {
            return QStringLiteral("Y") + at + QStringLiteral(" must not be negative");
        }
        if (!(row.C >= 0 && row.C <= 180)) {
            return QStringLiteral("C") + at + QStringLiteral(" must be from 0 to 180 degrees");
        }
        if (row.C > 0 && !(row.R > 0)) {
            return QStringLiteral("R") + at + QStringLiteral(" must be above 0 where C bends");
        }
    }
    return {};
}

} // namespace

TProgramFiles::PathQuestion TProgramFiles::AskPath = DefaultAskPath;

TProgramFiles::TProgramFiles(TFrmMain& window) : QObject(&window), Window(window) {
    auto* open = new QShortcut(QKeySequence::Open, &window);
    connect(open, &QShortcut::activated, this, [this] {
        const QString path = AskPath(&Window, false);
        if (!path.isEmpty()) {
            OpenProgram(path);
        }
    });
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &window);
    connect(save, &QShortcut::activated, this, [this] { SaveProgram(CurrentPath); });
    auto* saveAs = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &window);
    connect(saveAs, &QShortcut::activated, this, [this] { SaveProgram(QString()); });
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool TProgramFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Window && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!DroppedProgram(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (watched == &Window && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedProgram(drop->mimeData());
        if (!path.isEmpty()) {
            drop->acceptProposedAction();
            OpenProgram(path);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TProgramFiles::Message(const QString& text) {
    // Window-modal and not waiting: the operator reads it while the window stays as it was.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tubrix"), text,
                                QMessageBox::Ok, &Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TProgramFiles::OpenProgram(const QString& path) {
    const Loaded<ProgramRows> loaded = ReadProgramFile(path.toStdString());
    if (!loaded) {
        Message(QString::fromStdString(loaded.Error.ToString()));
        return false;
    }
    const ProgramRows& program = *loaded.Value;
    if (program.Rows.size() > static_cast<std::size_t>(InputRowCount)) {
        Message(QStringLiteral("%1 has %2 rows; the window shows %3. Nothing was changed: "
                               "tubrix-cli can draw, measure and export it.")
                    .arg(path)
                    .arg(program.Rows.size())
                    .arg(InputRowCount));
        return false;
    }
    Window.EditTubeDiameter->setText(FieldText(program.Diameter));
    const auto grid = Grid(Window);
    for (int i = 0; i < InputRowCount; ++i) {
        // Rows the file does not give are zeros, which add nothing to the tube.
        const BendRowInput row = i < static_cast<int>(program.Rows.size())
                                     ? program.Rows[static_cast<std::size_t>(i)]
                                     : BendRowInput{0, 0, 0, 0};
        const double values[4] = {row.Y, row.B, row.C, row.R};
        for (int column = 0; column < 4; ++column) {
            grid[i][column]->setText(FieldText(values[column]));
        }
    }
    CurrentPath = path;
    Window.SBtnMake3DClick();
    return true;
}

bool TProgramFiles::SaveProgram(const QString& given) {
    // What "Make 3D" would build from the fields; the tube ends with its last straight.
    ProgramRows rows;
    rows.Diameter = StrToFloatDef(Window.EditTubeDiameter->text(), DiameterDefault);
    for (const GridRow& fields : Grid(Window)) {
        rows.Rows.push_back({StrToFloatDef(fields[0]->text(), GridDefault),
                             StrToFloatDef(fields[1]->text(), GridDefault),
                             StrToFloatDef(fields[2]->text(), GridDefault),
                             StrToFloatDef(fields[3]->text(), GridDefault)});
    }
    rows.Rows.back().C = 0;
    const QString fault = FieldFault(rows);
    if (!fault.isEmpty()) {
        Message(fault + QStringLiteral(": nothing was saved."));
        return false;
    }
    const QString path = given.isEmpty() ? AskPath(&Window, true) : given;
    if (path.isEmpty()) {
        return false;
    }
    const std::string failure = WriteFileWhole(path.toStdString(), FormatProgramText(rows));
    if (!failure.empty()) {
        Message(QString::fromStdString(failure));
        return false;
    }
    CurrentPath = path;
    return true;
}
