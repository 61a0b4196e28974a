#include "findings.h"

#include "bendrows.h"
#include "centreline.h"
#include "springback.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace tubrix {

namespace {

constexpr double DiameterTolerance = 1e-9; // of the tooling's diameter

// A finding with its message, which every front shows in English; each front that speaks
// another language makes it anew from the same fields (FindingMessage).
Finding Make(FindingRule rule, int row, double value, std::optional<double> limit,
             std::vector<double> dies = {}) {
    Finding finding;
    finding.Rule = rule;
    finding.Row = row;
    finding.Value = value;
    finding.Limit = limit;
    finding.Dies = std::move(dies);
    finding.Message = FindingMessage(finding, Language::English);
    return finding;
}

// "45, 76"; in German, whose numbers hold commas, "45; 76".
std::string DieList(const std::vector<double>& radii, Language language) {
    std::string list;
    for (double radius : radii) {
        list += (list.empty()                   ? ""
                 : language == Language::German ? "; "
                                                : ", ") +
                FindingNumber(radius, language);
    }
    return list;
}

// The rules' names as the operator reads them.
constexpr Wording RuleTitles[] = {
    {"diameter", "Durchmesser"}, {"die", "Biegeform"},     {"angle", "Winkel"},
    {"clamp", "Spannlänge"},     {"tail", "Endstück"},     {"length", "Länge"},
    {"fold", "Faltenbildung"},   {"contact", "Berührung"}, {"stock", "Rohrstange"},
    {"floor", "Boden"},
};

bool HasDie(const MachineProfile& profile, double r) {
    return std::any_of(profile.Radii.begin(), profile.Radii.end(),
                       [&](double die) { return std::fabs(r - die) <= profile.RadiusTolerance; });
}

// ---- Contact ------------------------------------------------------------------------------
//
// The centre line's pieces of some length, the straight and the arc of each row, each placed by
// where it starts and ends along the tube. Two points count only when they are more than
// pi * D / 2 apart along the tube: closer points are neighbours on one smooth curve, and a
// curve bent no tighter than the tube allows cannot come back within D in that length.
//
// For a pair of pieces, each bounded by a sphere, pairs whose spheres are D or more apart are
// culled. For the rest the smallest distance is found as a one-dimensional minimisation over
// one piece (the outer) of the exact distance from its point to the part of the other piece
// (the inner) that lies far enough along the tube.
// - Segment and segment: that distance is convex along the outer segment (a convex function
//   of both points over a convex set), so a golden-section search finds the minimum.
// - With an arc, the arc is the outer piece: its distance is sampled every few degrees, and
//   around each sampled local minimum that could fall below D (the distance changes by at
//   most twice the step between samples) a golden-section search closes in to 1e-10 * D
//   along the tube, which puts the distance within far less than 1e-9 * D of the true
//   minimum as long as no two minima lie within one sample step.

// Radians of the outer arc between samples.
constexpr double SampleStep = 3 * std::numbers::pi / 180;
constexpr int MaxGoldenSteps = 200;

// The pieces the search measures, in order along the tube: those of some length (a straight of
// Y = 0 or a bend of radius 0 is a point of its neighbours); none when a number is out of reach.
std::vector<Piece> ContactPieces(const TubeWalk& walk) {
    std::vector<Piece> pieces = CentrelinePieces(walk);
    std::erase_if(pieces,
                  [](const Piece& p) { return !(p.Length > 0) || (p.IsArc() && !(p.Radius > 0)); });
    if (!std::all_of(pieces.begin(), pieces.end(), [](const Piece& p) { return IsFinite(p); })) {
        return {};
    }
    return pieces;
}

struct PairSearch {
    const Piece& Outer;
    const Piece& Inner;
    double Apart; // pi * D / 2
    bool InnerLater;

    // The outer piece's stretch that has partners far enough along the tube.
    std::pair<double, double> OuterRange() const {
        return InnerLater ? std::pair{Outer.Start, std::min(Outer.End(), Inner.End() - Apart)}
                          : std::pair{std::max(Outer.Start, Inner.Start + Apart), Outer.End()};
    }

