#include "programfiles.h"

#include "clilocation.h"
#include "filenames.h"
#include "programmodel.h"
#include "session.h"
#include "ybc.h"

#include <QAction>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QToolButton>

#include <algorithm>

using namespace tubrix;

namespace {

// The file dialogs' filters, in the operator's language: made when asked, after start-up has
// loaded it.
QString Filter() {
    return TProgramFiles::tr("Bend programs (*.csv);;All files (*)");
}
QString OpenFilter() {
    return TProgramFiles::tr(
        "Bend programs and STEP parts (*.csv *.CSV *.step *.stp *.STEP *.STP);;Bend programs "
        "(*.csv);;STEP parts (*.step *.stp *.STEP *.STP);;All files (*)");
}

// A STEP part, which the window reads through tubrix-cli.
bool IsStepName(const QString& path) {
    return path.endsWith(QStringLiteral(".step"), Qt::CaseInsensitive) ||
           path.endsWith(QStringLiteral(".stp"), Qt::CaseInsensitive);
}

// tubrix-cli gives up on a STEP reader after 30 s itself; this is for a child stuck otherwise.
constexpr int CliTimeoutMs = 60000;

// What tubrix-cli printed, or said on failure.
struct CliAnswer {
    bool Done = false;
    QString Out;
    QString Said;
};

CliAnswer RunCli(const QString& cli, const QStringList& arguments) {
    QProcess process;
    process.start(cli, arguments);
    process.closeWriteChannel();
    CliAnswer answer;
    if (!process.waitForFinished(CliTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        answer.Said = TProgramFiles::tr("tubrix-cli did not answer within %1 s; it was stopped.")
                          .arg(CliTimeoutMs / 1000);
        return answer;
    }
    answer.Done = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    answer.Out = QString::fromUtf8(process.readAllStandardOutput());
    answer.Said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (!answer.Done && answer.Said.isEmpty()) {
        answer.Said = TProgramFiles::tr("tubrix-cli failed without saying why.");
    }
    return answer;
}
const QString RecentKey = QStringLiteral("files/recent");
constexpr int RecentCount = 8;

QString DefaultAskPath(QWidget* parent, bool forSaving) {
    return forSaving ? QFileDialog::getSaveFileName(parent, TProgramFiles::tr("Save bend program"),
                                                    QString(), Filter())
                     : QFileDialog::getOpenFileName(parent, TProgramFiles::tr("Open bend program"),
                                                    QString(), OpenFilter());
}

// The one local .csv file a drag carries, or nothing.
QString DroppedProgram(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QString path = data->urls().front().toLocalFile();
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) || IsStepName(path)
               ? path
               : QString();
}

} // namespace

bool TProgramFiles::AskGoOn(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tubrix"), question, QMessageBox::Cancel,
                    parent);
    QPushButton* goOn = box.addButton(tr("Go on"), QMessageBox::DestructiveRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == goOn;
}

namespace {

std::optional<double> DefaultAskSize(QWidget* parent, const QString& what) {
    bool ok = false;
    const double value =
        QInputDialog::getDouble(parent, QStringLiteral("Tubrix"), what, 0, 0, 1e6, 3, &ok);
    return ok && value > 0 ? std::optional<double>(value) : std::nullopt;
}

QString RowCount(std::size_t rows) {
    return rows == 1 ? TProgramFiles::tr("1 row") : TProgramFiles::tr("%1 rows").arg(rows);
}

} // namespace

TProgramFiles::PathQuestion TProgramFiles::AskPath = DefaultAskPath;
TProgramFiles::ProgramLocation TProgramFiles::CliPath = TubrixCliLocation;

namespace {

std::optional<int> DefaultAskChoice(QWidget* parent, const QString& what,
                                    const QStringList& items) {
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent, QStringLiteral("Tubrix"), what, items, 0, false, &ok);
    const int index = items.indexOf(chosen);
    return ok && index >= 0 ? std::optional<int>(index) : std::nullopt;
}

} // namespace

