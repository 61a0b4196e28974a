#include "programgrid.h"

#include "numberfield.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using namespace tubrix;

namespace {

// Past this size a length is no tube a shop cuts, and its digits would not fit the column.
constexpr double ShownLengthLimit = 1e9;
const QColor MarkColour(255, 110, 110);
// The row the step view is at: a pale blue that a red mark still stands out from.
const QColor StepRowColour(205, 225, 255);

// "Developed length 432.74": two decimals with the operator's decimal separator and no grouping,
// as the fields are typed.
QString DevelopedLengthText(double length) {
    if (!std::isfinite(length) || std::fabs(length) >= ShownLengthLimit) {
        return TProgramGrid::tr("Developed length out of range");
    }
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return TProgramGrid::tr("Developed length ") + locale.toString(length, 'f', 2);
}

QString FieldCount(int count) {
    return count == 1 ? TProgramGrid::tr("1 field") : TProgramGrid::tr("%1 fields").arg(count);
}

// "2 fields not a number (row 2, C; row 3, Y)": the first two places, then an ellipsis.
QString MarkCount(const std::vector<FieldMark>& marks, bool notANumber, const QString& what) {
    QStringList places;
    int count = 0;
    for (const FieldMark& mark : marks) {
        if (mark.NotANumber == notANumber && count++ < 2) {
            places << mark.Place();
        }
    }
    if (count == 0) {
        return {};
    }
    return FieldCount(count) + what + QStringLiteral(" (") + places.join(QStringLiteral("; ")) +
           (count > 2 ? QStringLiteral("; …)") : QStringLiteral(")"));
}

// "Developed length 432.74 — 1 field not a number (row 2, C)", in two lines at most: the kinds
// of mark with their first places, else the count and the first places, else the count. The
// label's tooltip has the whole list.
QString LabelText(const QLabel& label, const QString& length, const std::vector<FieldMark>& marks) {
    QStringList kinds{MarkCount(marks, true, TProgramGrid::tr(" not a number")),
                      MarkCount(marks, false, TProgramGrid::tr(" out of limits"))};
    kinds.removeAll(QString());
    if (kinds.isEmpty()) {
        return length;
    }
    QStringList places;
    for (std::size_t i = 0; i < std::min<std::size_t>(marks.size(), 2); ++i) {
        places << marks[i].Place();
    }
    const QString marked = FieldCount(static_cast<int>(marks.size())) + TProgramGrid::tr(" marked");
    const QString dash = QStringLiteral(" — ");
    const QString choices[] = {
        length + dash + kinds.join(QStringLiteral(", ")),
        length + dash + marked + QStringLiteral(" (") + places.join(QStringLiteral("; ")) +
            (marks.size() > 2 ? QStringLiteral("; …)") : QStringLiteral(")")),
        length + dash + marked};
    const QFontMetrics metrics(label.font());
    const QRect room = label.contentsRect();
    for (const QString& choice : choices) {
        if (metrics.boundingRect(room, Qt::TextWordWrap | Qt::AlignCenter, choice).height() <=
            room.height()) {
            return choice;
        }
    }
    return choices[2];
}

// A block rather than one cell's text: several cells or lines (a final line end not counted).
bool IsBlock(QString text) {
    if (text.endsWith(u'\n')) {
        text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
    }
    return text.contains(u'\t') || text.contains(u'\n');
}

QToolButton* MakeStripButton(QWidget* parent, const QString& text, const QString& tip,
                             const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setGeometry(geometry);
    // As "Make 3D": the focus stays in the field whose row it acts on.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TProgramGrid::TProgramGrid(QWidget& window, const GridControls& controls, TProgramModel& model)
    : QObject(&window), Window(window), DiameterField(controls.Diameter),
      LengthLabel(controls.DevelopedLength), Model(model),
      Fields(controls.Fields.begin(), controls.Fields.end()) {
    // An empty program starts as the fields' initial texts: the clean state, nothing to undo.
    if (model.RowCount() == 0) {
        ProgramTexts initial{DiameterField->text(), std::vector<ProgramRowTexts>(FirstRows)};
        for (int r = 0; r < FirstRows; ++r) {
            for (int c = 0; c < GridColumns; ++c) {
                initial.Rows[r].Cells[c] = Fields[r][c]->text();
            }
        }
        model.Reset(std::move(initial));
    }
    FieldPalette = Fields[0][0]->palette();
    LabelPalette = LengthLabel->palette();
    for (int r = 0; r < FirstRows; ++r) {
        auto* number = new QLabel(&Window);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->hide();
        Numbers.push_back(number);
    }
    CreateStrip();
    WatchFields();
    window.installEventFilter(this);
    connect(&model, &TProgramModel::Changed, this, &TProgramGrid::Refresh);
    // A program opened is read from the start of every field, the one with the focus too.
    connect(&model, &TProgramModel::Loaded, this, [this] {
        DiameterField->setCursorPosition(0);
        for (const FieldRow& row : Fields) {
            for (QLineEdit* field : row) {
                field->setCursorPosition(0);
            }
        }
    });
    Refresh();
}

void TProgramGrid::CreateStrip() {
    // The row strip, between the field rows and the developed length, left of "Make 3D".
    LblRows = new QLabel(&Window);
    LblRows->setObjectName(QStringLiteral("LblRows"));
    LblRows->setGeometry(800, 216, 140, 15);
    BtnAddRow =
        MakeStripButton(&Window, tr("Add row"), tr("Add a row after the current one (Ctrl+Enter)"),
                        QRect(800, 232, 68, 17));
    BtnAddRow->setObjectName(QStringLiteral("BtnAddRow"));
    BtnDeleteRow =
        MakeStripButton(&Window, tr("Delete row"), tr("Delete the current row (Ctrl+Delete)"),
                        QRect(872, 232, 68, 17));
    BtnDeleteRow->setObjectName(QStringLiteral("BtnDeleteRow"));
    connect(BtnAddRow, &QToolButton::clicked, this, &TProgramGrid::AddRow);
    connect(BtnDeleteRow, &QToolButton::clicked, this, &TProgramGrid::DeleteRow);
    // The same keys as in a field when the focus is elsewhere: they act on the last row focused.
    ActAddRow = new QAction(tr("&Add row"), this);
    ActAddRow->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(ActAddRow, &QAction::triggered, this, &TProgramGrid::AddRow);
    ActDeleteRow = new QAction(tr("&Delete row"), this);
    ActDeleteRow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(ActDeleteRow, &QAction::triggered, this, &TProgramGrid::DeleteRow);
    // Copy and paste of the whole program are the fields' own keys; the menu names them.
    ActCopyProgram = new QAction(tr("&Copy whole program"), this);
    connect(ActCopyProgram, &QAction::triggered, this, &TProgramGrid::CopyProgram);
    ActPasteBlock = new QAction(tr("&Paste block"), this);
    connect(ActPasteBlock, &QAction::triggered, this,
            [this] { PasteBlock(QApplication::clipboard()->text()); });
    Window.addActions({ActAddRow, ActDeleteRow});

    // In the seven pixels right of the R column: only a program of more than five rows has it.
    ScrollRows = new QScrollBar(Qt::Vertical, &Window);
    ScrollRows->setObjectName(QStringLiteral("ScrollRows"));
    ScrollRows->setGeometry(1018, 72, 6, 133);
    ScrollRows->setPageStep(FirstRows);
    ScrollRows->setFocusPolicy(Qt::NoFocus);
    connect(ScrollRows, &QScrollBar::valueChanged, this, &TProgramGrid::ScrollTo);
}

void TProgramGrid::WatchFields() {
    for (int r = 0; r < VisibleRows(); ++r) {
        WatchRow(r);
    }
    connect(DiameterField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!Filling) {
            Model.SetDiameter(text);
        }
    });
    Watch(DiameterField);
}

