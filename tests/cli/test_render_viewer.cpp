// tubrix-cli render against the viewer's own frame: the same program at the home view must
// give the same picture, from the window's GL buffer under X and from the offscreen context.
#include "cliprocess.h"
#include "programfile.h"
#include "tubemodel.h"
#include "viewerhost.h"

#include <QImage>

using namespace tubrix;

namespace {

using namespace viewertest;

class RenderAgainstViewer : public ViewerHostTest {};

TEST_F(RenderAgainstViewer, OffscreenPictureMatchesTheViewersFrame) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("initial.csv"));
    clitest::WriteText(path, clitest::InitialProgramText);
    const Result<ProgramRows> rows = ReadProgramFile(path.toStdString());
    ASSERT_TRUE(rows);

    viewer->MovPal->hide();
    viewer->ViewProgram = ProgramFromRows(*rows);
    viewer->RebuildModel(true);
    viewer->RenderFrame();
    const int width = viewer->width(), height = viewer->height();
    QImage frame(width, height, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.bits());
    frame = frame.mirrored().convertToFormat(QImage::Format_RGB888);

    const clitest::CliRun run =
        clitest::RunCli({"render", "initial.csv", "-o", "cli.png"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage picture =
        QImage(folder.filePath(QStringLiteral("cli.png"))).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(picture.size(), frame.size());

    long differing = 0, tube = 0;
    const QRgb background = frame.pixel(0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb a = frame.pixel(x, y), b = picture.pixel(x, y);
            tube += a != background;
            differing += std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                         std::abs(qBlue(a) - qBlue(b)) > 2;
        }
    }
    RecordProperty("differing_pixels", static_cast<int>(differing));
    EXPECT_GT(tube, width * height / 50); // the tube is there to compare
    EXPECT_LE(differing, width * height / 100) << differing << " pixels differ";
}

} // namespace