TProgramFiles::ChoiceQuestion TProgramFiles::AskChoice = DefaultAskChoice;
TProgramFiles::YesNoQuestion TProgramFiles::AskYesNo = TProgramFiles::AskGoOn;
TProgramFiles::SizeQuestion TProgramFiles::AskSize = DefaultAskSize;

TProgramFiles::TProgramFiles(TSession& session, QWidget& window)
    : QObject(&window), Session(session), Window(window) {
    ActOpen = new QAction(tr("&Open…"), this);
    ActOpen->setShortcut(QKeySequence::Open);
    connect(ActOpen, &QAction::triggered, this, [this] {
        const QString path = AskPath(&Window, false);
        if (!path.isEmpty()) {
            OpenProgram(path);
        }
    });
    ActSave = new QAction(tr("&Save"), this);
    ActSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    // A program read from points is saved under a name of its own.
    connect(ActSave, &QAction::triggered, this,
            [this] { SaveProgram(FromPoints ? QString() : Session.Path()); });
    ActSaveAs = new QAction(tr("Save &as…"), this);
    ActSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(ActSaveAs, &QAction::triggered, this, [this] { SaveProgram(QString()); });
    window.addActions({ActOpen, ActSave, ActSaveAs});
    MenuRecent = new QMenu(tr("Open &recent"), &window);
    MenuRecent->setObjectName(QStringLiteral("MenuRecent"));
    FillRecentMenu();
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool TProgramFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Window && event->type() == QEvent::Close &&
        !MayDiscardChanges(tr("Close Tubrix"))) {
        event->ignore();
        return true;
    }
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

bool TProgramFiles::MayDiscardChanges(const QString& action) {
    if (!Session.Program().Modified()) {
        return true;
    }
    return AskYesNo(&Window, tr("The program has changes that are not saved. %1 "
                                "and lose them?")
                                 .arg(action));
}

void TProgramFiles::Opened(const QString& path, ProgramDocument document) {
    Session.SetUnits(document.Units);
    Session.SetWall(document.Wall);
    Document = std::move(document);
    const QFileInfo file(path);
    DiskTime = file.lastModified();
    DiskSize = file.size();
    Session.SetPath(path);
}

bool TProgramFiles::ChangedOnDisk(const QString& path) const {
    if (!Document || path != Session.Path()) {
        return false;
    }
    const QFileInfo file(path);
    return file.exists() && (file.lastModified() != DiskTime || file.size() != DiskSize);
}

QStringList TProgramFiles::RecentFiles() const {
    return QSettings().value(RecentKey).toStringList();
}

void TProgramFiles::Remember(const QString& path) {
    QStringList recent = RecentFiles();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    QSettings().setValue(RecentKey, recent.mid(0, RecentCount));
    FillRecentMenu();
}

void TProgramFiles::FillRecentMenu() {
    MenuRecent->clear();
    const QStringList recent = RecentFiles();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* action = MenuRecent->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this,
            [this, path] {
                if (QFileInfo::exists(path)) {
                    OpenProgram(path);
                    return;
                }
                QStringList kept = RecentFiles();
                kept.removeAll(path);
                QSettings().setValue(RecentKey, kept);
                FillRecentMenu();
                Message(tr("%1 is no longer there; it was taken off the recent list.").arg(path));
            });
        action->setToolTip(path);
    }
    MenuRecent->setEnabled(!recent.isEmpty());
}

