#include "frmmain.h"

#include "fsimpipe.h"
#include "logo.h"
#include "numberfield.h"
#include "programgrid.h"
#include "programmodel.h"
#include "session.h"
#include "tubewalk.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>

using namespace tubrix;

TFrmMain* FrmMain = nullptr;
BendProgram InputProgram{};

namespace {

constexpr int ClientWidth = 1024;
constexpr int ClientHeight = 438;
constexpr int GridLeft[4] = {800, 856, 912, 968}; // columns Y, B, C, R
constexpr int GridTop[InputRowCount] = {72, 100, 128, 156, 184};
// The column right of the viewer at the first size, and its grid's pitch.
constexpr int ColumnLeft = 800;
constexpr int ColumnWidth = ClientWidth - ColumnLeft;
constexpr int FieldWidth = 49;
constexpr int FieldGap = 7;
constexpr int RowPitch = 28;
constexpr int FieldHeight = 21;
// Below the grid: the strip, "Make 3D", the length, the findings and the logo move down with
// the rows a taller window shows.
constexpr int BelowGrid = 210;
// A wider window gives the column this share of its extra width, up to a limit, so the fields
// widen to read a long number whole while the viewer takes the rest.
constexpr int ColumnShareEighths = 5;
constexpr int ColumnExtraLimit = 320;
constexpr int NumberWidth = 24;
const char* const HomeGeometry = "tubrixHomeGeometry";

// Where the client area's controls go at a size: the first size gives the layout the window
// was drawn for, every number of it.
struct ClientLayout {
    int ExtraWidth = 0;
    int ExtraHeight = 0;
    int ColumnExtra = 0; // of the extra width, what the column right of the viewer takes
    int Left = ColumnLeft;
    int Numbers = 0; // the row numbers' width, 0 when they do not show
    int Field = FieldWidth;
    int Rows = TProgramGrid::FirstRows;

    explicit ClientLayout(QSize size) {
        ExtraWidth = std::max(0, size.width() - ClientWidth);
        ExtraHeight = std::max(0, size.height() - ClientHeight);
        ColumnExtra = std::min(ExtraWidth * ColumnShareEighths / 8, ColumnExtraLimit);
        Left = ColumnLeft + ExtraWidth - ColumnExtra;
        Numbers = ColumnExtra >= 2 * NumberWidth ? NumberWidth : 0;
        Field = FieldWidth + (ColumnExtra - Numbers) / 4;
        Rows = std::min(TProgramGrid::FirstRows + ExtraHeight / RowPitch, MaxBendSteps);
    }
    int Down() const { return (Rows - TProgramGrid::FirstRows) * RowPitch; }
    int FieldLeft(int column) const { return Left + Numbers + column * (Field + FieldGap); }
    // A control of the column at its first-size geometry: widened with the column, moved down
    // when it sits below the grid.
    QRect Column(const QRect& home, bool keepWidth) const {
        const double scale = double(ColumnWidth + ColumnExtra) / ColumnWidth;
        const int width = keepWidth ? home.width() : int(std::lround(home.width() * scale));
        const double centre = (home.x() - ColumnLeft + home.width() / 2.0) * scale;
        const int x = Left + int(std::lround(centre - width / 2.0));
        return {x, home.y() + (home.y() >= BelowGrid ? Down() : 0), width, home.height()};
    }
};

// The form's face stands in for "MS Sans Serif": the platform's sans-serif at a pixel height.
QFont FormFont(int pixelHeight, bool bold = false) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, int pixelHeight) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(FormFont(pixelHeight));
    return label;
}

// The fields' face: a condensed bold small enough that six characters ("250.25", "-179.5") fit
// a 49-pixel field whole, with the line edit's own margin given to the text. The wide default
// sans at 16 pixels showed "250.25" as "50.25".
QFont FieldFont(bool bold = true) {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(bold);
    return font;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* edit = new TNumberField(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    edit->setFont(FieldFont());
    edit->setTextMargins(-2, 0, -2, 0);
    return edit;
}

QLineEdit* MakeGridEdit(QWidget* parent, const char* name, const QString& text, int column,
                        int row) {
    return MakeEdit(parent, name, text, QRect(GridLeft[column], GridTop[row], 49, 21));
}

} // namespace

