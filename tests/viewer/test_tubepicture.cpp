// The offscreen picture serves many pictures of different sizes in one process, as the bend
// sequence and the setup sheet need.
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

} // namespace
