// A measured part against its program. The parts are bent by a small bending model of the
// tests' own (a springback linear in the angle, an offset of every plane turn, a slip of the
// feed), measured as XYZ points and moved by a random rigid motion: what compare, correct and
// calibrate say is checked against the model's own numbers.
#include "measured.h"

#include "bendrows.h"
#include "programfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace tubrix;

namespace {

constexpr double Degree = std::numbers::pi / 180;

// What the model's machine does wrong: bends c to (c - Fixed) / (1 + PerDegree), turns the
// plane before every bend but the first by its offset, and feeds every straight Slip short.
struct ModelMachine {
    double Fixed = 0;
    double PerDegree = 0;
    std::vector<double> TurnOffset; // by bending row; the first is never used
    double Slip = 0;
};

Vec3 Turned(Vec3 v, Vec3 axis, double degrees) {
    // Rodrigues' formula about a unit axis.
    const double c = std::cos(degrees * Degree), s = std::sin(degrees * Degree);
    return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

// The intersection points of the part the model's machine bends from a machine program (B
// relative, b_sign 1): the start, one per bend, the end. `mirror` bends the other hand.
std::vector<Vec3> BendOnModel(const MachineProgram& machine, const ModelMachine& model,
                              bool mirror = false) {
    Vec3 p{0, 0, 0}, heading{1, 0, 0}, towards{0, 1, 0};
    std::vector<Vec3> points{p};
    double pending = 0; // straight fed since the last point, and the last bend's tangent
    std::size_t bend = 0;
    for (std::size_t i = 0; i < machine.Rows.size(); ++i) {
        const MachineRow& row = machine.Rows[i];
        const bool last = i + 1 == machine.Rows.size();
        const bool bends = !last && row.C > 0;
        const double offset =
            bends && bend > 0 && bend < model.TurnOffset.size() ? model.TurnOffset[bend] : 0;
        towards = Turned(towards, heading, (mirror ? -1 : 1) * -(row.B + offset));
        pending += row.Y - (bends || last ? model.Slip : 0);
        if (last) {
            points.push_back(p + heading * pending);
        }
        if (!bends) {
            continue;
        }
        const double c = (row.C - model.Fixed) / (1 + model.PerDegree);
        const double tangent = row.R * std::tan(c * Degree / 2);
        p = p + heading * (pending + tangent);
        points.push_back(p);
        const Vec3 next = heading * std::cos(c * Degree) + towards * std::sin(c * Degree);
        towards = towards * std::cos(c * Degree) - heading * std::sin(c * Degree);
        heading = next;
        pending = tangent;
        ++bend;
    }
    return points;
}

// A random proper rotation (from a unit quaternion) and shift, fixed by the seed.
struct Motion {
    double R[3][3];
    Vec3 T;
    Vec3 operator()(Vec3 p) const {
        return Vec3{R[0][0] * p.X + R[0][1] * p.Y + R[0][2] * p.Z,
                    R[1][0] * p.X + R[1][1] * p.Y + R[1][2] * p.Z,
                    R[2][0] * p.X + R[2][1] * p.Y + R[2][2] * p.Z} +
               T;
    }
};

Motion RandomMotion(std::mt19937_64& random) {
    std::normal_distribution<double> normal;
    double q[4];
    double norm = 0;
    for (double& x : q) {
        x = normal(random);
        norm += x * x;
    }
    for (double& x : q) {
        x /= std::sqrt(norm);
    }
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    std::uniform_real_distribution<double> shift(-500, 500);
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
             {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
             {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}},
            {shift(random), shift(random), shift(random)}};
}

std::string PointsText(const std::vector<Vec3>& points, double diameter) {
    std::string text = "diameter," + FormatNumber(diameter) + "\nX,Y,Z\n";
    for (const Vec3 p : points) {
        text += FormatNumber(p.X) + "," + FormatNumber(p.Y) + "," + FormatNumber(p.Z) + "\n";
    }
    return text;
}

ProgramRows Rows(std::vector<BendRowInput> rows, double diameter = 20) {
    return {diameter, std::move(rows)};
}

// Parts with bends in one plane and out of it, with a straight row inside one leg.
const ProgramRows Parts[] = {
    Rows({{100, 0, 90, 40}, {150, 90, 45, 40}, {120, -30, 60, 50}, {80, 0, 0, 50}}),
    Rows(
        {{60, 0, 30, 60}, {40, 0, 0, 60}, {90, 120, 75, 60}, {200, -150, 100, 45}, {50, 0, 0, 45}}),
    Rows({{250, 0, 120, 80}, {180, 0, 35, 80}, {300, 45, 20, 80}, {100, 0, 0, 80}}),
};

MachineProfile Profile(double fixed, double perDegree) {
    MachineProfile profile;
    profile.SpringbackFixed = fixed;
    profile.SpringbackPerDegree = perDegree;
    profile.MaxAngle = 200;
    return profile;
}

MachineProgram MachineOf(const ProgramRows& rows, const MachineProfile& profile) {
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(rows));
    return MakeMachineProgram(*program, profile);
}