    // `s` and the stretches are along the tube from the lead end.
    double operator()(double s) const {
        const double low = InnerLater ? std::max(Inner.Start, s + Apart) : Inner.Start;
        const double high = InnerLater ? Inner.End() : std::min(Inner.End(), s - Apart);
        return DistanceToStretch(Inner, Outer.At(s - Outer.Start), low - Inner.Start,
                                 std::max(low, high) - Inner.Start);
    }
};

// Golden section over [low, high], the ends included.
double GoldenMinimum(const PairSearch& f, double low, double high, double tolerance) {
    return std::min({GoldenSection(f, low, high, MaxGoldenSteps, tolerance), f(low), f(high)});
}

double SmallestDistance(const Piece& p, const Piece& q, double diameter) {
    // The arc, where there is one, is the outer piece; p comes before q along the tube.
    const bool qOuter = q.IsArc() && !p.IsArc();
    const PairSearch f{qOuter ? q : p, qOuter ? p : q, std::numbers::pi * diameter * 0.5, !qOuter};
    const auto [low, high] = f.OuterRange();
    if (!(low <= high)) {
        return INFINITY;
    }
    const double tolerance = 1e-10 * diameter;
    if (!f.Outer.IsArc()) {
        return GoldenMinimum(f, low, high, tolerance);
    }
    const int intervals =
        std::clamp(static_cast<int>(std::ceil((high - low) / f.Outer.Radius / SampleStep)), 2,
                   static_cast<int>(2 * std::numbers::pi / SampleStep) + 1);
    const double step = (high - low) / intervals;
    std::array<double, 128> g{};
    for (int i = 0; i <= intervals; ++i) {
        g[i] = f(low + step * i);
    }
    double best = *std::min_element(g.begin(), g.begin() + intervals + 1);
    for (int i = 0; i <= intervals; ++i) {
        const bool localMinimum =
            (i == 0 || g[i] <= g[i - 1]) && (i == intervals || g[i] <= g[i + 1]);
        if (localMinimum && g[i] - 2 * step < std::min(diameter, best)) {
            const double from = low + step * std::max(i - 1, 0);
            const double to = low + step * std::min(i + 1, intervals);
            best = std::min(best, GoldenMinimum(f, from, to, tolerance));
        }
    }
    return best;
}

double Gap(const Piece& p, const Piece& q) {
    return Length(p.SphereCentre - q.SphereCentre) - p.SphereRadius - q.SphereRadius;
}

} // namespace

const char* RuleTitle(FindingRule rule, Language language) {
    const auto index = static_cast<std::size_t>(rule);
    return index < std::size(RuleTitles) ? RuleTitles[index].In(language) : "?";
}

const char* ContactPhaseWhen(ContactPhase phase, Language language) {
    static constexpr Wording when[] = {{"in the plane turn", "beim Drehen"},
                                       {"while bending", "beim Biegen"},
                                       {"after the bend", "nach dem Biegen"}};
    return when[static_cast<std::size_t>(phase)].In(language);
}

std::string FindingMessage(const Finding& f, Language language) {
    const bool german = language == Language::German;
    const std::string value = FindingNumber(f.Value, language);
    const std::string limit = f.Limit ? FindingNumber(*f.Limit, language) : "";
    // What a rule that holds one value against its limit says before the value, and how the
    // value lies past the limit: "machine angle 96 > 95".
    const auto past = [&](Wording subject, const char* how) {
        return subject.In(language) + value + how + limit;
    };
    switch (f.Rule) {
    case FindingRule::Diameter:
        return german ? "Rohrdurchmesser " + value + " passt nicht zum Werkzeug (" + limit + ")"
                      : "tube diameter " + value + " is not the tooling's " + limit;
    case FindingRule::Die:
        return german ? "keine Biegeform mit Radius " + value +
                            " (vorhanden: " + DieList(f.Dies, language) + ")"
                      : "no die of radius " + value + " (the dies are " +
                            DieList(f.Dies, language) + ")";
    case FindingRule::Fold:
        return german
                   ? "Biegeradius " + value + " ≤ Rohrradius " + limit +
                         ": die Innenwand wirft Falten"
                   : "bend radius " + value + " ≤ tube radius " + limit + ": the inner wall folds";
    case FindingRule::Contact:
        return german ? "berührt Zeile " + std::to_string(f.OtherRow) + ": Abstand " + value +
                            " < Durchmesser " + limit
                      : "touches row " + std::to_string(f.OtherRow) + ": " + value +
                            " apart < diameter " + limit;
    case FindingRule::Stock:
    case FindingRule::Floor: {
        const bool stock = f.Rule == FindingRule::Stock;
        const Wording subject = stock ? Wording{"part to stock ", "Abstand Teil–Rohrstange "}
                                      : Wording{"part above the floor ", "Höhe über dem Boden "};
        return subject.In(language) + std::string(ContactPhaseWhen(f.Phase, language)) + " " +
               value + " < " + limit;
    }
    case FindingRule::Angle:
        return past({"machine angle ", "Maschinenwinkel "}, " > ");
    case FindingRule::Clamp:
        return past({"straight before the bend ", "Gerade vor der Biegung "}, " < ");
    case FindingRule::Tail:
        return past({"tail after the last bend ", "Endstück nach der letzten Biegung "}, " < ");
    case FindingRule::Length:
        return past({"cut length ", "Zuschnittlänge "}, " > ");
    }
    return "?";
}

