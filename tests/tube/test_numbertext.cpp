// CAD round-off taken off computed numbers, and planes written inside their range, alone and
// through the program, machine and control writers.
#include "machineprogram.h"
#include "numbertext.h"
#include "posttemplate.h"
#include "programfile.h"

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

// Through the writers: a computed number loses its round-off and its plane stays in range; a
// number copied from the file comes out as it was read, digit for digit.
TEST(SnapCadNumber, WritersSnapWhatWasComputedAndKeepWhatWasRead) {
    ProgramRows rows;
    rows.Diameter = 38.099999999999994;
    rows.Rows = {{90.00000000000594, -179.99999999999997, 48.449999999999996, 457.62565104551516},
                 {0.30000000000000004, 3.24e-12, 0, 0}};
    ComputedNumbers computed;
    computed.Y = computed.B = computed.C = true;
    EXPECT_EQ(FormatProgramText(rows, std::nullopt, {}, computed),
              "# Tubrix bend program\ndiameter,38.099999999999994\nY,B,C,R\n"
              "90,180,48.45,457.62565104551516\n0.3,0,0,0\n");
    EXPECT_EQ(FormatProgramText(rows),
              "# Tubrix bend program\ndiameter,38.099999999999994\nY,B,C,R\n"
              "90.00000000000594,-179.99999999999997,48.449999999999996,457.62565104551516\n"
              "0.30000000000000004,3.24e-12,0,0\n");

    // The machine's absolute plane at the precision written; its cut length computed.
    MachineProgram machine;
    machine.BMode = MachineProfile::PlaneMode::Absolute;
    machine.Diameter = 38;
    machine.CutLength = 1234.5000000000002;
    machine.Rows = {{100, 359.9996, 91.50000000000001, 45, true}, {50, 0, 0, 45, false}};
    EXPECT_EQ(FormatMachineProgramText(machine, 3),
              "# machine: (no name)\n# cut length: 1234.5\n# B: absolute; C: the machine angle, "
              "springback included\n# Tubrix bend program\ndiameter,38\nY,B,C,R\n"
              "100,0,91.5,45\n50,0,0,45\n");
}

// A control's template writes B with its own format, then keeps it inside the range.
TEST(FormatPlane, TemplatesKeepThePlaneInRangeWhateverTheFormat) {
    struct Case {
        const char* Template;
        double B;
        PlaneRange Range;
        char Mark;
        const char* Written;
    } const cases[] = {
        {"{B:.2f}", 359.999, PlaneRange::Absolute, '.', "0.00\n"},
        {"{B:.2f}", -179.999, PlaneRange::Relative, '.', "180.00\n"},
        {"{B:.2f}", 359.99, PlaneRange::Absolute, '.', "359.99\n"},
        {"{B:*>8.1f}", 359.96, PlaneRange::Absolute, ',', "*****0,0\n"},
        {"{B:+.0f}", -179.6, PlaneRange::Relative, '.', "+180\n"},
        {"{B:08.3f}", 359.99999999999994, PlaneRange::Absolute, '.', "0000.000\n"},
    };
    for (const Case& c : cases) {
        PostFields fields;
        fields.B = c.B;
        fields.Plane = c.Range;
        const Result<std::string> written = WritePostTemplate(c.Template, fields, c.Mark);
        ASSERT_TRUE(written) << c.Template;
        EXPECT_EQ(*written, c.Written) << c.Template << " of " << c.B;
    }
}