MeasuredPart Measure(const std::vector<Vec3>& points, const ProgramRows& nominal) {
    const Result<MeasuredPart> part =
        ParseMeasuredText(PointsText(points, nominal.Diameter), "m.csv", nominal);
    EXPECT_TRUE(part) << part.Failure().ToString();
    return part ? *part : MeasuredPart{};
}

double SumOfSquares(const RigidMotion& m, const std::vector<Vec3>& from,
                    const std::vector<Vec3>& onto) {
    double sum = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const Vec3 d = m.Apply(from[i]) - onto[i];
        sum += Dot(d, d);
    }
    return sum;
}

double Farthest(const std::vector<Vec3>& a, const std::vector<Vec3>& b) {
    double far = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        far = std::max(far, Length(a[i] - b[i]));
    }
    return far;
}

TEST(Measured, CompareGivesTheModelsOffsetsBack) {
    std::mt19937_64 random(26);
    for (const ProgramRows& nominal : Parts) {
        const std::size_t bends = FindBendingRows(ProgramFromRows(nominal)).Rows.size();
        ModelMachine model{0.8, 0.02, {}, 0.7};
        std::uniform_real_distribution<double> offset(-3, 3);
        for (std::size_t k = 0; k < bends; ++k) {
            model.TurnOffset.push_back(offset(random));
        }
        const MachineProgram used = MachineOf(nominal, Profile(0, 0));
        const Motion motion = RandomMotion(random);
        std::vector<Vec3> points = BendOnModel(used, model);
        for (Vec3& p : points) {
            p = motion(p);
        }
        const Result<Comparison> c =
            CompareMeasured(nominal, Measure(points, nominal), Alignment::Best);
        ASSERT_TRUE(c) << c.Failure().Message;
        ASSERT_EQ(c->Bends.size(), bends);
        const BendingRows rows = FindBendingRows(ProgramFromRows(nominal));
        for (std::size_t k = 0; k < bends; ++k) {
            const double nominalC = nominal.Rows[static_cast<std::size_t>(rows.Rows[k].Row)].C;
            EXPECT_NEAR(c->Bends[k].DC, (nominalC - 0.8) / 1.02 - nominalC, 1e-9);
            EXPECT_NEAR(c->Bends[k].DB, k == 0 ? 0 : model.TurnOffset[k], 1e-9);
            EXPECT_NEAR(c->Bends[k].DY, -0.7, 1e-9);
            EXPECT_NEAR(c->Bends[k].DR, 0, 1e-12);
        }
        EXPECT_NEAR(c->TailDY, -0.7, 1e-9);
        EXPECT_FALSE(c->OtherHand);
        EXPECT_GT(c->Sheath.Value, 0.1);
    }
}

TEST(Measured, AlignmentUndoesTheMotionAndNoSmallChangeFitsBetter) {
    std::mt19937_64 random(4);
    const ProgramRows& nominal = Parts[1];
    const MachineProgram used = MachineOf(nominal, Profile(0, 0));
    const std::vector<Vec3> exact = BendOnModel(used, {});
    const std::vector<Vec3> bent = BendOnModel(used, {1.5, 0.01, {0, 2, -1}, 0.5});
    for (int trial = 0; trial < 5; ++trial) {
        const Motion motion = RandomMotion(random);
        std::vector<Vec3> moved = exact, movedBent = bent;
        for (std::size_t i = 0; i < moved.size(); ++i) {
            moved[i] = motion(moved[i]);
            movedBent[i] = motion(movedBent[i]);
        }
        // A perfect part: the motion found is the one applied, undone.
        const Result<RigidMotion> back = BestRigidMotion(moved, exact);
        ASSERT_TRUE(back);
        for (std::size_t i = 0; i < exact.size(); ++i) {
            EXPECT_LT(Length(back->Apply(moved[i]) - exact[i]), 1e-9);
        }
        // A bent part: every small turn about an axis through the centroid, or shift, of the
        // answer leaves a larger sum.
        const Result<RigidMotion> fit = BestRigidMotion(movedBent, exact);
        ASSERT_TRUE(fit);
        const double best = SumOfSquares(*fit, movedBent, exact);
        Vec3 centroid;
        for (const Vec3 p : exact) {
            centroid = centroid + p * (1.0 / static_cast<double>(exact.size()));
        }
        for (int axis = 0; axis < 3; ++axis) {
            for (const double step : {-1e-4, 1e-4}) {
                Vec3 unit;
                (axis == 0 ? unit.X : axis == 1 ? unit.Y : unit.Z) = 1;
                RigidMotion turned = *fit, shifted = *fit;
                shifted.Translation = shifted.Translation + unit * step;
                for (int column = 0; column < 3; ++column) {
                    Vec3 c{fit->Rotation[0][column], fit->Rotation[1][column],
                           fit->Rotation[2][column]};
                    c = Turned(c, unit, step / Degree);
                    turned.Rotation[0][column] = c.X;
                    turned.Rotation[1][column] = c.Y;
                    turned.Rotation[2][column] = c.Z;
                }
                turned.Translation =
                    centroid + Turned(fit->Translation - centroid, unit, step / Degree);
                EXPECT_GT(SumOfSquares(turned, movedBent, exact), best);
                EXPECT_GT(SumOfSquares(shifted, movedBent, exact), best);
            }
        }
    }
}