bool TProgramFiles::OpenProgram(const QString& path) {
    if (IsStepName(path)) {
        return OpenStepPart(path);
    }
    const Result<std::string> text = ReadTextFile(path.toStdString());
    if (text && IsPointsText(*text)) {
        return OpenPoints(path, *text);
    }
    // A value the program may not hold opens marked, as if typed; a cell that is not a number
    // still refuses the file.
    Result<ProgramDocument> loaded = ReadProgramDocument(path.toStdString(), RowLimits::Kept);
    if (!loaded) {
        Message(tr("%1", "a program that cannot be opened: the reader's own words")
                    .arg(QString::fromStdString(loaded.Failure().ToString())));
        return false;
    }
    if (!MayDiscardChanges(tr("Open %1").arg(QFileInfo(path).fileName()))) {
        return false;
    }
    Session.Program().Load(loaded->Program());
    const std::size_t rows = loaded->Rows.size();
    FromPoints = false;
    Opened(path, std::move(*loaded));
    Remember(path);
    Session.RequestMake3D();
    const std::size_t marked = Session.Program().Marks().size();
    Session.Say(tr("Opened %1 (%2)").arg(QFileInfo(path).fileName(), RowCount(rows)) +
                (marked > 0 ? tr(" — %1 marked: values a program may not hold")
                                  .arg(marked == 1 ? tr("1 field") : tr("%1 fields").arg(marked))
                            : QString()));
    return true;
}

bool TProgramFiles::OpenPoints(const QString& path, const std::string& text) {
    const std::string file = ShownName(path.toStdString());
    const QString name = QFileInfo(path).fileName();
    // A points file from CAD often holds neither the diameter nor the radii: they are asked for.
    std::optional<double> diameter;
    if (!ParsePointsText(text, file) && ParsePointsText(text, file, 1.0)) {
        diameter = AskSize(&Window, tr("%1 gives no tube diameter. Tube diameter:").arg(name));
        if (!diameter) {
            return false;
        }
    }
    const Result<PointsRows> points = ParsePointsText(text, file, diameter);
    if (!points) {
        Message(tr("%1", "a points file that cannot be read: the reader's own words")
                    .arg(QString::fromStdString(points.Failure().ToString())));
        return false;
    }
    std::optional<double> radius;
    const auto& all = points->Points;
    if (std::any_of(all.begin() + 1, all.end() - 1, [](const PointRow& p) { return !p.R; })) {
        radius = AskSize(&Window, tr("%1 gives no bend radius at some points. Bend "
                                     "radius there:")
                                      .arg(name));
        if (!radius) {
            return false;
        }
    }
    Result<ProgramRows> program = XyzToProgram(*points, radius, file);
    if (!program) {
        Message(tr("%1", "points that make no program: the library's own words")
                    .arg(QString::fromStdString(program.Failure().ToString())));
        return false;
    }
    // The fields show the straights, planes and angles without the CAD system's round-off, as
    // ybc writes them; the diameter and the radii are the file's own.
    ComputedNumbers computed;
    computed.Y = computed.B = computed.C = true;
    program = SnapComputed(*program, computed);
    program->Units = points->Units;
    program->Wall = points->Wall;
    if (!MayDiscardChanges(tr("Open %1").arg(name))) {
        return false;
    }
    OpenedAsProgram(path, *program,
                    tr("Read %1 points from %2 as a program of %3; Ctrl+S saves it "
                       "as a new .csv")
                        .arg(all.size())
                        .arg(name, RowCount(program->Rows.size())));
    return true;
}

void TProgramFiles::OpenedAsProgram(const QString& path, const ProgramRows& program,
                                    const QString& said) {
    Session.Program().Load(program);
    // Nothing of the file's shape is kept, and Ctrl+S asks for a program's name.
    Document.reset();
    FromPoints = true;
    Session.SetUnits(program.Units);
    Session.SetWall(program.Wall);
    Session.SetPath(path);
    Remember(path);
    Session.RequestMake3D();
    Session.Say(said);
}

