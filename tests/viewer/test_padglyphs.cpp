// The navigation pad's glyphs: drawn at the size and device pixel ratio asked, in the right
// colours and directions, and greyed when disabled. Runs on the offscreen platform, no display.
#include "padglyphs.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::array AllGlyphs = {PadGlyph::TurnLeftC, PadGlyph::TurnUp,   PadGlyph::TurnRightC,
                                  PadGlyph::TurnLeft,  PadGlyph::Rest,     PadGlyph::TurnRight,
                                  PadGlyph::ZoomOut,   PadGlyph::TurnDown, PadGlyph::ZoomIn,
                                  PadGlyph::PanRight,  PadGlyph::PanUp,    PadGlyph::PanLeft,
                                  PadGlyph::PanDown,   PadGlyph::Zoo};

std::string Name(PadGlyph glyph) {
    return "glyph " + std::to_string(static_cast<int>(glyph));
}

// Straight, unpremultiplied pixels, so colour checks see the drawn colour, not its coverage.
QImage Render(PadGlyph glyph, int size = PadGlyphSize, QIcon::Mode mode = QIcon::Normal) {
    return PadGlyphIcon(glyph)
        .pixmap(QSize(size, size), mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

// Pixels solid enough that their colour means something.
void ForSolid(const QImage& image, const std::function<void(int, int, QRgb)>& visit) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) >= 128) {
                visit(x, y, p);
            }
        }
    }
}

bool IsRed(QRgb p) {
    return qRed(p) >= 150 && qGreen(p) <= 90 && qBlue(p) <= 90;
}
bool IsBlue(QRgb p) {
    return qBlue(p) >= 150 && qRed(p) <= 90 && qGreen(p) <= 130;
}
bool IsDark(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) <= 70;
}
int Chroma(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
}

struct Spot {
    int count = 0;
    double x = 0, y = 0; // centroid
};

Spot Where(const QImage& image, bool (*is)(QRgb)) {
    Spot s;
    ForSolid(image, [&](int x, int y, QRgb p) {
        if (is(p)) {
            ++s.count;
            s.x += x;
            s.y += y;
        }
    });
    if (s.count > 0) {
        s.x /= s.count;
        s.y /= s.count;
    }
    return s;
}

int PaintedPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qAlpha(image.pixel(x, y)) > 0;
        }
    }
    return n;
}

// Alpha summed over a region, for comparing where a drawing has its mass.
long Mass(const QImage& image, const QRect& region) {
    long sum = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            sum += qAlpha(image.pixel(x, y));
        }
    }
    return sum;
}

constexpr double Centre = (PadGlyphSize - 1) / 2.0; // the middle of the pixel rows and columns

class PadGlyphsTest : public testing::Test {
public:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "test_padglyphs";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    static void TearDownTestSuite() { app.reset(); }

private:
    static inline std::unique_ptr<QGuiApplication> app;
};

TEST_F(PadGlyphsTest, EveryGlyphPaintsAtItsSizeAndNoneIsNull) {
    for (const PadGlyph glyph : AllGlyphs) {
        SCOPED_TRACE(Name(glyph));
        const QIcon icon = PadGlyphIcon(glyph);
        ASSERT_FALSE(icon.isNull());
        const QPixmap pixmap = icon.pixmap(QSize(PadGlyphSize, PadGlyphSize));
        EXPECT_EQ(pixmap.size(), QSize(16, 16));
        EXPECT_EQ(pixmap.devicePixelRatio(), 1.0);
        const QImage image = pixmap.toImage();
        EXPECT_GE(PaintedPixels(image), 30);
        EXPECT_LT(PaintedPixels(image), 16 * 16); // a glyph, not a filled square
    }
    EXPECT_TRUE(PadGlyphIcon(PadGlyph::None).isNull());
    EXPECT_TRUE(PadGlyphIcon(PadGlyph::None).pixmap(QSize(16, 16)).isNull());
}