TEST(Measured, AlignmentIsRefusedWhereNoMotionIsBest) {
    const std::vector<Vec3> line{{0, 0, 0}, {1, 1, 1}, {3, 3, 3}};
    const std::vector<Vec3> two{{0, 0, 0}, {1, 0, 0}};
    EXPECT_FALSE(BestRigidMotion(line, line));
    EXPECT_FALSE(BestRigidMotion(two, two));
    // A straight tube has two points: compared as it stands, never aligned.
    const ProgramRows straight = Rows({{100, 0, 0, 10}});
    const MeasuredPart part = Measure({{0, 0, 0}, {0, 0, -100}}, straight);
    EXPECT_FALSE(CompareMeasured(straight, part, Alignment::Best));
    // A bend of 180 degrees has no point to lay the parts on.
    const ProgramRows hairpin = Rows({{100, 0, 180, 10}, {100, 0, 0, 10}});
    EXPECT_FALSE(
        CompareMeasured(hairpin, MeasuredPart{{}, hairpin, false, {}, {}}, Alignment::Best));
}

TEST(Measured, MismatchedFilesAreRefusedNamingBothCounts) {
    const ProgramRows& nominal = Parts[0];
    const std::vector<Vec3> points = BendOnModel(MachineOf(nominal, Profile(0, 0)), {});
    const std::vector<Vec3> fewer(points.begin(), points.end() - 1);
    const Result<MeasuredPart> short1 =
        ParseMeasuredText(PointsText(fewer, 20), "short.csv", nominal);
    ASSERT_FALSE(short1);
    EXPECT_EQ(short1.Failure().ToString(),
              "short.csv: the measured part has 4 points, the nominal program 5 points (its "
              "start, one per bend, its end): they must match one for one");
    const Result<MeasuredPart> program =
        ParseMeasuredText("diameter,20\nY,B,C,R\n100,0,90,40\n100,0,0,40\n", "one.csv", nominal);
    ASSERT_FALSE(program);
    EXPECT_NE(program.Failure().Message.find("1 bend, the nominal program 3 bends"),
              std::string::npos);
}

