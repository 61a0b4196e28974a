#include "numbertext.h"

#include "fileaccess.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tubrix {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

Result<double> ParseNumber(std::string_view cell, char separator, std::string_view name) {
    const auto notANumber = [&] {
        return Failed("expected a number for " + std::string(name) + ", found " +
                      (cell.empty() ? std::string("an empty cell") : Quoted(cell)));
    };
    std::string plain;
    plain.reserve(cell.size());
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < cell.size() && IsDigit(cell[at])) {
            plain += cell[at++];
        }
        return at > start;
    };
    if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
        if (cell[at] == '-') {
            plain += '-'; // from_chars takes no '+'
        }
        ++at;
    }
    if (!digits()) {
        return notANumber();
    }
    if (at < cell.size() && (cell[at] == '.' || (cell[at] == ',' && separator != ','))) {
        plain += '.';
        ++at;
        if (!digits()) {
            return notANumber();
        }
    }
    if (at < cell.size() && (cell[at] == 'e' || cell[at] == 'E')) {
        plain += 'e';
        ++at;
        if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
            plain += cell[at++];
        }
        if (!digits()) {
            return notANumber();
        }
    }
    if (at != cell.size()) {
        return notANumber();
    }
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        return Failed(Quoted(cell) + " for " + std::string(name) + " is out of range for a double");
    }
    if (error != std::errc() || end != plain.data() + plain.size()) {
        return notANumber();
    }
    return value;
}

std::string FormatNumber(double value, std::optional<int> decimals) {
    // Room for the 309 digits of the largest double written in full, and its decimals.
    char text[400];
    if (!decimals || !std::isfinite(value)) {
        const auto result = std::to_chars(text, text + sizeof text, value);
        return std::string(text, result.ptr);
    }
    const int places = std::clamp(*decimals, 0, MaxWrittenDecimals);
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, places);
    std::string out(text, result.ptr);
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    return out == "-0" ? "0" : out;
}

double Significant(double value, int digits) {
    if (!std::isfinite(value)) {
        return value;
    }
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general,
                                       std::clamp(digits, 1, 17));
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    return rounded + 0.0;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

double SnapCadNumber(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double magnitude = std::max(1.0, std::fabs(value));
    const int places = std::min(6, 7 - static_cast<int>(std::ceil(std::log10(magnitude))));
    // The integer and the power of ten are exact, so their quotient (or product) is the double
    // nearest the rounded decimal.
    const double scale = std::pow(10.0, std::abs(places));
    const double rounded =
        places >= 0 ? std::round(value * scale) / scale : std::round(value / scale) * scale;
    return std::fabs(value - rounded) <= 1e-9 * magnitude ? rounded + 0.0 : value;
}

std::string FormatPlane(double value, PlaneRange range,
                        const std::function<std::string(double)>& format) {
    return FormatPlaneAsRead(SnapCadNumber(value), range, format);
}

std::string FormatPlaneAsRead(double value, PlaneRange range,
                              const std::function<std::string(double)>& format) {
    std::string text = format(value);
    // Read back with the point or the comma a control's file may write as its mark, from the
    // first digit on: a fill, a '+' and a width come before it. Rounding never turns the sign,
    // so the value's own sign is the text's.
    std::string plain = text;
    std::replace(plain.begin(), plain.end(), ',', '.');
    std::size_t start = plain.find_first_of("0123456789");
    if (start == std::string::npos) {
        return text;
    }
    if (start > 0 && plain[start - 1] == '.') {
        --start;
    }
    double written = 0;
    const char* first = plain.data() + start;
    const auto [end, error] = std::from_chars(first, plain.data() + plain.size(), written);
    if (error != std::errc() || end == first) {
        return text;
    }
    written = std::signbit(value) ? -written : written;
    if (range == PlaneRange::Absolute && written == 360) {
        return format(value - 360);
    }
    if (range == PlaneRange::Relative && written == -180) {
        return format(value + 360);
    }
    return text;
}

} // namespace tubrix