TEST_F(PadGlyphsTest, RatioTwoIsDrawnAtDevicePixelsNotUpscaled) {
    for (const PadGlyph glyph : AllGlyphs) {
        SCOPED_TRACE(Name(glyph));
        const QIcon icon = PadGlyphIcon(glyph);
        const QPixmap pixmap = icon.pixmap(QSize(16, 16), 2.0);
        ASSERT_EQ(pixmap.size(), QSize(32, 32));
        EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);
        EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(16, 16));

        // A 16 pixel image blown up fills every 2 x 2 block with one value; a drawing made at 32
        // pixels has its edges fall inside blocks.
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int splitBlocks = 0;
        for (int y = 0; y < 32; y += 2) {
            for (int x = 0; x < 32; x += 2) {
                const std::array a = {qAlpha(image.pixel(x, y)), qAlpha(image.pixel(x + 1, y)),
                                      qAlpha(image.pixel(x, y + 1)),
                                      qAlpha(image.pixel(x + 1, y + 1))};
                splitBlocks += *std::ranges::max_element(a) - *std::ranges::min_element(a) > 32;
            }
        }
        EXPECT_GE(splitBlocks, 8);

        // And it is the very drawing asked for at 32 pixels.
        const QImage direct =
            icon.pixmap(QSize(32, 32), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image, direct);
    }
}

TEST_F(PadGlyphsTest, PaintScalesIntoTheTargetRectOnly) {
    QImage canvas(64, 64, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    const QRect target(16, 8, 32, 32);
    {
        QPainter painter(&canvas);
        PadGlyphIcon(PadGlyph::Rest).paint(&painter, target);
    }
    QRect painted;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (qAlpha(canvas.pixel(x, y)) > 0) {
                painted |= QRect(x, y, 1, 1);
            }
        }
    }
    EXPECT_TRUE(target.contains(painted));
    // The globe fills most of its square at any size.
    EXPECT_GE(painted.width(), 24);
    EXPECT_GE(painted.height(), 24);
}

TEST_F(PadGlyphsTest, AnOblongRequestGetsTheGlyphCentred) {
    const QImage image = PadGlyphIcon(PadGlyph::Rest)
                             .pixmap(QSize(32, 16))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(32, 16));
    EXPECT_EQ(Mass(image, QRect(0, 0, 8, 16)), 0);
    EXPECT_EQ(Mass(image, QRect(24, 0, 8, 16)), 0);
    EXPECT_GT(Mass(image, QRect(8, 0, 16, 16)), 0);
}

TEST_F(PadGlyphsTest, TurnArrowsAreRedOnly) {
    for (const PadGlyph glyph : {PadGlyph::TurnLeftC, PadGlyph::TurnRightC, PadGlyph::TurnUp,
                                 PadGlyph::TurnDown, PadGlyph::TurnLeft, PadGlyph::TurnRight}) {
        SCOPED_TRACE(Name(glyph));
        const QImage image = Render(glyph);
        EXPECT_GE(Where(image, IsRed).count, 10);
        EXPECT_EQ(Where(image, IsBlue).count, 0);
    }
}

TEST_F(PadGlyphsTest, GlyphColours) {
    const QImage rest = Render(PadGlyph::Rest);
    EXPECT_GE(Where(rest, IsBlue).count, 20);
    EXPECT_EQ(Where(rest, IsRed).count, 0);

    for (const PadGlyph glyph :
         {PadGlyph::PanRight, PadGlyph::PanUp, PadGlyph::PanLeft, PadGlyph::PanDown}) {
        SCOPED_TRACE(Name(glyph));
        const QImage image = Render(glyph);
        EXPECT_GE(Where(image, IsRed).count, 6);
        EXPECT_GE(Where(image, IsBlue).count, 4);
    }

    // Black letters with the red arrow above them.
    const QImage zoo = Render(PadGlyph::Zoo);
    const Spot dark = Where(zoo, IsDark);
    const Spot red = Where(zoo, IsRed);
    EXPECT_GE(dark.count, 10);
    EXPECT_GE(red.count, 3);
    EXPECT_LT(red.y + 4, dark.y);
}

