#include "profilekeys.h"

#include "posttemplate.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace tubrix::profilekeys {

namespace {

const ProfileKey KeyTable[] = {
    {"name", &MachineProfile::Name, {}, "none", "the machine's name, shown with its findings"},
    {"units",
     &MachineProfile::Units,
     {},
     "the program's",
     "the unit of its lengths; a program in the other is checked with them converted"},
    {"tube_diameter", &MachineProfile::TubeDiameter, AboveZero, "any",
     "the outside diameter the tooling takes", Length},
    {"radii", &MachineProfile::Radii, AboveZero, "any", "centre-line radii of the bend dies",
     Length},
    {"radius_tolerance", &MachineProfile::RadiusTolerance, AboveZero, "1e-6",
     "how near a bend's R must be to a die's radius to be bent on it", Length},
    {"clamp_length", &MachineProfile::ClampLength, ZeroOrMore, "0",
     "straight the clamp die needs before each bend", Length},
    {"min_tail", &MachineProfile::MinTail, ZeroOrMore, "0",
     "straight the collet needs behind the last bend", Length},
    {"max_angle", &MachineProfile::MaxAngle, AngleRange, "180",
     "largest angle the machine bends, degrees"},
    {"max_length", &MachineProfile::MaxLength, AboveZero, "none", "longest stock it takes", Length},
    {"b_sign", &MachineProfile::BSign, {}, "1", "-1: the machine turns the plane the other way"},
    {"b_mode",
     &MachineProfile::BMode,
     {},
     "\"relative\"",
     "\"absolute\": B measured from the first bend's plane, 0 to 360"},
    {"gain_per_bend", &MachineProfile::GainPerBend, ZeroOrMore, "0",
     "length the tube gains in each bend", Length},
    {"die_side",
     &MachineProfile::DieSide,
     {},
     "1",
     "the side of the feed axis the bend die's centre is on"},
    {"centreline_height", &MachineProfile::CentrelineHeight, AboveZero, "none",
     "feed axis above the floor", Length},
    {"springback.fixed", &MachineProfile::SpringbackFixed, SpringbackDegrees, "0",
     "degrees over-bent besides the share per degree"},
    {"springback.per_degree", &MachineProfile::SpringbackPerDegree, SpringbackShare, "0",
     "degrees over-bent per degree: bent as C + fixed + per_degree * C", Share},
    {"sheath_tolerance", &MachineProfile::SheathTolerance, AboveZero, "1",
     "how far a measured part's centre line may stray from the nominal one", Length},
    {"max_correction_angle", &MachineProfile::MaxCorrectionAngle, DegreesUpToHalfTurn, "10",
     "largest change of a machine angle `correct` writes, degrees, besides the share"},
    {"max_correction_share", &MachineProfile::MaxCorrectionShare, ShareOfAngle, "0.1",
     "largest change of a machine angle `correct` writes, as a share of the bend's angle", Share},
    {"max_correction_plane", &MachineProfile::MaxCorrectionPlane, DegreesUpToHalfTurn, "10",
     "largest change of a plane turn `correct` writes, degrees"},
    {"max_correction_feed", &MachineProfile::MaxCorrectionFeed, AboveZero, "10 mm (0.3937 in)",
     "largest change of a feed `correct` writes", Length},
    {"fit_limit", &MachineProfile::FitLimit, AboveZero, "none",
     "largest RMS of a measured part's best fit that `correct` and `calibrate` take", Length},
};

const OutputKey OutputKeyTable[] = {
    {"extension", "the control's file: the program's name with this extension", "a string",
     "none: standard output"},
    {"line_end", "the line ends of the control's file", "\"lf\" or \"crlf\"", "\"lf\""},
    {"encoding", "the control's character set", "\"utf-8\" or \"latin-1\"", "\"utf-8\""},
    {"decimal_mark", "written in place of every number's point", "\".\" or \",\"", "\".\""},
    {"header", "written first", "a {fmt} template of the part's fields", "nothing"},
    {"row", "written for every row of the machine's program",
     "a {fmt} template of the row's and the part's fields", "none: needed"},
    {"footer", "written last", "a {fmt} template of the part's fields", "nothing"},
};

// The edits (insert, delete, change a character, swap two) that take a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::span<const ProfileKey> Keys() {
    return KeyTable;
}

