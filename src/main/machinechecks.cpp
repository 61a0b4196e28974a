#include "machinechecks.h"

#include "windowlanguage.h"

#include "fsimpipe.h"
#include "numberfield.h"
#include "session.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

using namespace tubrix;

namespace {

QString Filter() {
    return TMachineChecks::tr("Machine profiles (*.toml);;All files (*)");
}

QString DefaultAskPath(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, TMachineChecks::tr("Load machine profile"),
                                        QString(), Filter());
}

QString CountText(std::size_t count, bool mirrored) {
    const QString text = count == 0   ? TMachineChecks::tr("No findings")
                         : count == 1 ? TMachineChecks::tr("1 finding")
                                      : TMachineChecks::tr("%1 findings").arg(count);
    return mirrored ? text + TMachineChecks::tr(" (mirrored part)") : text;
}

QString FindingsToolTip(const std::vector<Finding>& findings) {
    QStringList lines;
    for (const Finding& f : findings) {
        lines << FindingLineText(f);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TMachineChecks::PathQuestion TMachineChecks::AskPath = DefaultAskPath;

TMachineChecks::TMachineChecks(TSession& session, QWidget& window, TFrmSimPipe& viewer)
    : QObject(&window), Session(session), Window(window), Viewer(viewer) {
    LblFindings = new QLabel(&window);
    LblFindings->setObjectName(QStringLiteral("LblFindings"));
    LblFindings->setGeometry(800, 292, 217, 26);
    LblFindings->setAlignment(Qt::AlignCenter);

    // Native and raised, as the pad is, or the GL surface would paint over it.
    LblMachineName = new QLabel(&viewer);
    LblMachineName->setObjectName(QStringLiteral("LblMachineName"));
    LblMachineName->setAttribute(Qt::WA_NativeWindow);
    LblMachineName->setAutoFillBackground(true);
    LblMachineName->setMargin(3);
    LblMachineName->move(1, 1);
    LblMachineName->hide();

    ActLoadProfile = new QAction(TMachineChecks::tr("&Load profile…"), this);
    ActLoadProfile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    window.addAction(ActLoadProfile);
    connect(ActLoadProfile, &QAction::triggered, this, [this] {
        const QString path = AskPath(&Window);
        if (!path.isEmpty()) {
            LoadProfile(path);
        }
    });
    connect(&session, &TSession::ProfileChanged, this, &TMachineChecks::ShowProfile);
    connect(&session, &TSession::Checked, this, &TMachineChecks::ShowFindings);
}

void TMachineChecks::Message(const QString& text) {
    // Window-modal and not waiting, as the program files' messages are.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tubrix"), text,
                                QMessageBox::Ok, &Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TMachineChecks::LoadProfile(const QString& path) {
    tubrix::Result<MachineProfile> loaded = ReadMachineProfile(path.toStdString());
    if (!loaded) {
        Message(tr("%1", "a profile that cannot be loaded: the reader's own words")
                    .arg(QString::fromStdString(loaded.Failure().ToString())));
        return false;
    }
    // A profile without a name is shown by its file's name.
    const QString name =
        loaded->Name ? QString::fromStdString(*loaded->Name) : QFileInfo(path).fileName();
    Session.SetProfile(std::move(*loaded), name);
    Session.Say(
        TMachineChecks::tr("Loaded machine %1 from %2").arg(name, QFileInfo(path).fileName()));
    return true;
}

void TMachineChecks::ShowProfile() {
    LblMachineName->setText(Session.ProfileName());
    LblMachineName->adjustSize();
    LblMachineName->show();
    LblMachineName->raise();
}

void TMachineChecks::ShowFindings() {
    const tubrix::PartCheck* check = Session.Check();
    if (!check) {
        return;
    }
    Findings = check->Findings;
    LblFindings->setText(CountText(Findings.size(), Session.Mirrored()));
    LblFindings->setToolTip(WrappedTip(FindingsToolTip(Findings)));
    // The picture was built before the check; it is built again only when the marks change.
    const PiecesAtFault at = FindPiecesAtFault(*Session.BuiltShown(), Findings);
    Viewer.MarkPieces(at.Straights, at.Bends);
}
