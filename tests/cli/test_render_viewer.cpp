// tubrix-cli render against the viewer's own frame: the same program at the home view must
// give the same picture, from the window's GL buffer under X and from the offscreen context.
#include "cliprocess.h"
#include "programfile.h"
#include "tubemodel.h"
#include "viewerhost.h"

#include <QFile>
#include <QImage>

#include <utility>
#include <vector>

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

// A 22-row chair frame of 10 mm tube: at the home view its tube is thinner than two pixels.
const std::string ThinFrameText =
    "diameter,10\nY,B,C,R\n88.3,0,90,30\n78.6,0,30,30\n125.9,-90,30,20\n122.4,-90,60,20\n"
    "159.2,-90,45,20\n101.5,0,45,20\n102.25,90,30,30\n103.75,-90,60,20\n81.3,180,60,20\n"
    "173.3,45,60,20\n169.1,45,60,20\n109.7,45,60,30\n114.2,90,60,30\n157.5,0,30,20\n"
    "115.5,-90,90,30\n77.4,-30,45,20\n109.5,90,90,30\n82.0,180,60,20\n168.5,0,30,20\n"
    "93.3,45,45,20\n99.7,90,60,30\n120,0,0,30\n";

// The tube's pixels: those that stand out from the background (the corner's colour) by more
// than a faint shade, 60 over the three channels; a tube gone to specks of grazing light is
// made of pixels within that of the background. Their 8-connected pieces, counted by flood fill.
int TubePieces(const QImage& image, int& pixels) {
    const QRgb background = image.pixel(0, 0);
    const auto isTube = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        return std::abs(qRed(c) - qRed(background)) + std::abs(qGreen(c) - qGreen(background)) +
                   std::abs(qBlue(c) - qBlue(background)) >
               60;
    };
    std::vector<char> seen(static_cast<std::size_t>(image.width() * image.height()), 0);
    int pieces = 0;
    pixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (seen[static_cast<std::size_t>(y * image.width() + x)] || !isTube(x, y)) {
                continue;
            }
            ++pieces;
            std::vector<std::pair<int, int>> stack{{x, y}};
            seen[static_cast<std::size_t>(y * image.width() + x)] = 1;
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                ++pixels;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx, ny = py + dy;
                        if (nx < 0 || ny < 0 || nx >= image.width() || ny >= image.height()) {
                            continue;
                        }
                        char& mark = seen[static_cast<std::size_t>(ny * image.width() + nx)];
                        if (!mark && isTube(nx, ny)) {
                            mark = 1;
                            stack.push_back({nx, ny});
                        }
                    }
                }
            }
        }
    }
    return pieces;
}

QImage ReadFrame(const TFrmSimPipe& viewer) {
    QImage frame(viewer.width(), viewer.height(), QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, viewer.width(), viewer.height(), GL_RGBA, GL_UNSIGNED_BYTE, frame.bits());
    return frame.mirrored().convertToFormat(QImage::Format_RGB888);
}

// The frame's tube, thinner than a pixel or two, is one unbroken line in render's picture (the
// same bytes every run) and in the viewer's frame alike. Its centre line is about 3 m long at
// some 0.14 pixels a millimetre: a line of at least 300 pixels.
TEST_F(RenderAgainstViewer, ThinTubeIsOneUnbrokenLine) {
    QTemporaryDir folder;
    clitest::WriteText(folder.filePath(QStringLiteral("frame.csv")), ThinFrameText);
    QByteArray runs[2];
    for (int run = 0; run < 2; ++run) {
        const std::string name = "frame" + std::to_string(run) + ".png";
        const clitest::CliRun rendered =
            clitest::RunCli({"render", "frame.csv", "-o", name}, folder.path());
        ASSERT_EQ(rendered.Status, 0) << rendered.Err;
        QFile png(folder.filePath(QString::fromStdString(name)));
        ASSERT_TRUE(png.open(QIODevice::ReadOnly));
        runs[run] = png.readAll();
    }
    EXPECT_EQ(runs[0], runs[1]) << "the picture is the same bytes run to run";

    const Result<ProgramRows> rows =
        ReadProgramFile(folder.filePath(QStringLiteral("frame.csv")).toStdString());
    ASSERT_TRUE(rows);
    viewer->MovPal->hide();
    viewer->ViewProgram = ProgramFromRows(*rows);
    viewer->RebuildModel(true);
    viewer->RenderFrame();
    const QImage pictures[] = {QImage::fromData(runs[0]).convertToFormat(QImage::Format_RGB888),
                               ReadFrame(*viewer)};
    for (const QImage& picture : pictures) {
        int pixels = 0;
        EXPECT_EQ(TubePieces(picture, pixels), 1);
        EXPECT_GE(pixels, 300);
    }
}

} // namespace