TEST(Measured, MeasuredFilesAreReadInTheNominalsUnits) {
    constexpr double Inch = 25.4;
    ProgramRows millimetres = Parts[0];
    millimetres.Units = LengthUnit::Millimetre;
    const ProgramRows unsaid = Parts[0];
    ProgramRows inches = Parts[0];
    inches.Units = LengthUnit::Inch;
    inches.Rows[0].Y = 1e307;
    // The model's points of the part in millimetres, written in inches.
    const std::vector<Vec3> points = BendOnModel(MachineOf(Parts[0], Profile(0, 0)), {});
    const auto pointsInInches = [&](const std::string& diameter) {
        std::string text = "# units: in\n" + diameter + "X,Y,Z\n";
        for (const Vec3 p : points) {
            text += FormatNumber(p.X / Inch) + "," + FormatNumber(p.Y / Inch) + "," +
                    FormatNumber(p.Z / Inch) + "\n";
        }
        return text;
    };
    const auto programInInches = [](const std::string& firstY) {
        return "# units: in\ndiameter," + FormatNumber(20 / Inch) + "\nY,B,C,R\n" + firstY +
               ",0,90," + FormatNumber(40 / Inch) + "\n" + FormatNumber(150 / Inch) + ",90,45," +
               FormatNumber(40 / Inch) + "\n" + FormatNumber(120 / Inch) + ",-30,60," +
               FormatNumber(50 / Inch) + "\n" + FormatNumber(80 / Inch) + ",0,0," +
               FormatNumber(50 / Inch) + "\n";
    };
    struct Case {
        const char* Name;
        const ProgramRows* Nominal;
        std::string Text;
        double Scale;      // the nominal's lengths times this are the part's; 0: refused
        const char* Error; // the start of the error, where refused
    };
    const Case cases[] = {
        {"inch points of a millimetre part", &millimetres, pointsInInches(""), 1, ""},
        {"a diameter line as written", &millimetres, pointsInInches("diameter,0.7874\n"), 1, ""},
        {"an inch program of a millimetre part", &millimetres,
         programInInches(FormatNumber(100 / Inch)), 1, ""},
        {"a nominal that says nothing takes inches", &unsaid,
         programInInches(FormatNumber(100 / Inch)), 1 / Inch, ""},
        {"a diameter line of another tube", &millimetres, pointsInInches("diameter,0.79\n"), 0,
         "m.csv:2:2: the diameter 0.79 differs from the one given"},
        {"no number of millimetres", &millimetres, programInInches("1e307"), 0,
         "m.csv: a length is too large for a number in mm"},
        {"a nominal of no number of millimetres", &inches, "# units: mm\n" + PointsText(points, 20),
         0, "m.csv: a length is too large for a number in mm"},
    };
    for (const Case& c : cases) {
        const Result<MeasuredPart> part = ParseMeasuredText(c.Text, "m.csv", *c.Nominal);
        if (c.Scale == 0) {
            ASSERT_FALSE(part) << c.Name;
            EXPECT_EQ(part.Failure().ToString().rfind(c.Error, 0), 0u) << part.Failure().ToString();
            continue;
        }
        ASSERT_TRUE(part) << c.Name << ": " << part.Failure().ToString();
        EXPECT_EQ(part->FileUnits, LengthUnit::Inch) << c.Name;
        EXPECT_EQ(part->Rows.Units, c.Nominal->Units ? c.Nominal->Units : LengthUnit::Inch)
            << c.Name;
        EXPECT_NEAR(part->Rows.Diameter, 20 * c.Scale, 1e-4 * 20 * c.Scale) << c.Name;
        ASSERT_EQ(part->Rows.Rows.size(), Parts[0].Rows.size()) << c.Name;
        for (std::size_t i = 0; i < Parts[0].Rows.size(); ++i) {
            EXPECT_NEAR(part->Rows.Rows[i].Y, Parts[0].Rows[i].Y * c.Scale, 1e-9) << c.Name << i;
            EXPECT_NEAR(part->Rows.Rows[i].C, Parts[0].Rows[i].C, 1e-9) << c.Name << i;
            EXPECT_NEAR(part->Rows.Rows[i].R, Parts[0].Rows[i].R * c.Scale, 1e-9) << c.Name << i;
        }
        if (part->FromPoints) {
            EXPECT_LT(Farthest(part->Points, points), 1e-9) << c.Name;
        }
    }
}

TEST(Measured, TheOtherHandIsFlagged) {
    std::mt19937_64 random(9);
    for (const bool mirror : {false, true}) {
        const ProgramRows& nominal = Parts[0];
        std::vector<Vec3> points =
            BendOnModel(MachineOf(nominal, Profile(0, 0)), {0.5, 0, {0, 1, 1}, 0.2}, mirror);
        const Motion motion = RandomMotion(random);
        for (Vec3& p : points) {
            p = motion(p);
        }
        const Result<Comparison> c =
            CompareMeasured(nominal, Measure(points, nominal), Alignment::Best);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->OtherHand, mirror);
    }
}

std::vector<Vec3> Moved(std::vector<Vec3> points, const Motion& motion, bool reversed) {
    for (Vec3& p : points) {
        p = motion(p);
    }
    if (reversed) {
        std::reverse(points.begin(), points.end());
    }
    return points;
}

