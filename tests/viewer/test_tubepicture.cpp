// The offscreen picture serves many pictures of different sizes in one process, as the bend
// sequence and the setup sheet need.
#include "bendsequence.h"
#include "sequencepicture.h"
#include "tubepicture.h"

#include <gtest/gtest.h>

using namespace tubrix;

namespace {

BendProgram InitialProgram() {
    const BendRowInput rows[InputRowCount] = {
        {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};
    BendProgram program{};
    FillBendProgram(program, 38, rows);
    return program;
}

// The box of the pixels that differ from the corner's colour.
QRect TubeBox(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST(TubePicture, ManyPicturesOfDifferentSizesInOneProcess) {
    const BendProgram program = InitialProgram();
    // Each size twice, and back to the first, so a picture left from an earlier size would show.
    const QSize sizes[] = {{200, 100}, {120, 240}, {200, 100}, {64, 64}};
    for (const QSize size : sizes) {
        const TubePicture picture = RenderTubePicture(program, {size.width(), size.height()});
        ASSERT_FALSE(picture.Image.isNull()) << picture.Error;
        ASSERT_EQ(picture.Image.size(), size);
        // The home view puts the cut at the centre: the tube is drawn across the middle of
        // every picture, whatever its size.
        const QRect box = TubeBox(picture.Image);
        EXPECT_TRUE(box.contains(size.width() / 2, size.height() / 2))
            << size.width() << "x" << size.height();
    }
}

// The step pictures of a part on a bender whose feed axis is 1050 above the floor: the floor is
// far below the head and the part small beside it, so framing the floor as well would leave the
// part a few pixels. Each step's part (what differs from the background above the floor's band)
// spans at least 40 % of the picture's width or height, and the floor is a line across the
// picture's foot. Without a floor there is no such line.
TEST(TubePicture, StepPicturesFrameThePartAboveAFarFloor) {
    constexpr int Width = 400, Height = 300;
    const BendProgram program = InitialProgram();
    for (const bool floor : {true, false}) {
        SCOPED_TRACE(floor ? "floor at 1050" : "no floor");
        MachineProfile profile;
        if (floor) {
            profile.CentrelineHeight = 1050;
        }
        const BendSequence sequence = PlayBendSequence(program, profile);
        const SequenceView view = FitSequenceView(sequence, Width, Height);
        SequenceRows rows(program);
        // The floor's line lies at the middle of the foot's band: 3 % of the height up.
        const int lineRow = Height - 1 - Height * 3 / 100;
        for (int step = 0; step < sequence.StateCount(); ++step) {
            SCOPED_TRACE(step);
            const TubePicture picture =
                RenderSequencePicture(rows, sequence, view, step, Width, Height);
            ASSERT_FALSE(picture.Image.isNull()) << picture.Error;
            const QRgb background = picture.Image.pixel(0, 0);
            QRect part;
            for (int y = 0; y < Height * 88 / 100; ++y) {
                for (int x = 0; x < Width; ++x) {
                    if (picture.Image.pixel(x, y) != background) {
                        part |= QRect(x, y, 1, 1);
                    }
                }
            }
            EXPECT_GE(std::max(part.width() * 100 / Width, part.height() * 100 / Height), 40)
                << part.width() << "x" << part.height();
            const QRgb left = picture.Image.pixel(0, lineRow);
            const bool line = left != background &&
                              picture.Image.pixel(Width / 2, lineRow) == left &&
                              picture.Image.pixel(Width - 1, lineRow) == left;
            EXPECT_EQ(line, floor);
        }
    }
}

} // namespace
