#include "measuredcomparison.h"

#include "windowlanguage.h"

#include "bendrows.h"
#include "checkrow.h"
#include "fileaccess.h"
#include "fsimpipe.h"
#include "programfile.h"
#include "session.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QToolTip>

#include <cmath>
#include <numbers>

using namespace tubrix;

namespace {

QString DefaultAskPath(QWidget* parent) {
    return QFileDialog::getOpenFileName(
        parent, TMeasuredComparison::tr("Compare with measured"), QString(),
        TMeasuredComparison::tr("Measured parts (*.csv *.txt);;All files (*)"));
}

// The measured centre line as a line strip: a straight's two ends, an arc every 3 degrees.
std::vector<Vec3> LineOf(const std::vector<Piece>& pieces) {
    std::vector<Vec3> line;
    for (const Piece& piece : pieces) {
        const double turn = piece.IsArc() && piece.Radius > 0 ? piece.Length / piece.Radius : 0;
        const int steps = std::max(1, static_cast<int>(std::ceil(turn / (std::numbers::pi / 60))));
        for (int i = line.empty() ? 0 : 1; i <= steps; ++i) {
            line.push_back(piece.At(piece.Length * i / steps));
        }
    }
    return line;
}

// The nominal rows whose straights and bends hold the measured pieces that stray past the
// tolerance: a bending row's straight is every row's since the bending row before.
void MarkOutside(const BendProgram& nominal, const SheathDeviation& sheath, double tolerance,
                 std::vector<bool>& straights, std::vector<bool>& bends) {
    const BendingRows rows = FindBendingRows(nominal);
    const auto count = static_cast<std::size_t>(std::clamp(nominal.StepCount, 0, MaxBendSteps));
    straights.assign(count, false);
    bends.assign(count, false);
    for (const PieceDeviation& piece : sheath.Pieces) {
        if (!(piece.Value > tolerance)) {
            continue;
        }
        const auto k = static_cast<std::size_t>(piece.BendingRow);
        const bool tail = piece.BendingRow < 0 || k >= rows.Rows.size();
        const int row = tail ? static_cast<int>(count) - 1 : rows.Rows[k].Row;
        if (piece.Kind == PieceKind::Arc && !tail) {
            bends[static_cast<std::size_t>(row)] = true;
            continue;
        }
        const int first = tail ? (rows.Rows.empty() ? 0 : rows.Rows.back().Row + 1)
                               : (k == 0 ? 0 : rows.Rows[k - 1].Row + 1);
        for (int r = first; r <= row; ++r) {
            straights[static_cast<std::size_t>(r)] = true;
        }
    }
}

// Two decimals in the window's locale, without grouping, what rounds to 0 written 0.
QString Number(double value, const QLocale& locale) {
    QLocale shown = locale;
    shown.setNumberOptions(shown.numberOptions() | QLocale::OmitGroupSeparator);
    return shown.toString(std::fabs(value) < 5e-3 ? 0.0 : value, 'f', 2);
}

QString BendLine(const BendDelta& b, const QLocale& locale) {
    return TMeasuredComparison::tr("Row %1: dY %2  dB %3  dC %4  dR %5")
        .arg(b.Row)
        .arg(Number(b.DY, locale), Number(b.DB, locale), Number(b.DC, locale),
             Number(b.DR, locale));
}

QString TailLine(const Comparison& c, const QLocale& locale) {
    return TMeasuredComparison::tr("Tail: dY %1").arg(Number(c.TailDY, locale));
}

QString DeltasTip(const Comparison& c, const QLocale& locale) {
    QStringList lines;
    for (const BendDelta& b : c.Bends) {
        lines << BendLine(b, locale);
    }
    lines << TailLine(c, locale);
    return lines.join(QLatin1Char('\n'));
}

// The deltas of the piece the pointer is on: a bend's, or those of the bend its straight
// leads to (the straight a row feeds belongs to the next bending row); past the last bend,
// the tail's.
QString PieceTip(const Comparison& c, const Piece& piece, const QLocale& locale) {
    for (const BendDelta& b : c.Bends) {
        if (b.Row - 1 >= piece.Row) {
            return BendLine(b, locale);
        }
    }
    return TailLine(c, locale);
}

} // namespace

TMeasuredComparison::PathQuestion TMeasuredComparison::AskPath = DefaultAskPath;

TMeasuredComparison::TMeasuredComparison(TSession& session, QWidget& window, QWidget& clientArea,
                                         TFrmSimPipe& viewer)
    : QObject(&window), Session(session), Window(window), Viewer(viewer) {
    // Right under the findings' count, over the top of the logo while a comparison is shown:
    // the column has no other room at its first size.
    LblVerdict = new QLabel(&clientArea);
    LblVerdict->setObjectName(QStringLiteral("LblVerdict"));
    LblVerdict->setGeometry(800, 320, 217, 30);
    LblVerdict->setAlignment(Qt::AlignCenter);
    LblVerdict->setWordWrap(true);
    LblVerdict->setAutoFillBackground(true);
    LblVerdict->hide();

    ActCompare = new QAction(TMeasuredComparison::tr("&Compare with measured…"), this);
    ActCompare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    window.addAction(ActCompare);
    connect(ActCompare, &QAction::triggered, this, [this] { CompareWith(QString()); });
    // What the comparison was made against is gone once another part is built or opened.
    connect(&session, &TSession::Built, this, &TMeasuredComparison::Drop);
    connect(&session, &TSession::PathChanged, this, &TMeasuredComparison::Drop);
    // Each bend's deltas where the pointer rests on it in the picture.
    viewer.installEventFilter(this);
}