// One ordinary first part (a degree of springback, a few tenths of slip), measured from either
// end, of either hand: each is read in the nominal's order, and only the right hand corrected.
TEST(Measured, WhichEndAndWhichHand) {
    std::mt19937_64 random(33);
    const ProgramRows& nominal = Parts[1];
    const MachineProfile profile = Profile(0, 0);
    const MachineProgram used = MachineOf(nominal, profile);
    const ModelMachine model{0.8, 0.02, {0, 1.5, -0.5}, 0.3};
    const Motion motion = RandomMotion(random);
    const Result<Comparison> forward =
        CompareMeasured(nominal, Measure(Moved(BendOnModel(used, model), motion, false), nominal));
    ASSERT_TRUE(forward);
    const Result<MachineProgram> forwardNext =
        CorrectedProgram(used, nominal, *forward, profile, false);
    ASSERT_TRUE(forwardNext) << forwardNext.Failure().InProgram();
    for (const bool mirror : {false, true}) {
        for (const bool reversed : {false, true}) {
            const MeasuredPart part =
                Measure(Moved(BendOnModel(used, model, mirror), motion, reversed), nominal);
            const Result<Comparison> c = CompareMeasured(nominal, part);
            ASSERT_TRUE(c);
            EXPECT_EQ(c->Reversed, reversed) << mirror;
            EXPECT_EQ(c->OtherHand, mirror) << reversed;
            const Result<MachineProgram> next = CorrectedProgram(used, nominal, *c, profile, true);
            EXPECT_EQ(bool(next), !mirror) << reversed;
            if (mirror) {
                EXPECT_NE(next.Failure().Message.find("other hand"), std::string::npos);
                continue;
            }
            ASSERT_EQ(c->Bends.size(), forward->Bends.size());
            for (std::size_t k = 0; k < c->Bends.size(); ++k) {
                EXPECT_NEAR(c->Bends[k].DY, forward->Bends[k].DY, 1e-9);
                EXPECT_NEAR(c->Bends[k].DB, forward->Bends[k].DB, 1e-9);
                EXPECT_NEAR(c->Bends[k].DC, forward->Bends[k].DC, 1e-9);
                EXPECT_NEAR(c->Bends[k].DR, forward->Bends[k].DR, 1e-9);
            }
            EXPECT_NEAR(c->TailDY, forward->TailDY, 1e-9);
            EXPECT_NEAR(c->Sheath.Value, forward->Sheath.Value, 1e-6 * nominal.Diameter);
            for (std::size_t i = 0; i < next->Rows.size(); ++i) {
                EXPECT_NEAR(next->Rows[i].Y, forwardNext->Rows[i].Y, 1e-9);
                EXPECT_NEAR(next->Rows[i].B, forwardNext->Rows[i].B, 1e-9);
                EXPECT_NEAR(next->Rows[i].C, forwardNext->Rows[i].C, 1e-9);
            }
            // Read as given, the reversed points fit no better than another part.
            if (reversed) {
                const Result<Comparison> given =
                    CompareMeasured(nominal, part, {Alignment::Best, MeasuredOrder::Given});
                ASSERT_TRUE(given);
                EXPECT_FALSE(given->Reversed);
                EXPECT_GT(given->Rms, 20 * c->Rms);
            }
        }
    }
    // A U whose two ends are alike fits both ways to rounding: it stays as given.
    const ProgramRows u = Rows({{100, 0, 90, 40}, {200, 0, 90, 40}, {100, 0, 0, 40}});
    const MachineProgram uUsed = MachineOf(u, profile);
    for (const bool reversed : {false, true}) {
        const Result<Comparison> c =
            CompareMeasured(u, Measure(Moved(BendOnModel(uUsed, model), motion, reversed), u));
        ASSERT_TRUE(c);
        EXPECT_FALSE(c->Reversed);
    }
}

// A correction past the profile's limits is refused, naming the row and the key; --force takes
// it; another part with as many points is caught by them.
TEST(Measured, ImplausibleCorrectionsAreRefused) {
    std::mt19937_64 random(35);
    const ProgramRows& nominal = Parts[0];
    MachineProfile profile = Profile(0, 0);
    const MachineProgram used = MachineOf(nominal, profile);
    const Motion motion = RandomMotion(random);
    struct Case {
        ModelMachine Model;
        const char* Key; // empty: corrected
    } const cases[] = {
        {{1.5, 0.01, {0, 2, -1}, 0.8}, ""},
        {{20, 0, {0, 0, 0}, 0}, "max_correction_angle"}, // past 10 + 0.1 * 90
        {{0, 0, {0, 11, 0}, 0}, "max_correction_plane"},
        {{0, 0, {0, 0, 0}, 10.5}, "max_correction_feed"},
    };
    for (const Case& c : cases) {
        const Result<Comparison> compared = CompareMeasured(
            nominal, Measure(Moved(BendOnModel(used, c.Model), motion, false), nominal));
        ASSERT_TRUE(compared);
        const Result<void> checked = CheckCorrectable(*compared, nominal, profile, false);
        EXPECT_EQ(bool(checked), std::string(c.Key).empty()) << c.Key;
        if (!checked) {
            EXPECT_NE(checked.Failure().Message.find(c.Key), std::string::npos)
                << checked.Failure().Message;
            EXPECT_GT(checked.Failure().Row, 0);
            EXPECT_TRUE(CheckCorrectable(*compared, nominal, profile, true));
        }
    }
    // Another part whose points are as many: its "correction" is far past every limit.
    const std::vector<Vec3> other = BendOnModel(MachineOf(Parts[2], profile), {});
    const Result<Comparison> foreign = CompareMeasured(nominal, Measure(other, nominal));
    ASSERT_TRUE(foreign);
    EXPECT_FALSE(CheckCorrectable(*foreign, nominal, profile, false));
    // fit_limit: the ordinary part's fit, a hair under and over its RMS.
    const Result<Comparison> ordinary = CompareMeasured(
        nominal, Measure(Moved(BendOnModel(used, cases[0].Model), motion, false), nominal));
    profile.FitLimit = ordinary->Rms * 1.01;
    EXPECT_TRUE(CheckCorrectable(*ordinary, nominal, profile, false));
    profile.FitLimit = ordinary->Rms * 0.99;
    const Result<void> tooFar = CheckCorrectable(*ordinary, nominal, profile, false);
    ASSERT_FALSE(tooFar);
    EXPECT_NE(tooFar.Failure().Message.find("fit_limit"), std::string::npos);
}