void TProgramGrid::WatchRow(int visibleRow) {
    for (int c = 0; c < GridColumns; ++c) {
        QLineEdit* field = Fields[static_cast<std::size_t>(visibleRow)][c];
        connect(field, &QLineEdit::textChanged, this,
                [this, visibleRow, c](const QString& text) { FieldEdited(visibleRow, c, text); });
        Watch(field);
    }
}

void TProgramGrid::Watch(QLineEdit* field) {
    field->installEventFilter(this);
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QLineEdit::customContextMenuRequested, this,
            [this, field](const QPoint& at) { ShowMenu(field, at); });
    connect(field, &QLineEdit::returnPressed, this, &TProgramGrid::Make3D);
}

void TProgramGrid::SetVisibleRows(int count, bool numbers) {
    count = std::clamp(count, FirstRows, MaxBendSteps);
    NumbersShown = numbers;
    while (VisibleRows() < count) {
        const int r = VisibleRows();
        if (!SpareFields.empty()) {
            Fields.push_back(SpareFields.back());
            SpareFields.pop_back();
            Numbers.push_back(SpareNumbers.back());
            SpareNumbers.pop_back();
            continue;
        }
        // Made as the window made the first rows: the same face, margins and palette.
        FieldRow row{};
        for (int c = 0; c < GridColumns; ++c) {
            auto* field = new TNumberField(QString(), &Window);
            field->setObjectName(QStringLiteral("Edit%1%2").arg(ColumnName(c)).arg(r + 1));
            field->setFont(Fields[0][c]->font());
            field->setTextMargins(Fields[0][c]->textMargins());
            row[c] = field;
        }
        Fields.push_back(row);
        auto* number = new QLabel(&Window);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Numbers.push_back(number);
        WatchRow(r);
    }
    while (VisibleRows() > count) {
        for (QLineEdit* field : Fields.back()) {
            if (field->hasFocus()) {
                DiameterField->setFocus(Qt::OtherFocusReason);
            }
            field->hide();
        }
        Numbers.back()->hide();
        SpareFields.push_back(Fields.back());
        SpareNumbers.push_back(Numbers.back());
        Fields.pop_back();
        Numbers.pop_back();
    }
    for (int r = 0; r < VisibleRows(); ++r) {
        for (QLineEdit* field : Fields[static_cast<std::size_t>(r)]) {
            field->show();
        }
        Numbers[static_cast<std::size_t>(r)]->setVisible(numbers);
    }
    ScrollRows->setPageStep(count);
    Refresh();
}

