#pragma once

#include "error.h"
#include "units.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tubrix {

// How a machine's own control reads a program (the profile's [output] table): templates of
// {fmt} with named fields, written with the control's line ends, encoding and decimal mark.
struct MachineOutput {
    std::string Extension; // of the file written beside the program, without its dot
    bool Crlf = false;
    bool Latin1 = false;
    char DecimalMark = '.';
    std::string Header; // each template: empty, or text that ends with one line end
    std::string Row;
    std::string Footer;

    bool operator==(const MachineOutput&) const = default;
};

// What Tubrix knows of one bender: its tooling, its limits and how it counts angles. Every
// field has the value a profile that leaves its key out gives.
struct MachineProfile {
    enum class PlaneMode { Relative, Absolute };

    std::optional<std::string> Name;
    std::optional<double> TubeDiameter; // the outside diameter the tooling takes; none: any
    std::vector<double> Radii;          // centre-line radii of the bend dies; empty: any
    double ClampLength = 0;             // straight the clamp die needs before each bend
    double MinTail = 0;                 // straight the collet needs behind the last bend
    double MaxAngle = 180;              // largest machine angle, degrees
    std::optional<double> MaxLength;    // longest stock; none: no limit
    int BSign = 1;                      // -1: the machine turns the plane the other way
    PlaneMode BMode = PlaneMode::Relative;
    double GainPerBend = 0;                 // length the tube gains in each bend
    double SpringbackFixed = 0;             // degrees over-bent: C + fixed + per_degree * C
    double SpringbackPerDegree = 0;         //
    int DieSide = 1;                        // the side of the feed axis the bend die's centre is on
    std::optional<double> CentrelineHeight; // feed axis above the floor; none: no floor
    std::optional<MachineOutput> Output;    // none: the control reads Tubrix's program file
    std::optional<LengthUnit> Units;        // its lengths' unit; none: the program's
    double SheathTolerance = 1;             // how far a measured part may stray from the nominal
    double RadiusTolerance = 1e-6;          // a bend's R this near a die's radius is bent on it
    // The largest correction `correct` writes without --force: an angle change of
    // max_correction_angle + max_correction_share * C, a plane change, a feed change (none: 10 mm
    // in the comparison's unit), and the largest RMS of a measured part's best fit.
    double MaxCorrectionAngle = 10;
    double MaxCorrectionShare = 0.1;
    double MaxCorrectionPlane = 10;
    std::optional<double> MaxCorrectionFeed;
    std::optional<double> FitLimit;

    bool operator==(const MachineProfile&) const = default;
};

// Reads a machine profile (.toml) strictly: an unknown key, a wrong type or a value out of
// range is an error naming the file, line and column.
Result<MachineProfile> ParseMachineProfile(std::string_view text, const std::string& file);
Result<MachineProfile> ReadMachineProfile(const std::string& path);

// The profile with its lengths (every key the key table marks as a length) given in `unit`; a
// profile that does not say its units is taken to be in `unit` already.
MachineProfile ProfileInUnits(const MachineProfile& profile, LengthUnit unit);

// The profile as a profile file that reads back as the same profile: every key the profile
// has a value for, from the same key table the reader uses.
std::string FormatMachineProfile(const MachineProfile& profile);

// The largest feed change a correction may make: max_correction_feed, or 10 mm in `unit` (the
// comparison's; none: millimetres).
double CorrectionFeedLimit(const MachineProfile& profile, std::optional<LengthUnit> unit);

// A number key ("max_angle", "springback.fixed") and the value to give it.
struct ProfileNumber {
    std::string Key;
    double Value = 0;
};

// The profile's text with these keys set to these values and every other byte kept: a value is
// replaced where it stands, a missing key is added to its table (one of the profile's own before
// the first table), a missing table at the end. Fails when a key is no number key, the profile
// cannot be edited so (an inline table), or the reader would refuse the result.
Result<std::string> SetProfileNumbers(std::string_view profile, const std::string& file,
                                      std::span<const ProfileNumber> values);

// SetProfileNumbers of springback.fixed and springback.per_degree.
Result<std::string> SetSpringback(std::string_view profile, const std::string& file, double fixed,
                                  double perDegree);

// One line for each key a profile may have: its name, what it means and its default.
std::string MachineProfileKeysHelp();

} // namespace tubrix