// What a machine program bends on a machine, turned back through its conventions and
// springback, is the nominal part again: laid on it exactly.
TEST(Measured, BentPartTurnsTheMachineProgramBack) {
    for (const auto mode :
         {MachineProfile::PlaneMode::Relative, MachineProfile::PlaneMode::Absolute}) {
        MachineProfile profile = Profile(1.5, 0.03);
        profile.BSign = -1;
        profile.BMode = mode;
        for (const ProgramRows& nominal : Parts) {
            const ProgramRows bent = BentPart(MachineOf(nominal, profile), profile);
            const Result<std::vector<Vec3>> a = WalkPoints(bent), b = WalkPoints(nominal);
            ASSERT_TRUE(a && b);
            const Result<RigidMotion> fit = BestRigidMotion(*a, *b);
            ASSERT_TRUE(fit);
            EXPECT_LT(RmsDistance(*fit, *a, *b), 1e-9);
        }
    }
}

TEST(Measured, SheathDeviationOfKnownGeometry) {
    // A perfect part, wherever it was measured, lies on the nominal once aligned.
    const ProgramRows flat = Rows({{100, 0, 90, 40}, {150, 0, 45, 40}, {80, 0, 0, 40}});
    std::vector<Vec3> points = BendOnModel(MachineOf(flat, Profile(0, 0)), {});
    for (Vec3& p : points) {
        p = p + Vec3{0, 0, 3};
    }
    const MeasuredPart part = Measure(points, flat);
    const Result<Comparison> aligned = CompareMeasured(flat, part, Alignment::Best);
    ASSERT_TRUE(aligned);
    EXPECT_NEAR(aligned->Sheath.Value, 0, 1e-6 * 20);

    // A straight tube turned by a small angle about its start, as it stands: its end is the
    // farthest, L sin(angle) from the nominal.
    const double angle = 0.01;
    const ProgramRows straight = Rows({{100, 0, 0, 10}});
    const Result<Comparison> tilted = CompareMeasured(
        straight,
        Measure({{0, 0, 0}, {100 * std::sin(angle), 0, -100 * std::cos(angle)}}, straight),
        Alignment::None);
    ASSERT_TRUE(tilted);
    EXPECT_NEAR(tilted->Sheath.Value, 100 * std::sin(angle), 1e-6 * 20);
    EXPECT_EQ(tilted->Sheath.Row, 1);
}

TEST(Measured, SheathOfAPlaneShiftIsTheShift) {
    // Both as the library walks them, the measured moved 3 across the plane of its bends.
    const ProgramRows flat = Rows({{100, 0, 90, 40}, {150, 0, 45, 40}, {80, 0, 0, 40}});
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(flat));
    const std::vector<Piece> nominal = CentrelinePieces(WalkTube(*program));
    // The walk bends within a plane through its axis; its normal from the first two legs.
    const Vec3 normal = Normalized(Cross(nominal[0].Heading, nominal[2].Heading));
    WalkFrame shift;
    shift.M[12] = normal.X * 3, shift.M[13] = normal.Y * 3, shift.M[14] = normal.Z * 3;
    std::vector<Piece> measured;
    for (const Piece& piece : nominal) {
        measured.push_back(Placed(piece, shift));
    }
    const SheathDeviation sheath = LargestDeviation(measured, nominal, 1e-6 * 20);
    EXPECT_NEAR(sheath.Value, 3, 1e-6 * 20);
    for (const PieceDeviation& piece : sheath.Pieces) {
        EXPECT_NEAR(piece.Value, 3, 1e-6 * 20);
    }
}

TEST(Measured, SheathAgreesWithDenseSamplingOfRandomParts) {
    // Sampled every L/4000 along each measured piece, the largest distance found is at most the
    // true one and within half a step of it (a distance moves no faster than its point); the
    // search's answer is within 1e-6 of the diameter of the true one.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> length(5, 80), turn(-180, 180), bend(10, 170),
        off(-0.5, 0.5);
    for (int trial = 0; trial < 6; ++trial) {
        ProgramRows nominal{20, {}};
        for (int i = 0; i < 6; ++i) {
            nominal.Rows.push_back({length(random), i == 0 ? 0 : turn(random),
                                    i == 5 ? 0 : bend(random), 30 + 10 * std::fabs(off(random))});
        }
        ProgramRows bent = nominal;
        for (BendRowInput& row : bent.Rows) {
            row.Y += off(random);
            row.C += row.C > 0 ? off(random) : 0;
            row.R += off(random);
        }
        const auto walk = [](const ProgramRows& rows) {
            return CentrelinePieces(WalkTube(ProgramFromRows(rows)));
        };
        const std::vector<Piece> nominalPieces = walk(nominal), measured = walk(bent);
        const SheathDeviation sheath = LargestDeviation(measured, nominalPieces, 1e-6 * 20);
        double sampled = 0, step = 0;
        for (const Piece& piece : measured) {
            const int samples = 4000;
            step = std::max(step, piece.Length / samples);
            for (int i = 0; i <= samples; ++i) {
                const Vec3 q = piece.At(piece.Length * i / samples);
                double nearest = INFINITY;
                for (const Piece& other : nominalPieces) {
                    nearest = std::min(nearest, DistanceToStretch(other, q, 0, other.Length));
                }
                sampled = std::max(sampled, nearest);
            }
        }
        EXPECT_GE(sheath.Value, sampled - 1e-6 * 20) << trial;
        EXPECT_LE(sheath.Value, sampled + step / 2 + 1e-6 * 20) << trial;
    }
}

