#include "bendsequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

using namespace tubrix;

namespace {

BendProgram Program(std::vector<BendRowInput> rows, double diameter = 38) {
    BendProgram program{};
    FillBendProgram(program, diameter, rows);
    return program;
}

const std::vector<BendRowInput> InitialRows = {
    {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};

void ExpectNear(Vec3 actual, Vec3 expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.X, expected.X, tolerance);
    EXPECT_NEAR(actual.Y, expected.Y, tolerance);
    EXPECT_NEAR(actual.Z, expected.Z, tolerance);
}

// Worked by hand: after bend 1 the lead leg stands along -y from the bend's start
// (-45, 45, 0); each feed of 30 moves the lead end along -x, the +90 degree turn about +x takes
// (y, z) to (-z, y), and each bend turns the part by -90 degrees about the die axis
// (0, 45, z), taking (x, y - 45) to (y - 45, -x).
TEST(BendSequence, InitialProgramStatesWorkedByHand) {
    const BendSequence sequence = PlayBendSequence(Program(InitialRows), MachineProfile{});
    ASSERT_EQ(sequence.Bends.size(), 4u);
    const Vec3 leadBefore[4] = {{-30, 0, 0}, {-75, 0, 75}, {-75, -75, 120}, {-150, -120, 120}};
    const Vec3 leadAfter[4] = {{-45, 75, 0}, {-45, 120, 75}, {-120, 120, 120}, {-165, 195, 120}};
    for (int m = 0; m < 4; ++m) {
        SCOPED_TRACE(m + 1);
        const SequenceBend& bend = sequence.Bends[m];
        EXPECT_EQ(bend.Row, m);
        EXPECT_EQ(bend.Feed, 30);
        EXPECT_EQ(bend.Angle, 90);
        EXPECT_EQ(bend.Rotate, m == 0 ? 0 : 90);
        if (m > 0) {
            EXPECT_NEAR(bend.Turn, 90, 1e-9);
        }
        ExpectNear(bend.Before.LeadEnd, leadBefore[m]);
        ExpectNear(bend.After.LeadEnd, leadAfter[m]);
        EXPECT_NEAR(bend.Before.LowestZ, 0, 1e-9);
        ExpectNear(bend.After.Placement.Point(sequence.Walk.Steps[m + 1].StraightStart), {});
    }
    EXPECT_NEAR(sequence.Bends[3].After.StockLength, 30, 1e-9);
}

// The other die side mirrors the machine, not the part: every state is the same placement
// turned half a turn about the feed axis, (x, y, z) to (x, -y, -z).
TEST(BendSequence, OtherDieSideTurnsEveryStateAboutX) {
    MachineProfile left;
    left.DieSide = -1;
    const BendProgram program = Program(InitialRows);
    const BendSequence right = PlayBendSequence(program, MachineProfile{});
    const BendSequence other = PlayBendSequence(program, left);
    ASSERT_EQ(other.Bends.size(), right.Bends.size());
    for (int step = 0; step < right.StateCount(); ++step) {
        SCOPED_TRACE(step);
        for (const WalkStep& row : right.Walk.Steps) {
            const Vec3 p = right.State(step).Placement.Point(row.StraightStart);
            ExpectNear(other.State(step).Placement.Point(row.StraightStart), {p.X, -p.Y, -p.Z});
        }
    }
}

// Two bends in one plane make a U whose lead leg, 200 long, reaches back over the head; fed
// only 30 before the third bend, the leg (85 from the die's axis) swings down across the feed
// axis while bending and ends lying across the stock. Fed 200, the leg lies behind the head and
// swings up over the die, clear.
TEST(BendSequence, LeadLegSwingingIntoTheStockIsFoundInTheBend) {
    const auto play = [](double feed) {
        return PlayBendSequence(
            Program({{200, 0, 90, 45}, {40, 0, 90, 45}, {feed, 0, 90, 45}, {300, 0, 0, 45}}),
            MachineProfile{});
    };
    const BendSequence hit = play(30);
    ASSERT_EQ(hit.Bends.size(), 3u);
    EXPECT_TRUE(hit.Bends[0].Contacts.empty());
    EXPECT_TRUE(hit.Bends[1].Contacts.empty());
    const auto& contacts = hit.Bends[2].Contacts;
    ASSERT_EQ(contacts.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(contacts[i].With, ContactKind::Stock);
        EXPECT_EQ(contacts[i].Phase, i == 0 ? ContactPhase::Bend : ContactPhase::After);
        EXPECT_NEAR(contacts[i].Distance, 0, 38e-6);
    }
    EXPECT_EQ(hit.FirstContact, 3);

    const BendSequence clean = play(200);
    for (const SequenceBend& bend : clean.Bends) {
        EXPECT_TRUE(bend.Contacts.empty());
    }
    EXPECT_FALSE(clean.FirstContact);
}

// Turned -90 before bend 2, the lead leg (45 + 200 below the axis at its end) hangs down to
// z = -245: 100 - 245 above a floor 100 below the axis, from the turn on and after the bend.
TEST(BendSequence, PartHangingDownMeetsTheFloorAtItsBend) {
    MachineProfile profile;
    profile.CentrelineHeight = 100;
    const BendSequence sequence =
        PlayBendSequence(Program({{200, 0, 90, 45}, {30, -90, 90, 45}, {30, 0, 0, 45}}), profile);
    ASSERT_EQ(sequence.Bends.size(), 2u);
    EXPECT_TRUE(sequence.Bends[0].Contacts.empty());
    const auto& contacts = sequence.Bends[1].Contacts;
    ASSERT_EQ(contacts.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(contacts[i].With, ContactKind::Floor);
        EXPECT_EQ(contacts[i].Phase, i == 0 ? ContactPhase::Rotate : ContactPhase::After);
        EXPECT_NEAR(contacts[i].Distance, -145, 1e-9);
    }
    EXPECT_NEAR(sequence.Bends[1].Before.LowestZ, -245, 1e-9);
}

// A turn of -170 swings the lead leg, level and 45 + 400 long, through straight down: its end
// passes 445 below the axis, 245 under a floor 200 down, while both end states keep it within
// 445 * sin(10 degrees) = 77 of the axis' height.
TEST(BendSequence, ContactInsideALongTurnIsFound) {
    MachineProfile profile;
    profile.CentrelineHeight = 200;
    const BendSequence sequence =
        PlayBendSequence(Program({{400, 0, 90, 45}, {30, -170, 90, 45}, {30, 0, 0, 45}}), profile);
    ASSERT_EQ(sequence.Bends.size(), 2u);
    const SequenceBend& bend = sequence.Bends[1];
    EXPECT_NEAR(bend.Turn, -170, 1e-9);
    EXPECT_NEAR(bend.Before.LowestZ, -445 * std::sin(10 * std::numbers::pi / 180), 1e-9);
    ASSERT_EQ(bend.Contacts.size(), 1u);
    EXPECT_EQ(bend.Contacts[0].With, ContactKind::Floor);
    EXPECT_EQ(bend.Contacts[0].Phase, ContactPhase::Rotate);
    EXPECT_NEAR(bend.Contacts[0].Distance, 200 - 445, 38e-6);

    // A half turn goes the positive way: the level leg swings up over the axis, not down.
    const BendSequence half =
        PlayBendSequence(Program({{400, 0, 90, 45}, {30, 180, 90, 45}, {30, 0, 0, 45}}), profile);
    EXPECT_EQ(half.Bends[1].Turn, 180);
    EXPECT_TRUE(half.Bends[1].Contacts.empty());
}
// Rows with C = 0 continue the straight: the feed sums their Y and the turn their B. The
// machine counts the turn with its b_sign; the tube turns the same way whatever the count.
TEST(BendSequence, StraightRowsAddToTheFeedAndTheTurn) {
    MachineProfile otherWay;
    otherWay.BSign = -1;
    const BendProgram program =
        Program({{50, 0, 90, 45}, {20, 100, 0, 45}, {30, 100, 90, 45}, {10, 0, 0, 45}});
    const BendSequence sequence = PlayBendSequence(program, otherWay);
    ASSERT_EQ(sequence.Bends.size(), 2u);
    EXPECT_EQ(sequence.Bends[1].Row, 2);
    EXPECT_EQ(sequence.Bends[1].Feed, 50);
    EXPECT_EQ(sequence.Bends[1].Rotate, 160); // -(100 + 100), brought into (-180, 180]
    EXPECT_NEAR(sequence.Bends[1].Turn, -160, 1e-9);
    // Turned -160 about +x after a feed of 50, the lead leg (along +y from (-45, 45, 0) after
    // bend 1) has its end at y = 95 cos(-160), z = 95 sin(-160).
    const double radians = -160 * std::numbers::pi / 180;
    ExpectNear(sequence.Bends[1].Before.LeadEnd,
               {-95, 95 * std::cos(radians), 95 * std::sin(radians)});
}

// The stock over a bend against a brute force. The centre line, walked again here from the
// walk's steps (each arc turned about its own axis), is sampled every 0.5 along the tube and
// swung about the die's axis in 720 steps of the bend. A point is counted once it is formed and
// pi D / 2 past the origin; the stock is the x axis from 0 to what is left unformed. The best
// samples are then refined: around each of them the nearest point along the tube and the angle
// are closed in on by golden section, so the brute force ends at configurations that exist,
// to far better than 1e-6 D. The sequence's value is the smallest over the bend, so it can be
// no larger than any of them (to its promised 1e-6 D); and no smaller than the samples, less
// what can hide between them.
struct BruteStock {
    double Sampled = std::numeric_limits<double>::infinity();
    double Refined = std::numeric_limits<double>::infinity();
};

// The centre line's point `along` from the lead end.
Vec3 CentrePoint(const TubeWalk& walk, double along) {
    for (const WalkStep& step : walk.Steps) {
        const double straight = Length(step.StraightEnd - step.StraightStart);
        if (along <= straight || (!step.Bend && &step == &walk.Steps.back())) {
            return step.StraightStart + step.Heading * along;
        }
        along -= straight;
        if (step.Bend) {
            const WalkBend& b = *step.Bend;
            if (along <= b.ArcLength) {
                const Vec3 v = step.StraightEnd - b.Centre;
                const double t = along / b.Radius;
                return b.Centre + v * std::cos(t) + Cross(b.Axis, v) * std::sin(t) +
                       b.Axis * (Dot(b.Axis, v) * (1 - std::cos(t)));
            }
            along -= b.ArcLength;
        }
    }
    return walk.Steps.back().StraightEnd;
}

// The smallest of f over [low, high] near one dip: its ends, and golden section between them.
template <typename F> double GoldenDip(const F& f, double low, double high) {
    double best = std::min(f(low), f(high));
    constexpr double Ratio = 0.6180339887498949;
    double a = low, b = high;
    double left = b - Ratio * (b - a), right = a + Ratio * (b - a);
    double fLeft = f(left), fRight = f(right);
    for (int step = 0; step < 80; ++step) {
        if (fLeft <= fRight) {
            b = right, right = left, fRight = fLeft;
            left = b - Ratio * (b - a), fLeft = f(left);
        } else {
            a = left, left = right, fLeft = fRight;
            right = a + Ratio * (b - a), fRight = f(right);
        }
    }
    return std::min({best, fLeft, fRight});
}

BruteStock BruteStockOverBend(const BendSequence& sequence, const SequenceBend& bend) {
    const double pi = std::numbers::pi;
    const double diameter = sequence.Diameter;
    const double infinite = std::numeric_limits<double>::infinity();
    std::vector<double> line; // distances from the lead end
    double along = 0;
    for (const WalkStep& step : sequence.Walk.Steps) {
        const double straight = Length(step.StraightEnd - step.StraightStart);
        for (double a = 0; a < straight; a += 0.5) {
            line.push_back(along + a);
        }
        along += straight;
        line.push_back(along);
        if (step.Bend) {
            for (double a = 0.5; a < step.Bend->ArcLength; a += 0.5) {
                line.push_back(along + a);
            }
            along += step.Bend->ArcLength;
        }
    }
    std::vector<Vec3> points;
    for (double at : line) {
        points.push_back(bend.Before.Placement.Point(CentrePoint(sequence.Walk, at)));
    }
    const int side = sequence.DieSide;
    const double radians = bend.Angle * pi / 180;
    // The distance of the point `at` along the tube to the stock with the bend at `turn`.
    const auto distance = [&](double turn, double at) {
        const double formed = bend.Before.FormedLength + bend.Radius * turn;
        if (at > formed - pi * diameter / 2 || at < 0) {
            return infinite;
        }
        const double stock = std::max(sequence.DevelopedLength - formed, 0.0);
        const Vec3 p = bend.Before.Placement.Point(CentrePoint(sequence.Walk, at));
        const double c = std::cos(-side * turn), s = std::sin(-side * turn);
        const double x = c * p.X - s * (p.Y - side * bend.Radius);
        const double y = s * p.X + c * (p.Y - side * bend.Radius) + side * bend.Radius;
        const double past = std::max({0.0, -x, x - stock});
        return std::sqrt(past * past + y * y + p.Z * p.Z);
    };
    struct Sample {
        double Distance;
        int Step;
        double At;
    };
    std::vector<Sample> samples; // per step of the bend, its nearest point
    BruteStock brute;
    constexpr int Steps = 720;
    for (int k = 0; k <= Steps; ++k) {
        const double turn = radians * k / Steps;
        const double formed = bend.Before.FormedLength + bend.Radius * turn;
        const double stock = std::max(sequence.DevelopedLength - formed, 0.0);
        const double c = std::cos(-side * turn), s = std::sin(-side * turn);
        Sample nearest{infinite, k, 0};
        for (std::size_t i = 0; i < line.size() && line[i] <= formed - pi * diameter / 2; ++i) {
            const Vec3 p = points[i];
            const double x = c * p.X - s * (p.Y - side * bend.Radius);
            const double y = s * p.X + c * (p.Y - side * bend.Radius) + side * bend.Radius;
            const double past = std::max({0.0, -x, x - stock});
            const double d = std::sqrt(past * past + y * y + p.Z * p.Z);
            if (d < nearest.Distance) {
                nearest = {d, k, line[i]};
            }
        }
        brute.Sampled = std::min(brute.Sampled, nearest.Distance);
        samples.push_back(nearest);
    }
    // Refined around the steps nearer than both neighbours, the nearest eight of them: over the
    // angle between the neighbouring steps, and along the tube within 4 of the sampled point.
    std::vector<Sample> dips;
    for (int k = 0; k <= Steps; ++k) {
        const double d = samples[static_cast<std::size_t>(k)].Distance;
        if (std::isfinite(d) &&
            (k == 0 || d <= samples[static_cast<std::size_t>(k - 1)].Distance) &&
            (k == Steps || d <= samples[static_cast<std::size_t>(k + 1)].Distance)) {
            dips.push_back(samples[static_cast<std::size_t>(k)]);
        }
    }
    std::sort(dips.begin(), dips.end(),
              [](const Sample& a, const Sample& b) { return a.Distance < b.Distance; });
    dips.resize(std::min<std::size_t>(dips.size(), 8));
    for (const Sample& dip : dips) {
        const double low = radians * std::max(dip.Step - 1, 0) / Steps;
        const double high = radians * std::min(dip.Step + 1, Steps) / Steps;
        const auto nearestAt = [&](double turn) {
            const double formed = bend.Before.FormedLength + bend.Radius * turn;
            const double last = std::min(dip.At + 4, formed - pi * diameter / 2);
            const double first = std::max(dip.At - 4, 0.0);
            if (!(last >= first)) {
                return infinite;
            }
            return GoldenDip([&](double at) { return distance(turn, at); }, first, last);
        };
        brute.Refined = std::min(brute.Refined, GoldenDip(nearestAt, low, high));
    }
    return brute;
}

// The sequence's stock distances over each bend against the brute force, for a program on both
// die sides.
int CompareStockOverBends(const BendProgram& program, int dieSide) {
    MachineProfile profile;
    profile.DieSide = dieSide;
    const BendSequence sequence = PlayBendSequence(program, profile);
    const double diameter = sequence.Diameter;
    int compared = 0;
    for (const SequenceBend& bend : sequence.Bends) {
        const auto contact = [&](ContactPhase phase) {
            return std::find_if(bend.Contacts.begin(), bend.Contacts.end(),
                                [&](const SequenceContact& c) {
                                    return c.With == ContactKind::Stock && c.Phase == phase;
                                });
        };
        if (contact(ContactPhase::Rotate) != bend.Contacts.end()) {
            continue; // the bend's own value is not kept then
        }
        SCOPED_TRACE(testing::Message() << "die side " << dieSide << " row " << bend.Row + 1);
        const BruteStock brute = BruteStockOverBend(sequence, bend);
        const auto inBend = contact(ContactPhase::Bend);
        const double found = inBend != bend.Contacts.end()
                                 ? inBend->Distance
                                 : std::numeric_limits<double>::infinity();
        if (brute.Refined < diameter - 1e-9) {
            ++compared;
            EXPECT_LE(found, brute.Refined + 1e-6 * diameter)
                << std::setprecision(10) << "found " << found << ", brute force " << brute.Refined;
            EXPECT_GE(found, brute.Sampled - 2); // what the samples can miss between them
        } else {
            EXPECT_GE(found, diameter * (1 - 1e-6));
        }
    }
    return compared;
}

// Found on the floor (diameter 36.45, die_side -1): 2.11366398 given over bend 3 where
// 2.11358184 is reached. The bracket's tolerance was fixed in squared distance (2e-3 D^2, 2.66
// here against 4.47 for the distance squared), so the flat bottom of the dip was left in 39
// stretches; only the four with the lowest bounds were refined, and the nearest approach lay
// in the eighth. A part that comes nearer still had no bracket at all.
const std::vector<BendRowInput> FoundPart = {
    {135.8238531328689, 90, 32.83615205244605, 87.80837151371409},
    {137.74735217293738, 90, 132.5975968458714, 60.66910631900811},
    {9.165967482053317, 0, 174.18209262292456, 115.05395255019059},
    {168.6460816979647, 18.841640957494434, 139.5342884244766, 52.86456858583115},
    {118.59399191175824, 90, 86.02725228610078, 76.69443632551223},
    {63.54838691070728, 90, 170.3396898720057, 85.83950527964127},
    {161.4897161485752, 90, 103.33565896923339, 108.6694340860474},
    {36.20703593955661, -127.95711547729445, 51.819364920209644, 96.78441468463802},
    {94.27104855001458, -90, 113.87777498905027, 60.02589738083769},
    {31.656374868899604, 0, 0, 35.52306368774014}};

// Programs of whole numbers, as they are mostly typed, and of any, as they come from CAD; the
// found part and parts like it, its numbers moved by up to 2 %, whose lead leg passes the stock
// at other distances and angles. Both die sides, the found part on each.
TEST(BendSequence, StockOverTheBendIsNoFartherThanABruteForceFinds) {
    std::mt19937 random(17);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto real = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    int compared = 0;
    for (int part = 0; part < 12; ++part) {
        std::vector<BendRowInput> rows;
        for (int row = 0; row < 7; ++row) {
            rows.push_back(
                {static_cast<double>(uniform(0, 120)), static_cast<double>(uniform(-180, 180)),
                 static_cast<double>(uniform(20, 180)), static_cast<double>(uniform(20, 60))});
        }
        rows.push_back({40, 0, 0, 30});
        SCOPED_TRACE(testing::Message() << "whole part " << part);
        compared += CompareStockOverBends(Program(rows, 25), part % 2 ? -1 : 1);
    }
    for (int part = 0; part < 24; ++part) {
        std::vector<BendRowInput> rows;
        for (int row = 0; row < 9; ++row) {
            const double plane = uniform(0, 3) == 0 ? real(-180, 180) : 90.0 * uniform(-1, 2);
            rows.push_back({real(0, 170), plane, real(20, 180), real(35, 120)});
        }
        rows.push_back({real(20, 60), 0, 0, 35});
        SCOPED_TRACE(testing::Message() << "part " << part);
        compared += CompareStockOverBends(Program(rows, real(15, 40)), part % 2 ? -1 : 1);
    }
    EXPECT_GE(compared, 20); // the parts do come near their stock

    for (const int side : {-1, 1}) {
        SCOPED_TRACE("the found part");
        EXPECT_GE(CompareStockOverBends(Program(FoundPart, 36.45), side), 1);
    }
    for (int part = 0; part < 16; ++part) {
        std::vector<BendRowInput> rows;
        for (const BendRowInput& row : FoundPart) {
            rows.push_back({row.Y * real(0.98, 1.02), row.B * real(0.98, 1.02),
                            row.C * real(0.98, 1.02), row.R * real(0.98, 1.02)});
        }
        rows.back().C = 0;
        SCOPED_TRACE(testing::Message() << "part " << part << " like the found one");
        EXPECT_GE(CompareStockOverBends(Program(rows, 36.45 * real(0.98, 1.02)), part % 2 ? -1 : 1),
                  1);
    }
}

// check's findings: one per bend and kind, the smallest distance over the bend's phases, on
// the bending row, with the limit D or D / 2.
TEST(BendSequence, ContactsAsFindings) {
    MachineProfile profile;
    profile.CentrelineHeight = 100;
    const BendSequence sequence =
        PlayBendSequence(Program({{200, 0, 90, 45}, {30, -90, 90, 45}, {30, 0, 0, 45}}), profile);
    const std::vector<Finding> findings = SequenceFindings(sequence);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Rule, FindingRule::Floor);
    EXPECT_EQ(findings[0].Row, 2);
    EXPECT_NEAR(findings[0].Value, -145, 1e-9);
    EXPECT_EQ(findings[0].Limit, 19);
    EXPECT_EQ(FindingLine(findings[0]),
              "row 2: floor: part above the floor in the plane turn -145 < 19");
}
} // namespace