const char* RuleName(FindingRule rule) {
    return RuleTitle(rule, Language::English);
}

std::string FindingLine(const Finding& finding) {
    const std::string rule = std::string(RuleName(finding.Rule)) + ": " + finding.Message;
    return finding.Row > 0 ? "row " + std::to_string(finding.Row) + ": " + rule : rule;
}

std::string FindingNumber(double value, Language language) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
    }
    char text[512];
    if (std::fabs(value) >= 1e9) {
        // Past any tube's size: the shortest exact form, not three hundred digits.
        return WithDecimalMark(
            std::string(text, std::to_chars(text, text + sizeof text, value).ptr), language);
    }
    const double rounded = std::fabs(value) < 5e-4 ? 0.0 : value;
    char* end = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 3).ptr;
    while (end[-1] == '0') {
        --end;
    }
    if (end[-1] == '.') {
        --end;
    }
    return WithDecimalMark(std::string(text, end), language);
}

std::string BendToText(const std::string& machineAngle, const std::string& partAngle,
                       Language language) {
    return language == Language::German ? "biegen auf " + machineAngle + " (Teil " + partAngle + ")"
                                        : "bend to " + machineAngle + " (part " + partAngle + ")";
}

double CutLength(const BendProgram& program, const MachineProfile& profile) {
    const auto bends = static_cast<double>(FindBendingRows(program).Rows.size());
    return DevelopedLength(program) - profile.GainPerBend * bends;
}

std::vector<Finding> CheckMachine(const BendProgram& program, const MachineProfile& profile) {
    std::vector<Finding> found;
    const double diameter = program.TubeDiameter;
    if (profile.TubeDiameter && !(std::fabs(diameter - *profile.TubeDiameter) <=
                                  DiameterTolerance * *profile.TubeDiameter)) {
        found.push_back(Make(FindingRule::Diameter, 0, diameter, profile.TubeDiameter));
    }
    const BendingRows bending = FindBendingRows(program);
    for (const BendingRow& row : bending.Rows) {
        const BendStep& step = program.Steps[row.Row];
        const int number = row.Row + 1;
        if (!profile.Radii.empty() && !HasDie(profile, step.R)) {
            found.push_back(Make(FindingRule::Die, number, step.R, std::nullopt, profile.Radii));
        }
        const double angle = MachineAngle(profile, step.C, {step.R, program.TubeDiameter});
        if (angle > profile.MaxAngle) {
            found.push_back(Make(FindingRule::Angle, number, angle, profile.MaxAngle));
        }
        if (row.StraightBefore < profile.ClampLength) {
            found.push_back(
                Make(FindingRule::Clamp, number, row.StraightBefore, profile.ClampLength));
        }
    }
    if (!bending.Rows.empty() && bending.Tail < profile.MinTail) {
        found.push_back(Make(FindingRule::Tail, std::clamp(program.StepCount, 0, MaxBendSteps),
                             bending.Tail, profile.MinTail));
    }
    const double cut = CutLength(program, profile);
    if (profile.MaxLength && cut > *profile.MaxLength) {
        found.push_back(Make(FindingRule::Length, 0, cut, profile.MaxLength));
    }
    return found;
}

bool FoldsTube(double bendRadius, double diameter) {
    return !(bendRadius > diameter * 0.5);
}

