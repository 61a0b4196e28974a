// CAD round-off taken off computed numbers, and planes written inside their range.
#include "numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tubrix;

TEST(SnapCadNumber, TakesOffRoundOffAndKeepsRealDigits) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double In;
        double Out;
    } const cases[] = {
        {90.00000000000594, 90},
        {38.099999999999994, 38.1},
        {48.449999999999996, 48.45},
        {3.24e-12, 0},
        {-3.24e-12, 0},
        {457.62565104551516, 457.62565104551516}, // a real length, not noise
        {-179.99999999999997, -180},
        {0.1234567, 0.1234567},                   // seven places: more than six, kept as it is
        {12345678.000000002, 12345678.000000002}, // rounds to tens, 12345680: too far
        {1e308, 1e308},
        {inf, inf},
    };
    for (const Case& c : cases) {
        const double snapped = SnapCadNumber(c.In);
        EXPECT_EQ(snapped, c.Out) << c.In;
        EXPECT_FALSE(std::signbit(snapped) && snapped == 0) << c.In;
    }
    EXPECT_TRUE(std::isnan(SnapCadNumber(std::nan(""))));
}

TEST(FormatPlane, WritesInsideTheRangeAtThePrecisionWritten) {
    const auto twoDecimals = [](double v) { return FormatNumber(v, 2); };
    const auto full = [](double v) { return FormatNumber(v); };
    EXPECT_EQ(FormatPlane(359.999, PlaneRange::Absolute, twoDecimals), "0");
    EXPECT_EQ(FormatPlane(359.99, PlaneRange::Absolute, twoDecimals), "359.99");
    EXPECT_EQ(FormatPlane(359.99999999999994, PlaneRange::Absolute, full), "0");
    EXPECT_EQ(FormatPlane(-179.999, PlaneRange::Relative, twoDecimals), "180");
    EXPECT_EQ(FormatPlane(180, PlaneRange::Relative, twoDecimals), "180");
    EXPECT_EQ(FormatPlane(3.24e-12, PlaneRange::Relative, full), "0");
    // A control's own decimal comma reads back too.
    const auto comma = [](double v) {
        std::string text = FormatNumber(v, 1);
        for (char& c : text) {
            c = c == '.' ? ',' : c;
        }
        return text;
    };
    EXPECT_EQ(FormatPlane(359.96, PlaneRange::Absolute, comma), "0");
}