TFrmMain::TFrmMain() : QMainWindow(nullptr) {
    setObjectName(QStringLiteral("FrmMain"));
    // Qt's mark for unsaved changes goes where the [*] is.
    setWindowTitle(QStringLiteral("Tubrix[*]"));
    setFont(FormFont(11));
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    // Never smaller than the layout the window was drawn for.
    ClientArea->setMinimumSize(ClientWidth, ClientHeight);
    setCentralWidget(ClientArea);
    QWidget* const client = ClientArea;

    Panel3D = new QFrame(client);
    Panel3D->setObjectName(QStringLiteral("Panel3D"));
    Panel3D->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3D->setGeometry(4, 8, 789, 425);

    LblR = MakeLabel(client, QStringLiteral("R"), QRect(968, 42, 49, 25), 24);
    LblC = MakeLabel(client, QStringLiteral("C"), QRect(912, 42, 49, 25), 24);
    LblB = MakeLabel(client, QStringLiteral("B"), QRect(856, 42, 49, 25), 24);
    LblY = MakeLabel(client, QStringLiteral("Y"), QRect(800, 42, 49, 25), 24);

    EditY1 = MakeGridEdit(client, "EditY1", QStringLiteral("30"), 0, 0);
    EditB1 = MakeGridEdit(client, "EditB1", QStringLiteral("0"), 1, 0);
    EditC1 = MakeGridEdit(client, "EditC1", QStringLiteral("90"), 2, 0);
    EditR1 = MakeGridEdit(client, "EditR1", QStringLiteral("45"), 3, 0);
    EditY2 = MakeGridEdit(client, "EditY2", QStringLiteral("30"), 0, 1);
    EditY3 = MakeGridEdit(client, "EditY3", QStringLiteral("30"), 0, 2);
    EditY4 = MakeGridEdit(client, "EditY4", QStringLiteral("30"), 0, 3);
    EditY5 = MakeGridEdit(client, "EditY5", QStringLiteral("30"), 0, 4);
    EditB2 = MakeGridEdit(client, "EditB2", QStringLiteral("90"), 1, 1);
    EditB3 = MakeGridEdit(client, "EditB3", QStringLiteral("90"), 1, 2);
    EditB4 = MakeGridEdit(client, "EditB4", QStringLiteral("90"), 1, 3);
    EditB5 = MakeGridEdit(client, "EditB5", QStringLiteral("0"), 1, 4);
    EditC2 = MakeGridEdit(client, "EditC2", QStringLiteral("90"), 2, 1);
    EditC3 = MakeGridEdit(client, "EditC3", QStringLiteral("90"), 2, 2);
    EditC4 = MakeGridEdit(client, "EditC4", QStringLiteral("90"), 2, 3);
    EditC5 = MakeGridEdit(client, "EditC5", QStringLiteral("0"), 2, 4);
    EditR2 = MakeGridEdit(client, "EditR2", QStringLiteral("45"), 3, 1);
    EditR3 = MakeGridEdit(client, "EditR3", QStringLiteral("45"), 3, 2);
    EditR4 = MakeGridEdit(client, "EditR4", QStringLiteral("45"), 3, 3);
    EditR5 = MakeGridEdit(client, "EditR5", QStringLiteral("45"), 3, 4);

    LblTubeDiameter = MakeLabel(client, tr("Tube diameter"), QRect(800, 10, 113, 25), 16);
    EditTubeDiameter =
        MakeEdit(client, "EditTubeDiameter", QStringLiteral("38"), QRect(912, 10, 49, 25));

    Image1 = new QLabel(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(800, 320, LogoWidth, LogoHeight);
    Image1->setPixmap(TubrixLogo(devicePixelRatioF()));

    SBtnMake3D = new QToolButton(client);
    SBtnMake3D->setObjectName(QStringLiteral("SBtnMake3D"));
    SBtnMake3D->setText(tr("Make 3D"));
    SBtnMake3D->setGeometry(944, 216, 73, 33);
    SBtnMake3D->setFocusPolicy(Qt::NoFocus);
    connect(SBtnMake3D, &QToolButton::clicked, this, &TFrmMain::SBtnMake3DClick);

    // Between "Make 3D" and the picture: the developed length and what the program could not use
    // as typed, on two lines.
    LblDevelopedLength = MakeLabel(client, QString(), QRect(800, 256, 217, 36), 13);
    LblDevelopedLength->setFont(FieldFont(false));
    LblDevelopedLength->setObjectName(QStringLiteral("LblDevelopedLength"));
    LblDevelopedLength->setWordWrap(true);

    // The program itself, which starts as the fields' initial texts; the fields above show
    // five of its rows at a time.
    Session = new TSession(this);
    Program = &Session->Program();
    GridControls controls{{{{EditY1, EditB1, EditC1, EditR1},
                            {EditY2, EditB2, EditC2, EditR2},
                            {EditY3, EditB3, EditC3, EditR3},
                            {EditY4, EditB4, EditC4, EditR4},
                            {EditY5, EditB5, EditC5, EditR5}}},
                          EditTubeDiameter,
                          LblDevelopedLength};
    Grid = new TProgramGrid(*client, controls, *Program);
    SetGridTabOrder();
    connect(Grid, &TProgramGrid::Make3D, this, &TFrmMain::SBtnMake3DClick);
    connect(Session, &TSession::Make3DRequested, this, &TFrmMain::SBtnMake3DClick);
    connect(Session, &TSession::PathChanged, this, [this] {
        setWindowTitle(QStringLiteral("Tubrix — ") + QFileInfo(Session->Path()).fileName() +
                       QStringLiteral("[*]"));
    });
    connect(Program->History, &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });
    connect(Session, &TSession::Said, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(Session, &TSession::StepRowChanged, Grid, &TProgramGrid::MarkStepRow);
    connect(Session, &TSession::HandChanged, this, [this] {
        // The fields as they stand, built as the hand now shown.
        FrmSimPipe->Mirrored = Session->Mirrored();
        SBtnMake3DClick();
    });

    CreateMenus();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // The program's unit stays in sight, where its file says one; where only one of the program
    // and the profile says its unit, that the other is taken in it.
    auto* units = new QLabel(statusBar());
    units->setObjectName(QStringLiteral("UnitsLabel"));
    statusBar()->addPermanentWidget(units);
    const auto showUnits = [this, units] {
        const QString program =
            Session->Path().isEmpty() ? tr("The program") : QFileInfo(Session->Path()).fileName();
        const std::optional<UnitsAssumed> assumed =
            AssumeUnits(Session->Units(), program.toStdString(),
                        Session->Profile() ? Session->Profile()->Units : std::nullopt,
                        Session->ProfileName().toStdString());
        const auto unit = [](LengthUnit said) { return QString::fromLatin1(UnitName(said)); };
        if (Session->Profile() && assumed) {
            const QString name = QString::fromStdString(assumed->File);
            units->setText(assumed->FromProfile
                               ? tr("%1 says no unit: its lengths are taken as %2, the profile's")
                                     .arg(name, unit(assumed->Unit))
                               : tr("%1 says no unit: its lengths are taken as %2, the program's")
                                     .arg(name, unit(assumed->Unit)));
        } else {
            units->setText(Session->Units() ? tr("lengths in %1").arg(unit(*Session->Units()))
                                            : QString());
        }
    };
    connect(Session, &TSession::UnitsChanged, units, showUnits);
    connect(Session, &TSession::ProfileChanged, units, showUnits);
    connect(Session, &TSession::PathChanged, units, showUnits);
    client->installEventFilter(this);
    // The first size: the client area as drawn, the bars around it.
    move(185, 149);
    layout()->activate();
    resize(minimumSizeHint().expandedTo(minimumSize()));
    FormCreate();
}

void TFrmMain::CreateMenus() {
    MenuFile = menuBar()->addMenu(tr("&File"));
    MenuEdit = menuBar()->addMenu(tr("&Edit"));
    MenuView = menuBar()->addMenu(tr("&View"));
    MenuMachine = menuBar()->addMenu(tr("&Machine"));
    MenuHelp = menuBar()->addMenu(tr("&Help"));

    ActUndo = Program->History->createUndoAction(this, tr("&Undo"));
    ActUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    ActRedo = Program->History->createRedoAction(this, tr("&Redo"));
    ActRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    // Wherever the focus is, a field's own undo included, the keys undo the program's last
    // change.
    for (QAction* action : {ActUndo, ActRedo}) {
        action->setShortcutContext(Qt::ApplicationShortcut);
    }

    // Keys that belong to a field or to the picture: the menu names them and does what they
    // do, but only the field or the picture takes the key itself.
    const auto shownKey = [this](QAction* action, QKeySequence keys) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
    };
    ActMake3D = new QAction(tr("&Make 3D"), this);
    shownKey(ActMake3D, QKeySequence(Qt::Key_Return));
    connect(ActMake3D, &QAction::triggered, this, &TFrmMain::SBtnMake3DClick);
    ActFramePart = new QAction(tr("&Frame the part"), this);
    shownKey(ActFramePart, QKeySequence(Qt::Key_F));
    connect(ActFramePart, &QAction::triggered, this, [] {
        if (FrmSimPipe) {
            FrmSimPipe->FitPart();
        }
    });
    ActHomeView = new QAction(tr("&Home view"), this);
    connect(ActHomeView, &QAction::triggered, this, [] {
        if (FrmSimPipe) {
            FrmSimPipe->BitBtnRestClick();
        }
    });
    ActQuit = new QAction(tr("&Quit"), this);
    ActQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(ActQuit, &QAction::triggered, this, &QWidget::close);
    addActions({ActUndo, ActRedo, ActQuit});

    auto* about = MenuHelp->addAction(tr("&About Tubrix"));
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About Tubrix"),
                           tr("Tubrix shows a bent tube in 3D before it is bent.\n\n"
                              "Type a bend program, one row per step: Y the "
                              "straight, B the turn of the bending plane, C the "
                              "bend angle, R the bend radius; then Make 3D."));
    });
}

