#include "stepscene.h"

#include "fsimpipe.h"
#include "orbgl.h"

using namespace tubrix;

TStepScene::TStepScene(TFrmSimPipe& viewer) : Viewer(viewer) {}

TStepScene::~TStepScene() {
    // The viewer closes its context before the window goes: the lists went with it.
    if (Rows && !OpenGLIsOpen()) {
        Rows->Abandon();
    }
}

bool TStepScene::CanDraw() const {
    return OpenGLIsOpen();
}

void TStepScene::Start(const BendProgram& program, const BendSequence& sequence) {
    Played = std::make_unique<BendSequence>(sequence);
    Rows = std::make_unique<SequenceRows>(program);
    View = FitSequenceView(*Played, Viewer.width(), Viewer.height());
    ResetView();
}

void TStepScene::ResetView() {
    SetSequenceView(View, Viewer.width(), Viewer.height());
    Viewer.ViewScale = static_cast<float>(View.Scale);
}

void TStepScene::Refit() {
    if (!Played || !OpenGLIsOpen()) {
        return;
    }
    View = FitSequenceView(*Played, Viewer.width(), Viewer.height());
    ResetView();
    Viewer.RequestFrame();
}

void TStepScene::Show(int step) {
    if (SceneList == 0) {
        SceneList = ReserveLists(1);
    }
    CompileSequenceStep(*Rows, *Played, View, step, SceneList);
    Viewer.StepList = SceneList;
    Viewer.RequestFrame();
}

void TStepScene::Stop() {
    Viewer.StepList = 0;
    if (OpenGLIsOpen()) {
        if (SceneList != 0) {
            glDeleteLists(SceneList, 1);
        }
        Viewer.HomeView();
    } else if (Rows) {
        Rows->Abandon();
    }
    SceneList = 0;
    Rows.reset();
    Played.reset();
    Viewer.RequestFrame();
}
