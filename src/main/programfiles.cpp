#include "programfiles.h"

#include "programmodel.h"
#include "session.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QShortcut>
#include <QToolButton>

using namespace tubrix;

namespace {

const QString Filter = QStringLiteral("Bend programs (*.csv);;All files (*)");

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

bool DefaultAskYesNo(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QStringLiteral("Tubrix"), question) == QMessageBox::Yes;
}

} // namespace

TProgramFiles::PathQuestion TProgramFiles::AskPath = DefaultAskPath;
TProgramFiles::YesNoQuestion TProgramFiles::AskYesNo = DefaultAskYesNo;

TProgramFiles::TProgramFiles(TSession& session, QWidget& window)
    : QObject(&window), Session(session), Window(window) {
    auto* open = new QShortcut(QKeySequence::Open, &window);
    connect(open, &QShortcut::activated, this, [this] {
        const QString path = AskPath(&Window, false);
        if (!path.isEmpty()) {
            OpenProgram(path);
        }
    });
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &window);
    connect(save, &QShortcut::activated, this, [this] { SaveProgram(Session.Path()); });
    auto* saveAs = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &window);
    connect(saveAs, &QShortcut::activated, this, [this] { SaveProgram(QString()); });
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool TProgramFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Window && event->type() == QEvent::Close &&
        !MayDiscardChanges(QStringLiteral("Close Tubrix"))) {
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
    if (!Session.Program().Modified) {
        return true;
    }
    return AskYesNo(&Window, QStringLiteral("The program has changes that are not saved. %1 "
                                            "and lose them?")
                                 .arg(action));
}

void TProgramFiles::Opened(const QString& path, ProgramDocument document) {
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

bool TProgramFiles::OpenProgram(const QString& path) {
    Result<ProgramDocument> loaded = ReadProgramDocument(path.toStdString());
    if (!loaded) {
        Message(QString::fromStdString(loaded.Failure().ToString()));
        return false;
    }
    if (!MayDiscardChanges(QStringLiteral("Open %1").arg(QFileInfo(path).fileName()))) {
        return false;
    }
    Session.Program().Load(loaded->Program());
    Opened(path, std::move(*loaded));
    Session.RequestMake3D();
    return true;
}

bool TProgramFiles::SaveProgram(const QString& given) {
    // A typo is never saved as a number, nor a value a file would refuse.
    if (const QString refusal = Session.Program().MarkedRefusal(); !refusal.isEmpty()) {
        Message(refusal + QStringLiteral(" Nothing was saved."));
        return false;
    }
    const QString path = given.isEmpty() ? AskPath(&Window, true) : given;
    if (path.isEmpty()) {
        return false;
    }
    if (ChangedOnDisk(path) &&
        !AskYesNo(&Window, QStringLiteral("%1 has changed on disk since it was opened. "
                                          "Overwrite it?")
                               .arg(QFileInfo(path).fileName()))) {
        return false;
    }
    const ProgramRows rows = Session.Program().Values();
    std::vector<int> origins;
    for (const ProgramRowTexts& row : Session.Program().Rows()) {
        origins.push_back(row.Origin);
    }
    const std::string text =
        Document ? FormatProgramDocument(*Document, rows, origins) : FormatProgramText(rows);
    if (const Result<void> written = WriteFileWhole(path.toStdString(), text); !written) {
        Message(QString::fromStdString(written.Failure().Message));
        return false;
    }
    // What is on disk now is the document the next save keeps the shape of, row for row.
    Result<ProgramDocument> document = ParseProgramDocument(text, path.toStdString());
    if (document) {
        Session.Program().Saved();
        Opened(path, std::move(*document));
    }
    return true;
}