void TFrmMain::SetGridTabOrder() {
    // Along row 1, down the Y column, then down B, C and R, and last the diameter.
    std::vector<QWidget*> order(Grid->Row(0).begin(), Grid->Row(0).end());
    for (int c = 0; c < GridColumns; ++c) {
        for (int r = 1; r < Grid->VisibleRows(); ++r) {
            order.push_back(Grid->Row(r)[c]);
        }
    }
    order.push_back(EditTubeDiameter);
    for (size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    TabOrderRows = Grid->VisibleRows();
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientArea && event->type() == QEvent::Resize) {
        LayOut();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::LayOut() {
    const ClientLayout at(ClientArea->size());
    Panel3D->setGeometry(Panel3DLeft, Panel3DTop, Panel3DWidth + at.ExtraWidth - at.ColumnExtra,
                         Panel3DHeight + at.ExtraHeight);
    Grid->SetVisibleRows(at.Rows, at.Numbers > 0);
    std::vector<QWidget*> grid{Grid->ScrollRows};
    for (int r = 0; r < Grid->VisibleRows(); ++r) {
        const int top = GridTop[0] + r * RowPitch;
        for (int c = 0; c < GridColumns; ++c) {
            Grid->Row(r)[c]->setGeometry(at.FieldLeft(c), top, at.Field, FieldHeight);
            grid.push_back(Grid->Row(r)[c]);
        }
        Grid->RowNumber(r)->setGeometry(at.Left, top, std::max(at.Numbers - 4, 0), FieldHeight);
        grid.push_back(Grid->RowNumber(r));
    }
    const QLabel* const heads[GridColumns] = {LblY, LblB, LblC, LblR};
    for (QWidget* child : ClientArea->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == Panel3D || std::find(grid.begin(), grid.end(), child) != grid.end() ||
            child->isWindow()) {
            continue;
        }
        // Every other control's place at the first size, kept the first time it is placed.
        if (!child->property(HomeGeometry).isValid()) {
            child->setProperty(HomeGeometry, child->geometry());
        }
        const QRect home = child->property(HomeGeometry).toRect();
        if (home.x() < ColumnLeft) {
            continue;
        }
        QRect placed = at.Column(home, child == Image1);
        if (const auto head = std::find(std::begin(heads), std::end(heads), child);
            head != std::end(heads)) {
            placed.setLeft(at.FieldLeft(int(head - std::begin(heads))));
            placed.setWidth(at.Field);
        }
        child->setGeometry(placed);
    }
    // Beside the R column, over the rows shown, in what is left of the column.
    const int right = at.FieldLeft(GridColumns - 1) + at.Field;
    const int scrollWidth = ClientArea->width() - right - 1;
    Grid->ScrollRows->setGeometry(right + 1, GridTop[0], scrollWidth,
                                  Grid->VisibleRows() * RowPitch - FieldGap);
    if (TabOrderRows != Grid->VisibleRows()) {
        SetGridTabOrder();
    }
    if (Shown && FrmSimPipe) {
        FrmSimPipe->HostResized();
    }
}

void TFrmMain::RestorePlace() {
    const QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        return;
    }
    // A place remembered on a screen that is gone comes back onto the primary one.
    const QRect frame = frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame.adjusted(8, 8, -8, -8))) {
            return;
        }
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QRect placed(frame.topLeft(), frame.size().boundedTo(available.size()));
    placed.moveCenter(available.center());
    resize(size().boundedTo(available.size()));
    move(placed.topLeft());
}