TEST_F(PadGlyphsTest, ZooHasALargeLetterBesideASmallOne) {
    // Columns holding dark pixels fall into one run per letter, read left to right.
    const QImage zoo = Render(PadGlyph::Zoo, 32);
    std::vector<QRect> letters;
    bool inLetter = false;
    for (int x = 0; x < 32; ++x) {
        QRect column;
        for (int y = 0; y < 32; ++y) {
            const QRgb p = zoo.pixel(x, y);
            if (qAlpha(p) >= 128 && IsDark(p)) {
                column |= QRect(x, y, 1, 1);
            }
        }
        if (!column.isEmpty() && !inLetter) {
            letters.push_back(column);
        } else if (!column.isEmpty()) {
            letters.back() |= column;
        }
        inLetter = !column.isEmpty();
    }
    ASSERT_EQ(letters.size(), 2u);
    const QRect& large = letters[0];
    const QRect& small = letters[1];
    EXPECT_GE(large.height(), small.height() * 4 / 3);
    EXPECT_GE(large.width(), small.width() * 4 / 3);
    EXPECT_NEAR(large.bottom(), small.bottom(), 1); // on one baseline
}

// The pixels of `image` read with u running from the arrow's tip side and v across it, so one
// check serves all four directions.
double AlphaAt(const QImage& image, PadGlyph glyph, int u, int v) {
    const int far = PadGlyphSize - 1 - u;
    switch (glyph) {
    case PadGlyph::TurnLeft:
        return qAlpha(image.pixel(u, v));
    case PadGlyph::TurnRight:
        return qAlpha(image.pixel(far, v));
    case PadGlyph::TurnUp:
        return qAlpha(image.pixel(v, u));
    default:
        return qAlpha(image.pixel(v, far));
    }
}

TEST_F(PadGlyphsTest, StraightArrowsPointTheirWay) {
    for (const PadGlyph glyph :
         {PadGlyph::TurnLeft, PadGlyph::TurnRight, PadGlyph::TurnUp, PadGlyph::TurnDown}) {
        SCOPED_TRACE(Name(glyph));
        const QImage image = Render(glyph);
        // The first painted line from the tip side holds just the tip, in the middle.
        int tipLine = -1;
        for (int u = 0; u < PadGlyphSize && tipLine < 0; ++u) {
            for (int v = 0; v < PadGlyphSize; ++v) {
                if (AlphaAt(image, glyph, u, v) >= 96) {
                    tipLine = u;
                }
            }
        }
        ASSERT_GE(tipLine, 0);
        double sum = 0, weighted = 0;
        for (int v = 0; v < PadGlyphSize; ++v) {
            sum += AlphaAt(image, glyph, tipLine, v);
            weighted += v * AlphaAt(image, glyph, tipLine, v);
        }
        EXPECT_NEAR(weighted / sum, Centre, 1.0);
        EXPECT_LE(tipLine, 3);

        // From the tip the head widens fast, then the shaft runs on narrower to the tail end.
        std::array<int, PadGlyphSize> width{};
        for (int u = 0; u < PadGlyphSize; ++u) {
            for (int v = 0; v < PadGlyphSize; ++v) {
                width[u] += AlphaAt(image, glyph, u, v) >= 128;
            }
        }
        EXPECT_LE(width[tipLine], 2);
        EXPECT_GE(width[tipLine + 5], width[tipLine] + 5);
        const int head = *std::ranges::max_element(width);
        EXPECT_GE(head, 2 * *std::max_element(width.begin() + 12, width.end()));
    }
}