bool TMeasuredComparison::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &Viewer || event->type() != QEvent::ToolTip || !Comparison) {
        return QObject::eventFilter(watched, event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<Piece> piece = Viewer.PieceUnder(help->pos().x(), help->pos().y());
    if (piece) {
        QToolTip::showText(help->globalPos(), PieceTip(*Comparison, *piece, Window.locale()),
                           &Viewer);
    } else {
        QToolTip::hideText();
    }
    return true;
}

void TMeasuredComparison::Message(const QString& text) {
    // Window-modal and not waiting, as the program files' messages are.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tubrix"), text,
                                QMessageBox::Ok, &Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TMeasuredComparison::CompareWith(const QString& given) {
    const BendProgram* built = Session.BuiltShown();
    if (!built || built->StepCount < 2) {
        Message(TMeasuredComparison::tr(
            "Press \"Make 3D\" first: there is no part to compare with yet."));
        return false;
    }
    ProgramRows rows = RowsFromProgram(*built);
    if (const Result<void> usable = CheckUsable(rows); !usable) {
        Message(ProgramFaultText(usable.Failure()) +
                TMeasuredComparison::tr(": the part cannot be compared."));
        return false;
    }
    const QString path = given.isEmpty() ? AskPath(&Window) : given;
    if (path.isEmpty()) {
        return false;
    }
    const Result<std::string> text = ReadTextFile(path.toStdString());
    if (!text) {
        Message(tr("%1", "a measured file that cannot be read: the reader's own words")
                    .arg(QString::fromStdString(text.Failure().ToString())));
        return false;
    }
    // One unit for all: the program's, else the profile's, else the measured file's.
    std::optional<MachineProfile> profile = Session.Profile();
    rows.Units = Session.Units() ? Session.Units() : (profile ? profile->Units : std::nullopt);
    const Result<MeasuredPart> part = ParseMeasuredText(*text, ShownName(path.toStdString()), rows);
    if (!part) {
        Message(tr("%1", "a measured file that cannot be read: the reader's own words")
                    .arg(QString::fromStdString(part.Failure().ToString())));
        return false;
    }
    rows.Units = part->Rows.Units;
    if (profile && rows.Units) {
        profile = ProfileInUnits(*profile, *rows.Units);
    }
    Result<tubrix::Comparison> comparison = CompareMeasured(rows, *part);
    if (!comparison) {
        Message(tr("%1", "a measured part that cannot be compared: the library's own words")
                    .arg(QString::fromStdString(comparison.Failure().Message)));
        return false;
    }
    const double tolerance = profile ? profile->SheathTolerance : 1.0;
    std::vector<bool> straights, bends;
    MarkOutside(*built, comparison->Sheath, tolerance, straights, bends);
    Viewer.ShowMeasured(LineOf(comparison->MeasuredPieces), straights, bends);
    // As the library's SheathVerdict words it, in the window's language and numbers.
    const SheathDeviation& sheath = comparison->Sheath;
    QString verdict =
        (sheath.Value <= tolerance ? tr("Sheath %1 <= %2 at row %3 — passes")
                                   : tr("Sheath %1 > %2 at row %3 — fails"))
            .arg(Number(sheath.Value, Window.locale()), Number(tolerance, Window.locale()))
            .arg(sheath.Row);
    if (comparison->Reversed) {
        verdict += TMeasuredComparison::tr("; read from the other end");
    }
    if (comparison->OtherHand) {
        verdict += TMeasuredComparison::tr("; the other hand");
    }
    LblVerdict->setText(verdict);
    LblVerdict->setToolTip(DeltasTip(*comparison, Window.locale()));
    LblVerdict->show();
    LblVerdict->raise();
    Comparison = std::move(*comparison);
    Session.SetMeasuredPath(path);
    Session.Say(TMeasuredComparison::tr("Compared with %1").arg(QFileInfo(path).fileName()));
    if (part->FileUnits && part->FileUnits != rows.Units) {
        Session.Say(tr("Compared with %1, its lengths converted from %2 to %3")
                        .arg(QFileInfo(path).fileName(),
                             QString::fromLatin1(UnitName(*part->FileUnits)),
                             QString::fromLatin1(UnitName(*rows.Units))));
    }
    return true;
}

void TMeasuredComparison::Drop() {
    if (!Comparison) {
        return;
    }
    Comparison.reset();
    Viewer.ShowMeasured({}, {}, {});
    LblVerdict->clear();
    LblVerdict->setToolTip(QString());
    LblVerdict->hide();
    Session.SetMeasuredPath(QString());
}