void TFrmMain::FormCreate() {
    Panel3DWidth = Panel3D->width();
    Panel3DHeight = Panel3D->height();
    Panel3DLeft = Panel3D->x();
    Panel3DTop = Panel3D->y();
}

void TFrmMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && !Shown) {
        Shown = true;
        FormShow();
    }
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    QSettings().setValue(QStringLiteral("window/geometry"), saveGeometry());
    // Closing the main window ends the program; the viewer gives back its GL resources first.
    if (FrmSimPipe) {
        FrmSimPipe->close();
    }
    event->accept();
}

void TFrmMain::FormShow() {
    LayOut();
    FrmSimPipe->HostPanel = Panel3D;
    FrmSimPipe->ViewProgram = InputProgram;
    FrmSimPipe->PadVisible = true;
    FrmSimPipe->setParent(Panel3D);
    FrmSimPipe->move(0, 0);
    FrmSimPipe->show();
}

void TFrmMain::SBtnMake3DClick() {
    // Read, built and handed over in one go: no frame can be drawn between the fields' read and
    // the new picture.
    const ProgramRows program = Program->Values();
    FillBendProgram(InputProgram, program.Diameter, program.Rows);
    // Rows past the program are zero, as they were before it was longer.
    std::fill(InputProgram.Steps + InputProgram.StepCount, InputProgram.Steps + MaxBendSteps,
              BendStep{});
    FrmSimPipe->ViewProgram = InputProgram;
    if (InputProgram.StepCount < 2) {
        // The builder makes nothing of one row and keeps the lists it had: the picture would go
        // on showing a tube the fields no longer hold.
        FrmSimPipe->DropModel();
    }
    FrmSimPipe->RebuildModel(true);
    Grid->Built(DevelopedLength(InputProgram));
    // The session checks what was just built, in the hand shown, and tells the features.
    Session->SetBuilt(InputProgram);
}