// The model bends the corrected program again: the part that comes off it, against the perfect
// one the model bends with no error at all.
double ErrorAfterCorrections(const ProgramRows& nominal, const ModelMachine& model, int rounds,
                             std::vector<double>* trail = nullptr) {
    const MachineProfile profile = Profile(0, 0);
    const std::vector<Vec3> perfect = BendOnModel(MachineOf(nominal, profile), {});
    MachineProgram used = MachineOf(nominal, profile);
    double error = 0;
    for (int round = 0; round < rounds; ++round) {
        const MeasuredPart part = Measure(BendOnModel(used, model), nominal);
        const Result<MachineProgram> next =
            CorrectMachineProgram(used, nominal, part.Rows, profile);
        EXPECT_TRUE(next) << next.Failure().InProgram();
        if (!next) {
            return INFINITY;
        }
        used = *next;
        error = Farthest(BendOnModel(used, model), perfect);
        if (trail) {
            trail->push_back(error);
        }
    }
    return error;
}

TEST(Measured, CorrectRemovesFixedOffsetsInOneStep) {
    for (const ProgramRows& nominal : Parts) {
        const std::size_t bends = FindBendingRows(ProgramFromRows(nominal)).Rows.size();
        ModelMachine model{1.2, 0, std::vector<double>(bends, 0), 0.6};
        for (std::size_t k = 0; k < bends; ++k) {
            model.TurnOffset[k] = 1.5 - static_cast<double>(k);
        }
        EXPECT_LT(ErrorAfterCorrections(nominal, model, 1), 1e-8);
    }
}

TEST(Measured, CorrectConvergesForSpringbackThatGrowsWithTheAngle) {
    for (const ProgramRows& nominal : Parts) {
        const std::size_t bends = FindBendingRows(ProgramFromRows(nominal)).Rows.size();
        const ModelMachine model{0.5, 0.04, std::vector<double>(bends, 0.7), 0.3};
        std::vector<double> trail;
        ErrorAfterCorrections(nominal, model, 6, &trail);
        // The angle's error shrinks by per_degree / (1 + per_degree) each round.
        for (std::size_t i = 1; i < trail.size(); ++i) {
            EXPECT_LT(trail[i], trail[i - 1] * 0.1 + 1e-9);
        }
        EXPECT_LT(trail.back(), 1e-6);
    }
}

TEST(Measured, CorrectKeepsTheMachinesConvention) {
    // Absolute planes, turned the other way: a plane offset moves every later position.
    MachineProfile profile = Profile(0, 0);
    profile.BSign = -1;
    profile.BMode = MachineProfile::PlaneMode::Absolute;
    const ProgramRows& nominal = Parts[1];
    ProgramRows measured = nominal;
    measured.Rows[2].B += 2; // the second bend's plane 2 further round
    measured.Rows[2].C -= 1;
    measured.Rows[0].Y += 0.5;
    const MachineProgram used = MachineOf(nominal, profile);
    const Result<MachineProgram> next = CorrectMachineProgram(used, nominal, measured, profile);
    ASSERT_TRUE(next);
    const double expectedB[] = {0, 0, std::fmod(used.Rows[2].B + 2 + 360, 360.0),
                                std::fmod(used.Rows[3].B + 2 + 360, 360.0),
                                std::fmod(used.Rows[4].B + 2 + 360, 360.0)};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(next->Rows[i].B, expectedB[i], 1e-9) << i;
    }
    EXPECT_NEAR(next->Rows[2].C, used.Rows[2].C + 1, 1e-12);
    EXPECT_NEAR(next->Rows[0].Y, used.Rows[0].Y - 0.5, 1e-12);
    EXPECT_NEAR(next->CutLength, used.CutLength - 0.5, 1e-9);
}

