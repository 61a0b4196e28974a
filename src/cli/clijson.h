#pragma once

#include "tubewalk.h"
#include "units.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <optional>

// Keys in the order a reader expects them, the order they are written in.
using Json = nlohmann::ordered_json;

// Whole numbers go out as integers ("30", not "30.0"), every other double in its shortest form
// that reads back as the same value.
inline Json JsonNumber(double value) {
    constexpr double ExactIntegers = 9007199254740992.0; // 2^53
    const bool negativeZero = value == 0 && std::signbit(value);
    if (value == std::trunc(value) && std::fabs(value) < ExactIntegers && !negativeZero) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

// "units_assumed": which file says no unit, the unit it is taken in and the file that says it;
// null when both say theirs or neither does.
inline Json UnitsAssumedJson(const std::optional<tubrix::UnitsAssumed>& assumed) {
    if (!assumed) {
        return nullptr;
    }
    return {{"file", assumed->File},
            {"unit", tubrix::UnitName(assumed->Unit)},
            {"from", assumed->From}};
}

inline Json JsonPoint(tubrix::Vec3 p) {
    return Json::array({JsonNumber(p.X), JsonNumber(p.Y), JsonNumber(p.Z)});
}