std::vector<Finding> CheckFolds(const BendProgram& program) {
    std::vector<Finding> found;
    const double tubeRadius = program.TubeDiameter * 0.5;
    for (const BendingRow& row : FindBendingRows(program).Rows) {
        const double r = program.Steps[row.Row].R;
        if (FoldsTube(r, program.TubeDiameter)) {
            found.push_back(Make(FindingRule::Fold, row.Row + 1, r, tubeRadius));
        }
    }
    return found;
}

std::vector<Finding> CheckContact(const BendProgram& program, const TubeWalk& walk) {
    const double diameter = program.TubeDiameter;
    if (!(diameter > 0) || !std::isfinite(diameter)) {
        return {};
    }
    const std::vector<Piece> pieces = ContactPieces(walk);
    const double apart = std::numbers::pi * diameter * 0.5;
    std::map<std::pair<int, int>, double> closest; // by the pair of rows, from 0
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        for (std::size_t j = i + 1; j < pieces.size(); ++j) {
            const Piece& p = pieces[i];
            const Piece& q = pieces[j];
            // A row's own straight and bend come close only when the bend folds, which fold
            // reports.
            if (p.Row == q.Row || q.End() - p.Start <= apart || Gap(p, q) >= diameter) {
                continue;
            }
            const double distance = SmallestDistance(p, q, diameter);
            if (distance < diameter) {
                const auto rows = std::pair{p.Row, q.Row};
                const auto known = closest.find(rows);
                if (known == closest.end() || distance < known->second) {
                    closest[rows] = distance;
                }
            }
        }
    }
    std::vector<Finding> found;
    for (const auto& [rows, distance] : closest) {
        Finding f = Make(FindingRule::Contact, rows.first + 1, distance, diameter);
        f.OtherRow = rows.second + 1;
        f.Message = FindingMessage(f, Language::English);
        found.push_back(std::move(f));
    }
    return found;
}

PiecesAtFault FindPiecesAtFault(const BendProgram& program, const std::vector<Finding>& findings) {
    const int count = std::clamp(program.StepCount, 0, MaxBendSteps);
    PiecesAtFault at{std::vector<bool>(static_cast<std::size_t>(count), false),
                     std::vector<bool>(static_cast<std::size_t>(count), false)};
    const auto mark = [count](std::vector<bool>& pieces, int from, int to) {
        for (int i = std::max(from, 0); i <= std::min(to, count - 1); ++i) {
            pieces[static_cast<std::size_t>(i)] = true;
        }
    };
    // Where each straight before a bend starts: just after the bending row before it.
    const BendingRows bending = FindBendingRows(program);
    std::vector<int> straightFrom(static_cast<std::size_t>(count), 0);
    int from = 0;
    for (const BendingRow& row : bending.Rows) {
        straightFrom[static_cast<std::size_t>(row.Row)] = from;
        from = row.Row + 1;
    }
    for (const Finding& f : findings) {
        const int row = f.Row - 1;
        switch (f.Rule) {
        case FindingRule::Die:
        case FindingRule::Angle:
        case FindingRule::Fold:
        case FindingRule::Stock: // the bend during which it happens
        case FindingRule::Floor:
            mark(at.Bends, row, row);
            break;
        case FindingRule::Clamp:
            if (row >= 0 && row < count) {
                mark(at.Straights, straightFrom[static_cast<std::size_t>(row)], row);
            }
            break;
        case FindingRule::Tail:
            mark(at.Straights, from, count - 1);
            break;
        case FindingRule::Contact:
            for (int r : {row, f.OtherRow - 1}) {
                mark(at.Straights, r, r);
                mark(at.Bends, r, r);
            }
            break;
        case FindingRule::Diameter:
        case FindingRule::Length:
            break;
        }
    }
    return at;
}

void SortFindings(std::vector<Finding>& findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::pair{a.Row, static_cast<int>(a.Rule)} <
               std::pair{b.Row, static_cast<int>(b.Rule)};
    });
}

std::vector<Finding> CheckPart(const BendProgram& program, const TubeWalk& walk,
                               const MachineProfile* profile) {
    std::vector<Finding> found = profile ? CheckMachine(program, *profile) : std::vector<Finding>{};
    for (std::vector<Finding> more : {CheckFolds(program), CheckContact(program, walk)}) {
        found.insert(found.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
    }
    SortFindings(found);
    return found;
}

std::vector<Finding> CheckPart(const BendProgram& program, const MachineProfile* profile) {
    return CheckPart(program, WalkTube(program), profile);
}

} // namespace tubrix