TEST(Measured, CalibrateGivesTheModelsSpringbackBack) {
    const MachineProfile profile = Profile(0, 0);
    const ModelMachine model{1.25, 0.035, {0, 0, 0, 0}, 0};
    std::vector<BentAngle> angles;
    for (const ProgramRows& nominal : Parts) {
        const MachineProgram used = MachineOf(nominal, profile);
        const MeasuredPart part = Measure(BendOnModel(used, model), nominal);
        const Result<std::vector<BentAngle>> pair = PairBentAngles(used, part.Rows);
        ASSERT_TRUE(pair);
        angles.insert(angles.end(), pair->begin(), pair->end());
    }
    const Result<SpringbackFit> fit = FitSpringback(angles);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->Fixed, 1.25, 1e-9);
    EXPECT_NEAR(fit->PerDegree, 0.035, 1e-11);
    EXPECT_NEAR(fit->Rms, 0, 1e-9);
    EXPECT_FALSE(FitSpringback(std::vector<BentAngle>{{90, 92}, {90 + 1e-10, 93}}));
    EXPECT_FALSE(FitSpringback(std::vector<BentAngle>{}));
}

TEST(Measured, SpringbackIsWrittenKeepingEveryOtherByte) {
    struct Case {
        const char* Before;
        const char* After; // empty: refused
    };
    const Case cases[] = {
        {"# bender\nname = \"B\" # ours\n\n[springback]\nfixed = 1.5 # tuned\nper_degree = 0\n",
         "# bender\nname = \"B\" # ours\n\n[springback]\nfixed = 2.5 # tuned\nper_degree = "
         "0.01\n"},
        {"name = \"B\"\r\n[springback]\r\nfixed   =   1\r\n",
         "name = \"B\"\r\n[springback]\r\nfixed   =   2.5\r\nper_degree = 0.01\r\n"},
        {"name = \"B\"\n", "name = \"B\"\n\n[springback]\nfixed = 2.5\nper_degree = 0.01\n"},
        {"name = \"B\"", "name = \"B\"\n\n[springback]\nfixed = 2.5\nper_degree = 0.01\n"},
        {"springback.fixed = 1\nname = \"B\"\n",
         "springback.fixed = 2.5\nspringback.per_degree = 0.01\nname = \"B\"\n"},
        {"springback = { fixed = 1 }\n", ""},
    };
    for (const Case& c : cases) {
        const Result<std::string> out = SetSpringback(c.Before, "m.toml", 2.5, 0.01);
        if (*c.After == 0) {
            EXPECT_FALSE(out) << c.Before;
            continue;
        }
        ASSERT_TRUE(out) << c.Before << out.Failure().ToString();
        EXPECT_EQ(*out, c.After);
    }
    // Values the reader would refuse are not written.
    EXPECT_FALSE(SetSpringback("name = \"B\"\n", "m.toml", 60, 0));
    EXPECT_FALSE(SetSpringback("name = \"B\"\n", "m.toml", 1, 0.9));
}

TEST(Measured, UsedMachineProgramsAreReadStrictly) {
    MachineProfile profile = Profile(0, 0);
    profile.MaxAngle = 190;
    struct Case {
        const char* Text;
        const char* Error; // empty: read
    };
    const Case cases[] = {
        {"# machine: M\ndiameter,20\nY,B,C,R\n100,0,185,40\n50,0,0,40\n", ""},
        {"diameter,20\nY,B,C,R\n100,0,195,40\n50,0,0,40\n",
         "u.csv:3:3: C, the machine angle, must be from 0 to max_angle, 190"},
        {"diameter,20\n100,200,90,40\n50,0,0,40\n",
         "u.csv:2:2: B, a relative plane turn, must be above -180 and at most 180"},
        {"diameter,20\n-1,0,90,40\n50,0,0,40\n", "u.csv:2:1: Y, the feed, must be 0 or more"},
        {"diameter,20\n10,0,90,x\n", "u.csv:2:4: "},
        {"diameter,20\n10,0,90\n", "u.csv:2:4: expected 4 numbers Y,B,C,R, found 3"},
        {"# units: cm\ndiameter,20\n10,0,90,40\n50,0,0,40\n",
         "u.csv:1:10: units must be \"mm\" or \"in\", not \"cm\""},
    };
    for (const Case& c : cases) {
        const Result<MachineProgram> read = ParseMachineProgramText(c.Text, "u.csv", profile);
        if (*c.Error == 0) {
            EXPECT_TRUE(read) << read.Failure().ToString();
            continue;
        }
        ASSERT_FALSE(read) << c.Text;
        EXPECT_EQ(read.Failure().ToString().rfind(c.Error, 0), 0u) << read.Failure().ToString();
    }
    // Its units, where a units line says them, as `machine` writes it for a profile in inches.
    const Result<MachineProgram> inches = ParseMachineProgramText(
        "# machine: M\n# units: in\ndiameter,0.75\nY,B,C,R\n4,0,90,1.5\n2,0,0,1.5\n", "u.csv",
        profile);
    ASSERT_TRUE(inches) << inches.Failure().ToString();
    EXPECT_EQ(inches->Units, LengthUnit::Inch);
}

} // namespace
