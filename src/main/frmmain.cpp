#include "frmmain.h"

#include "fsimpipe.h"
#include "logo.h"
#include "programgrid.h"
#include "programmodel.h"
#include "session.h"
#include "tubewalk.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QToolButton>

#include <algorithm>

using namespace tubrix;

TFrmMain* FrmMain = nullptr;
BendProgram InputProgram{};

namespace {

constexpr int ClientWidth = 1024;
constexpr int ClientHeight = 438;
constexpr int GridLeft[4] = {800, 856, 912, 968}; // columns Y, B, C, R
constexpr int GridTop[InputRowCount] = {72, 100, 128, 156, 184};

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
    auto* edit = new QLineEdit(text, parent);
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

TFrmMain::TFrmMain() : QWidget(nullptr) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Tubrix"));
    // A close box only: the window keeps its size and cannot be minimised or maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    move(185, 149);
    setFont(FormFont(11));

    Panel3D = new QFrame(this);
    Panel3D->setObjectName(QStringLiteral("Panel3D"));
    Panel3D->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3D->setGeometry(4, 8, 789, 425);

    LblR = MakeLabel(this, QStringLiteral("R"), QRect(968, 42, 49, 25), 24);
    LblC = MakeLabel(this, QStringLiteral("C"), QRect(912, 42, 49, 25), 24);
    LblB = MakeLabel(this, QStringLiteral("B"), QRect(856, 42, 49, 25), 24);
    LblY = MakeLabel(this, QStringLiteral("Y"), QRect(800, 42, 49, 25), 24);

    EditY1 = MakeGridEdit(this, "EditY1", QStringLiteral("30"), 0, 0);
    EditB1 = MakeGridEdit(this, "EditB1", QStringLiteral("0"), 1, 0);
    EditC1 = MakeGridEdit(this, "EditC1", QStringLiteral("90"), 2, 0);
    EditR1 = MakeGridEdit(this, "EditR1", QStringLiteral("45"), 3, 0);
    EditY2 = MakeGridEdit(this, "EditY2", QStringLiteral("30"), 0, 1);
    EditY3 = MakeGridEdit(this, "EditY3", QStringLiteral("30"), 0, 2);
    EditY4 = MakeGridEdit(this, "EditY4", QStringLiteral("30"), 0, 3);
    EditY5 = MakeGridEdit(this, "EditY5", QStringLiteral("30"), 0, 4);
    EditB2 = MakeGridEdit(this, "EditB2", QStringLiteral("90"), 1, 1);
    EditB3 = MakeGridEdit(this, "EditB3", QStringLiteral("90"), 1, 2);
    EditB4 = MakeGridEdit(this, "EditB4", QStringLiteral("90"), 1, 3);
    EditB5 = MakeGridEdit(this, "EditB5", QStringLiteral("0"), 1, 4);
    EditC2 = MakeGridEdit(this, "EditC2", QStringLiteral("90"), 2, 1);
    EditC3 = MakeGridEdit(this, "EditC3", QStringLiteral("90"), 2, 2);
    EditC4 = MakeGridEdit(this, "EditC4", QStringLiteral("90"), 2, 3);
    EditC5 = MakeGridEdit(this, "EditC5", QStringLiteral("0"), 2, 4);
    EditR2 = MakeGridEdit(this, "EditR2", QStringLiteral("45"), 3, 1);
    EditR3 = MakeGridEdit(this, "EditR3", QStringLiteral("45"), 3, 2);
    EditR4 = MakeGridEdit(this, "EditR4", QStringLiteral("45"), 3, 3);
    EditR5 = MakeGridEdit(this, "EditR5", QStringLiteral("45"), 3, 4);

    LblTubeDiameter = MakeLabel(this, QStringLiteral("Tube diameter"), QRect(800, 10, 113, 25), 16);
    EditTubeDiameter =
        MakeEdit(this, "EditTubeDiameter", QStringLiteral("38"), QRect(912, 10, 49, 25));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(800, 320, LogoWidth, LogoHeight);
    Image1->setPixmap(TubrixLogo(devicePixelRatioF()));

    SBtnMake3D = new QToolButton(this);
    SBtnMake3D->setObjectName(QStringLiteral("SBtnMake3D"));
    SBtnMake3D->setText(QStringLiteral("Make 3D"));
    SBtnMake3D->setGeometry(944, 216, 73, 33);
    SBtnMake3D->setFocusPolicy(Qt::NoFocus);
    connect(SBtnMake3D, &QToolButton::clicked, this, &TFrmMain::SBtnMake3DClick);

    // Between "Make 3D" and the picture: the developed length and what the program could not use
    // as typed, on two lines.
    LblDevelopedLength = MakeLabel(this, QString(), QRect(800, 256, 217, 36), 13);
    LblDevelopedLength->setFont(FieldFont(false));
    LblDevelopedLength->setObjectName(QStringLiteral("LblDevelopedLength"));
    LblDevelopedLength->setWordWrap(true);

    // Along row 1, down the Y column, then down B, C and R, and last the diameter.
    QWidget* const tabOrder[] = {EditY1, EditB1, EditC1, EditR1, EditY2, EditY3, EditY4,
                                 EditY5, EditB2, EditB3, EditB4, EditB5, EditC2, EditC3,
                                 EditC4, EditC5, EditR2, EditR3, EditR4, EditR5, EditTubeDiameter};
    for (size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

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
    Grid = new TProgramGrid(*this, controls, *Program);
    connect(Grid, &TProgramGrid::Make3D, this, &TFrmMain::SBtnMake3DClick);
    connect(Session, &TSession::Make3DRequested, this, &TFrmMain::SBtnMake3DClick);
    connect(Session, &TSession::PathChanged, this, [this] {
        setWindowTitle(QStringLiteral("Tubrix — ") + QFileInfo(Session->Path()).fileName());
    });
    connect(Session, &TSession::HandChanged, this, [this] {
        // The fields as they stand, built as the hand now shown.
        FrmSimPipe->Mirrored = Session->Mirrored();
        SBtnMake3DClick();
    });

    FormCreate();
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
    // Closing the main window ends the program; the viewer gives back its GL resources first.
    if (FrmSimPipe) {
        FrmSimPipe->close();
    }
    event->accept();
}

void TFrmMain::FormShow() {
    Panel3D->setGeometry(Panel3DLeft, Panel3DTop, Panel3DWidth, Panel3DHeight);
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