void TProgramGrid::MarkStepRow(int row) {
    StepRow = row;
    if (row >= 0 && (row < TopRow || row >= TopRow + VisibleRows())) {
        ScrollTo(row - VisibleRows() / 2);
    }
    ShowMarks(Model.Marks());
}

void TProgramGrid::FieldEdited(int visibleRow, int column, const QString& text) {
    const int row = TopRow + visibleRow;
    if (!Filling && row < Model.RowCount()) {
        Model.SetCell(row, column, text);
    }
}

void TProgramGrid::ScrollTo(int top) {
    const int clamped = std::clamp(top, 0, std::max(0, Model.RowCount() - VisibleRows()));
    if (clamped != TopRow) {
        TopRow = clamped;
        Refresh();
    }
}

void TProgramGrid::Refresh() {
    const int count = Model.RowCount();
    TopRow = std::clamp(TopRow, 0, std::max(0, count - VisibleRows()));
    Filling = true;
    for (int r = 0; r < VisibleRows(); ++r) {
        Numbers[static_cast<std::size_t>(r)]->setText(
            TopRow + r < count ? QString::number(TopRow + r + 1) : QString());
        const int row = TopRow + r;
        for (int c = 0; c < GridColumns; ++c) {
            QLineEdit* field = Fields[r][c];
            // Only a text that differs is set, so the cursor of the field being typed in stays.
            const QString text = row < count ? Model.Rows()[row].Cells[c] : QString();
            if (field->text() != text) {
                field->setText(text);
            }
            field->setEnabled(row < count);
        }
    }
    if (DiameterField->text() != Model.Diameter()) {
        DiameterField->setText(Model.Diameter());
    }
    Filling = false;
    ShowMarks(Model.Marks());

    const int shownLast = std::min(count, TopRow + VisibleRows());
    LblRows->setText(tr("Rows %1–%2 of %3").arg(TopRow + 1).arg(shownLast).arg(count));
    BtnAddRow->setEnabled(count < MaxBendSteps);
    BtnDeleteRow->setEnabled(count > 1);
    ScrollRows->setRange(0, std::max(0, count - VisibleRows()));
    ScrollRows->setValue(TopRow);
    ScrollRows->setVisible(count > VisibleRows());
    ShowLabel();
}

void TProgramGrid::ShowMarks(const std::vector<FieldMark>& marks) {
    std::vector<std::array<const FieldMark*, GridColumns>> shown(Fields.size());
    const FieldMark* diameter = nullptr;
    for (const FieldMark& mark : marks) {
        if (mark.Row < 0) {
            diameter = &mark;
        } else if (mark.Row >= TopRow && mark.Row < TopRow + VisibleRows()) {
            shown[mark.Row - TopRow][mark.Column] = &mark;
        }
    }
    // Every field in use names its row, so the pointer tells which row a field shows.
    const auto show = [&](QLineEdit* field, const FieldMark* mark, const QString& place,
                          bool stepRow) {
        QPalette palette = FieldPalette;
        if (mark) {
            palette.setColor(QPalette::Base, MarkColour);
        } else if (stepRow) {
            palette.setColor(QPalette::Base, StepRowColour);
        }
        field->setPalette(palette);
        field->setToolTip(WrappedTip(mark ? place + QStringLiteral(": ") + mark->Why : place));
    };
    for (int r = 0; r < VisibleRows(); ++r) {
        const bool stepRow = TopRow + r == StepRow;
        for (int c = 0; c < GridColumns; ++c) {
            const FieldMark inUse{TopRow + r, c, false, {}};
            show(Fields[r][c], shown[r][c],
                 TopRow + r < Model.RowCount() ? inUse.Name() : QString(), stepRow);
        }
        QFont font = Numbers[static_cast<std::size_t>(r)]->font();
        font.setBold(stepRow);
        Numbers[static_cast<std::size_t>(r)]->setFont(font);
    }
    show(DiameterField, diameter, tr("Tube diameter"), false);
}