bool TProgramFiles::OpenStepPart(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QString cli = CliPath();
    if (cli.isEmpty()) {
        Message(tr("tubrix-cli was not found beside Tubrix nor on the PATH: a STEP "
                   "part is read through it."));
        return false;
    }
    // Reading a large part takes a while; the window says it is busy meanwhile.
    const auto busy = [&](const QStringList& arguments) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        return RunCli(cli, QStringList{QStringLiteral("ybc"), path} + arguments);
    };
    CliAnswer answer = busy({});
    // Several tubes in one file: the operator picks one from the list tubrix-cli gives.
    if (!answer.Done && answer.Said.contains(QStringLiteral("--solid N"))) {
        const CliAnswer list = busy({QStringLiteral("--list")});
        QStringList tubes, numbers;
        for (const QString& line : list.Out.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.contains(QStringLiteral(" faces, tube,"))) {
                tubes << line;
                numbers << line.section(u' ', 1, 1).chopped(1);
            }
        }
        if (!list.Done || tubes.isEmpty()) {
            Message(list.Done ? answer.Said : list.Said);
            return false;
        }
        const std::optional<int> chosen = AskChoice(
            &Window, tr("%1 holds %2 tubes. Open which?").arg(name).arg(tubes.size()), tubes);
        if (!chosen) {
            return false;
        }
        answer = busy({QStringLiteral("--solid"), numbers[*chosen]});
    }
    if (!answer.Done) {
        Message(answer.Said);
        return false;
    }
    const Result<ProgramRows> program =
        ParseProgramText(answer.Out.toStdString(), ShownName(path.toStdString()));
    if (!program) {
        Message(tr("%1", "a STEP part that cannot be read: tubrix-cli's own words")
                    .arg(QString::fromStdString(program.Failure().ToString())));
        return false;
    }
    if (!MayDiscardChanges(tr("Open %1").arg(name))) {
        return false;
    }
    OpenedAsProgram(path, *program,
                    tr("Read the tube of %1 as a program of %2; Ctrl+S saves it as a "
                       "new .csv")
                        .arg(name, RowCount(program->Rows.size())));
    return true;
}

bool TProgramFiles::SaveProgram(const QString& given) {
    // A typo is never saved as a number, nor a value a file would refuse.
    if (const QString refusal = Session.Program().MarkedRefusal(); !refusal.isEmpty()) {
        Message(refusal + tr(" Nothing was saved."));
        return false;
    }
    const QString path =
        WithDefaultSuffix(given.isEmpty() ? AskPath(&Window, true) : given, QStringLiteral("csv"));
    if (path.isEmpty()) {
        return false;
    }
    if (FromPoints && QFileInfo(path) == QFileInfo(Session.Path())) {
        Message(tr("%1 is the points file the program was read from; save the "
                   "program under another name.")
                    .arg(QFileInfo(path).fileName()));
        return false;
    }
    if (ChangedOnDisk(path) && !AskYesNo(&Window, tr("%1 has changed on disk since it was opened. "
                                                     "Overwrite it?")
                                                      .arg(QFileInfo(path).fileName()))) {
        return false;
    }
    ProgramRows rows = Session.Program().Values();
    rows.Units = Session.Units();
    rows.Wall = Session.Wall();
    // A diameter typed down to no more than twice the wall leaves no bore: such a file would
    // not read back, so it is not written.
    if (rows.Wall && !WallFits(*rows.Wall, rows.Diameter)) {
        Message(tr("The wall %1 of the tube leaves no bore in the diameter %2. Nothing was saved.")
                    .arg(QLocale().toString(*rows.Wall, 'g', QLocale::FloatingPointShortest),
                         QLocale().toString(rows.Diameter, 'g', QLocale::FloatingPointShortest)));
        return false;
    }
    std::vector<int> origins;
    for (const ProgramRowTexts& row : Session.Program().Rows()) {
        origins.push_back(row.Origin);
    }
    const std::string text =
        Document ? FormatProgramDocument(*Document, rows, origins) : FormatProgramText(rows);
    if (const Result<void> written = WriteFileWhole(path.toStdString(), text); !written) {
        Message(tr("%1", "a program that cannot be saved: the system's own words")
                    .arg(QString::fromStdString(written.Failure().Message)));
        return false;
    }
    // What is on disk now is the document the next save keeps the shape of, row for row.
    Result<ProgramDocument> document = ParseProgramDocument(text, path.toStdString());
    if (document) {
        Session.Program().Saved();
        FromPoints = false;
        Opened(path, std::move(*document));
    }
    Remember(path);
    Session.Say(tr("Saved %1 (%2)").arg(QFileInfo(path).fileName(), RowCount(rows.Rows.size())));
    return true;
}