TEST_F(PadGlyphsTest, CircularArrowsHaveTheirHeadsAtTheUpperCorners) {
    const QRect upperLeft(0, 0, 8, 8), upperRight(8, 0, 8, 8);
    const QImage left = Render(PadGlyph::TurnLeftC, 32);
    const QImage right = Render(PadGlyph::TurnRightC, 32);
    const auto scaled = [](const QRect& r) { return QRect(r.topLeft() * 2, r.size() * 2); };
    EXPECT_GT(Mass(left, scaled(upperLeft)), Mass(left, scaled(upperRight)) * 5 / 4);
    EXPECT_GT(Mass(right, scaled(upperRight)), Mass(right, scaled(upperLeft)) * 5 / 4);

    // Each is the other seen in a mirror.
    const QImage mirrored = left.mirrored(true, false);
    int differing = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            differing += std::abs(qAlpha(mirrored.pixel(x, y)) - qAlpha(right.pixel(x, y))) > 48;
        }
    }
    EXPECT_LE(differing, 4);
    EXPECT_NE(left, right);
}

TEST_F(PadGlyphsTest, PanHeadsSitOnTheSideTheyPointTo) {
    struct Case {
        PadGlyph glyph;
        double dx, dy; // expected side of the head's centroid from the middle
    };
    for (const Case c : {Case{PadGlyph::PanRight, 1, 0}, Case{PadGlyph::PanLeft, -1, 0},
                         Case{PadGlyph::PanUp, 0, -1}, Case{PadGlyph::PanDown, 0, 1}}) {
        SCOPED_TRACE(Name(c.glyph));
        const Spot head = Where(Render(c.glyph), IsBlue);
        ASSERT_GT(head.count, 0);
        const double x = head.x - Centre, y = head.y - Centre;
        if (c.dx != 0) {
            EXPECT_GT(x * c.dx, 1.5);
            EXPECT_NEAR(y, 0, 1.0);
        } else {
            EXPECT_GT(y * c.dy, 1.5);
            EXPECT_NEAR(x, 0, 1.0);
        }
    }
}

TEST_F(PadGlyphsTest, DisabledGlyphsAreLightGreys) {
    for (const PadGlyph glyph : AllGlyphs) {
        SCOPED_TRACE(Name(glyph));
        const QImage normal = Render(glyph);
        const QImage disabled = Render(glyph, PadGlyphSize, QIcon::Disabled);
        int normalChroma = 0, disabledChroma = 0, darkest = 255;
        ForSolid(normal,
                 [&](int, int, QRgb p) { normalChroma = std::max(normalChroma, Chroma(p)); });
        ForSolid(disabled, [&](int, int, QRgb p) {
            disabledChroma = std::max(disabledChroma, Chroma(p));
            darkest = std::min(darkest, qGray(p));
        });
        EXPECT_LE(disabledChroma, 8);
        EXPECT_GE(darkest, 120);
        // Same shape: the greying touches colour only.
        EXPECT_EQ(PaintedPixels(disabled), PaintedPixels(normal));
        if (glyph != PadGlyph::ZoomIn && glyph != PadGlyph::ZoomOut) {
            EXPECT_GE(normalChroma, 100); // the magnifiers alone are black and white
        }
    }
}

TEST_F(PadGlyphsTest, ZoomInHasTheUprightBarZoomOutLacks) {
    const QImage in = Render(PadGlyph::ZoomIn, 32);
    const QImage out = Render(PadGlyph::ZoomOut, 32);
    QRect extra;
    int count = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb a = in.pixel(x, y), b = out.pixel(x, y);
            const bool darkIn = qAlpha(a) >= 128 && IsDark(a);
            const bool darkOut = qAlpha(b) >= 128 && IsDark(b);
            EXPECT_FALSE(darkOut && !darkIn) << x << "," << y; // the minus is part of the plus
            if (darkIn && !darkOut) {
                extra |= QRect(x, y, 1, 1);
                ++count;
            }
        }
    }
    EXPECT_GE(count, 6);
    EXPECT_GT(extra.height(), 2 * extra.width());
}

TEST_F(PadGlyphsTest, ACopiedIconKeepsDrawingAfterItDetaches) {
    const QIcon icon = PadGlyphIcon(PadGlyph::Zoo);
    QIcon copy = icon;
    copy.setIsMask(false); // detaching clones the engine
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(copy.pixmap(QSize(16, 16)).toImage(), icon.pixmap(QSize(16, 16)).toImage());
}

} // namespace