bool TProgramGrid::Stale() const {
    if (Model.Diameter() != BuiltDiameter || Model.Rows().size() != BuiltRows.size()) {
        return true;
    }
    for (std::size_t i = 0; i < BuiltRows.size(); ++i) {
        if (Model.Rows()[i].Cells != BuiltRows[i].Cells) {
            return true;
        }
    }
    return false;
}

void TProgramGrid::Built(double developedLength) {
    HasBuilt = true;
    BuiltDiameter = Model.Diameter();
    BuiltRows = Model.Rows();
    const std::vector<FieldMark> marks = Model.Marks();
    BuiltText = LabelText(*LengthLabel, DevelopedLengthText(developedLength), marks);
    BuiltTip.clear();
    for (const FieldMark& mark : marks) {
        BuiltTip += mark.Name() + QStringLiteral(": ") + mark.Why + u'\n';
    }
    BuiltTip.chop(1);
    ShowLabel();
}

void TProgramGrid::ShowLabel() {
    QLabel* label = LengthLabel;
    if (!HasBuilt) {
        return;
    }
    const bool stale = Stale();
    QPalette palette = LabelPalette;
    if (stale) {
        palette.setColor(QPalette::WindowText,
                         palette.color(QPalette::Disabled, QPalette::WindowText));
    }
    label->setPalette(palette);
    const QString length = BuiltText.section(QStringLiteral(" — "), 0, 0);
    label->setText(stale ? length + tr("\nchanged — press Make 3D") : BuiltText);
    label->setToolTip(stale ? QString() : WrappedTip(BuiltTip));
}

int TProgramGrid::CurrentRow() const {
    int visibleRow = 0, column = 0;
    if (FieldAt(QApplication::focusWidget(), visibleRow, column)) {
        return std::min(TopRow + visibleRow, Model.RowCount() - 1);
    }
    return std::clamp(LastRow, 0, Model.RowCount() - 1);
}

bool TProgramGrid::FieldAt(const QObject* field, int& visibleRow, int& column) const {
    for (int r = 0; r < VisibleRows(); ++r) {
        for (int c = 0; c < GridColumns; ++c) {
            if (Fields[r][c] == field) {
                visibleRow = r;
                column = c;
                return true;
            }
        }
    }
    return false;
}

void TProgramGrid::FocusField(int row, int column) {
    row = std::clamp(row, 0, Model.RowCount() - 1);
    if (row < TopRow) {
        ScrollTo(row);
    } else if (row >= TopRow + VisibleRows()) {
        ScrollTo(row - VisibleRows() + 1);
    }
    Fields[row - TopRow][column]->setFocus(Qt::OtherFocusReason);
    LastRow = row;
    LastColumn = column;
}

void TProgramGrid::AddRow() {
    const int row = CurrentRow();
    if (Model.InsertRowAfter(row)) {
        FocusField(row + 1, 0);
    }
}

void TProgramGrid::DeleteRow() {
    const int row = CurrentRow();
    int visibleRow = 0, column = LastColumn;
    FieldAt(QApplication::focusWidget(), visibleRow, column);
    if (Model.RemoveRow(row)) {
        FocusField(row, column);
    }
}

void TProgramGrid::CopyProgram() {
    QApplication::clipboard()->setText(Model.ClipboardText());
}

bool TProgramGrid::PasteBlock(const QString& block) {
    int visibleRow = 0, column = 0;
    const bool inGrid = FieldAt(QApplication::focusWidget(), visibleRow, column);
    const bool wholeProgram =
        block.trimmed().startsWith(QStringLiteral("diameter"), Qt::CaseInsensitive);
    if (!inGrid && !wholeProgram) {
        Message(tr("Paste a block into a Y, B, C or R field: it goes from there down "
                   "and rightwards."));
        return false;
    }
    const int row = inGrid ? TopRow + visibleRow : 0;
    const QString refused = Model.Paste(block, row, column);
    if (!refused.isEmpty()) {
        Message(tr("Not pasted: ") + refused);
        return false;
    }
    if (inGrid) {
        FocusField(wholeProgram ? 0 : row, column);
    }
    return true;
}