std::span<const OutputKey> OutputKeys() {
    return OutputKeyTable;
}

std::string KeyList() {
    std::string list;
    for (const ProfileKey& key : Keys()) {
        list += (list.empty() ? "" : ", ") + std::string(key.Name);
    }
    return list;
}

const ProfileKey* FindKey(std::string_view name) {
    for (const ProfileKey& key : Keys()) {
        if (name == key.Name) {
            return &key;
        }
    }
    return nullptr;
}

bool IsTableName(std::string_view name) {
    for (const ProfileKey& key : Keys()) {
        const std::string_view full = key.Name;
        if (full.size() > name.size() && full.starts_with(name) && full[name.size()] == '.') {
            return true;
        }
    }
    return false;
}

std::string LikelyKey(std::string_view typed, std::span<const std::string> names) {
    // A mistyped key is long enough to mean one key only where it is two edits off at most, and
    // a very short one at most one.
    const std::size_t most = typed.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = most + 1;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace tubrix::profilekeys

namespace tubrix {

using namespace profilekeys;

namespace {

// What a key takes, in words.
std::string Accepted(const ProfileKey& key) {
    struct Words {
        const NumberRange& Range;
        std::string operator()(TextField) const { return "a string"; }
        std::string operator()(NumberField) const { return Range.Text; }
        std::string operator()(OptionalNumberField) const { return Range.Text; }
        std::string operator()(NumberListField) const {
            return std::string("a list of numbers, each ") + Range.Text;
        }
        std::string operator()(SignField) const { return "1 or -1"; }
        std::string operator()(ModeField) const { return "\"relative\" or \"absolute\""; }
        std::string operator()(UnitField) const { return "\"mm\" or \"in\""; }
        std::string operator()(FlagField) const { return "true or false"; }
    };
    return std::visit(Words{key.Range}, key.Target);
}

// A key's two lines of help: its name and meaning, then what it takes and its default.
std::string KeyHelp(const std::string& name, const char* doc, const std::string& takes,
                    const char* fallback) {
    std::string line = "  " + name;
    line.resize(std::max<std::size_t>(line.size() + 1, 25), ' ');
    return line + doc + "\n" + std::string(25, ' ') + takes + "; default " + fallback + "\n";
}

} // namespace

std::string MachineProfileKeysHelp() {
    std::string help;
    for (const ProfileKey& key : Keys()) {
        help += KeyHelp(key.Name, key.Doc, Accepted(key), key.Default);
    }
    for (const OutputKey& key : OutputKeys()) {
        help += KeyHelp("output." + std::string(key.Name), key.Doc, key.Takes, key.Default);
    }
    help += std::string(25, ' ') + "fields of row: " + PostFieldNames(PostTemplate::Row) + "\n";
    return help;
}

MachineProfile ProfileInUnits(const MachineProfile& profile, LengthUnit unit) {
    MachineProfile converted = profile;
    converted.Units = unit;
    if (!profile.Units || *profile.Units == unit) {
        return converted;
    }
    struct Converted {
        MachineProfile& Profile;
        LengthUnit From, To;
        void Convert(double& length) const { length = ConvertLength(length, From, To); }
        void operator()(NumberField field) const { Convert(Profile.*field); }
        void operator()(OptionalNumberField field) const {
            if (Profile.*field) {
                Convert(*(Profile.*field));
            }
        }
        void operator()(NumberListField field) const {
            for (double& length : Profile.*field) {
                Convert(length);
            }
        }
        // Not a length.
        void operator()(TextField) const {}
        void operator()(SignField) const {}
        void operator()(ModeField) const {}
        void operator()(UnitField) const {}
        void operator()(FlagField) const {}
    };
    for (const ProfileKey& key : Keys()) {
        if (key.IsLength()) {
            std::visit(Converted{converted, *profile.Units, unit}, key.Target);
        }
    }
    return converted;
}

double CorrectionFeedLimit(const MachineProfile& profile, std::optional<LengthUnit> unit) {
    if (profile.MaxCorrectionFeed) {
        return *profile.MaxCorrectionFeed;
    }
    // 10 mm, in whatever unit the comparison runs in.
    return unit ? ConvertLength(10, LengthUnit::Millimetre, *unit) : 10.0;
}

} // namespace tubrix
