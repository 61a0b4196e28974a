#include "findingspanel.h"

#include "windowlanguage.h"

#include "findings.h"
#include "fsimpipe.h"
#include "session.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QMainWindow>
#include <QTreeWidget>

using namespace tubrix;

namespace {

enum Column { ColRow, ColRule, ColValue, ColLimit, ColMessage, ColumnCount };

QString Number(double value) {
    return LocaleMessageNumber(value);
}

} // namespace

TFindingsPanel::TFindingsPanel(TSession& session, QMainWindow& window, TFrmSimPipe& viewer)
    : QObject(&window), Session(session), Viewer(viewer) {
    Dock = new QDockWidget(TFindingsPanel::tr("Findings"), &window);
    Dock->setObjectName(QStringLiteral("DockFindings"));
    List = new QTreeWidget(Dock);
    List->setObjectName(QStringLiteral("ListFindings"));
    List->setColumnCount(ColumnCount);
    List->setHeaderLabels({TFindingsPanel::tr("Row"), TFindingsPanel::tr("Rule"),
                           TFindingsPanel::tr("Value"), TFindingsPanel::tr("Limit"),
                           TFindingsPanel::tr("Finding")});
    List->setRootIsDecorated(false);
    List->setAlternatingRowColors(true);
    List->header()->setStretchLastSection(true);
    Dock->setWidget(List);
    window.addDockWidget(Qt::BottomDockWidgetArea, Dock);
    Dock->hide();
    connect(&session, &TSession::Checked, this, &TFindingsPanel::Fill);
    connect(List, &QTreeWidget::itemSelectionChanged, this, &TFindingsPanel::Selected);
}

void TFindingsPanel::Fill() {
    const PartCheck* check = Session.Check();
    if (!check) {
        return;
    }
    const QSignalBlocker blocker(List);
    List->clear();
    for (std::size_t i = 0; i < check->Findings.size(); ++i) {
        const Finding& finding = check->Findings[i];
        QString row = finding.Row > 0 ? QString::number(finding.Row) : TFindingsPanel::tr("part");
        if (finding.OtherRow > 0) {
            row += TFindingsPanel::tr(" and %1").arg(finding.OtherRow);
        }
        auto* item =
            new QTreeWidgetItem(List, {row, FindingRuleText(finding), Number(finding.Value),
                                       finding.Limit ? Number(*finding.Limit) : QStringLiteral("—"),
                                       FindingText(finding)});
        item->setData(ColRow, Qt::UserRole, static_cast<int>(i));
        item->setToolTip(ColMessage, FindingLineText(finding));
    }
    if (check->Findings.empty()) {
        auto* none = new QTreeWidgetItem(
            List, {QString(), QString(), QString(), QString(), TFindingsPanel::tr("No findings")});
        none->setFlags(Qt::ItemIsEnabled);
    } else {
        // Something to read: the panel shows itself, as a build with findings asks it to.
        Dock->show();
    }
    for (int c = 0; c < ColMessage; ++c) {
        List->resizeColumnToContents(c);
    }
}

void TFindingsPanel::Selected() {
    const PartCheck* check = Session.Check();
    const BendProgram* shown = Session.BuiltShown();
    if (!check || !shown) {
        return;
    }
    std::vector<Finding> marked;
    for (const QTreeWidgetItem* item : List->selectedItems()) {
        const QVariant index = item->data(ColRow, Qt::UserRole);
        if (index.isValid()) {
            marked.push_back(check->Findings.at(static_cast<std::size_t>(index.toInt())));
        }
    }
    // Nothing chosen: every finding's pieces, as after "Make 3D".
    const PiecesAtFault at = FindPiecesAtFault(*shown, marked.empty() ? check->Findings : marked);
    Viewer.MarkPieces(at.Straights, at.Bends);
}