void TProgramGrid::Message(const QString& text) {
    // Window-modal and not waiting, as the file messages are.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tubrix"), text,
                                QMessageBox::Ok, &Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TProgramGrid::ShowMenu(QLineEdit* field, const QPoint& at) {
    int visibleRow = 0, column = 0;
    if (FieldAt(field, visibleRow, column)) {
        LastRow = TopRow + visibleRow;
        LastColumn = column;
    }
    const int row = CurrentRow() + 1;
    QMenu* menu = field->createStandardContextMenu();
    menu->addSeparator();
    QAction* add =
        menu->addAction(tr("Add row after row %1").arg(row), this, &TProgramGrid::AddRow);
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    add->setEnabled(Model.RowCount() < MaxBendSteps);
    QAction* remove = menu->addAction(tr("Delete row %1").arg(row), this, &TProgramGrid::DeleteRow);
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    remove->setEnabled(Model.RowCount() > 1);
    menu->addSeparator();
    menu->addAction(tr("Copy whole program"), this, &TProgramGrid::CopyProgram)
        ->setShortcut(QKeySequence::Copy);
    menu->addAction(tr("Paste block"), this,
                    [this] { PasteBlock(QApplication::clipboard()->text()); })
        ->setShortcut(QKeySequence::Paste);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(field->mapToGlobal(at));
}

bool TProgramGrid::FieldKey(QLineEdit* field, int visibleRow, int column, int key) {
    const int row = TopRow + visibleRow;
    int target = row;
    switch (key) {
    case Qt::Key_Up:
        target = row - 1;
        break;
    case Qt::Key_Down:
        target = row + 1;
        break;
    case Qt::Key_PageUp:
        target = row - VisibleRows();
        break;
    case Qt::Key_PageDown:
        target = row + VisibleRows();
        break;
    default:
        return false;
    }
    target = std::clamp(target, 0, Model.RowCount() - 1);
    if (target != row || !field->hasFocus()) {
        FocusField(target, column);
    }
    return true;
}

bool TProgramGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Window) {
        if (event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            // The field rows and the gap right of the R column, where the scroll bar is.
            QRect area =
                Fields.front().front()->geometry().united(Fields.back().back()->geometry());
            area.setRight(std::max(area.right(), ScrollRows->geometry().right() + 1));
            if (area.contains(wheel->position().toPoint())) {
                // One row a notch, as a list scrolls; a fine wheel adds up to whole rows.
                WheelRemainder += wheel->angleDelta().y();
                const int rows = WheelRemainder / 120;
                WheelRemainder -= rows * 120;
                ScrollTo(TopRow - rows);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && event->type() == QEvent::ShortcutOverride) {
        // Undo and redo are the program's, wherever the focus is: the field lets the window's
        // Edit menu have the keys instead of undoing its own text.
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeyCombination keys = key->keyCombination();
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            keys == (Qt::CTRL | Qt::Key_Z) || keys == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z)) {
            event->ignore();
            return true;
        }
    }
    int visibleRow = -1, column = 0;
    const bool inGrid = FieldAt(watched, visibleRow, column);
    if (field && inGrid && event->type() == QEvent::FocusIn) {
        LastRow = TopRow + visibleRow;
        LastColumn = column;
    }
    if (!field || event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        AddRow();
        return true;
    }
    if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_Delete) {
        DeleteRow();
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        const QString text = QApplication::clipboard()->text();
        if (IsBlock(text)) {
            PasteBlock(text);
            return true;
        }
        QString number;
        switch (ReadPastedCell(text.trimmed(), number)) {
        case PastedCell::Number:
            // In the operator's own decimal mark, whichever the cell was written with.
            field->insert(number);
            return true;
        case PastedCell::Ambiguous:
            Message(tr("Not pasted: \"%1\" could be a thousands separator or a "
                       "decimal comma; write it with a point or without the comma.")
                        .arg(text.trimmed()));
            return true;
        case PastedCell::Text:
            break;
        }
        if (text.endsWith(u'\n')) {
            // One cell from a spreadsheet, which ends it with a line end the field would keep.
            field->insert(text.trimmed());
            return true;
        }
        return false; // a text: the field pastes it
    }
    if (key->matches(QKeySequence::Copy) && !field->hasSelectedText()) {
        CopyProgram();
        return true;
    }
    if (inGrid && modifiers == Qt::NoModifier) {
        return FieldKey(field, visibleRow, column, key->key());
    }
    return QObject::eventFilter(watched, event);
}
