// Feeds the profile editor that `calibrate` writes a fitted springback with: the two values
// from the input's first bytes (mostly within the keys' ranges, as a fit gives them, sometimes
// anything), then the profile's text. Checks what it promises: a profile that does not read is
// refused with the reader's own error; an edit that succeeds reads back as the same profile
// with only the two values changed, keeps a byte-order mark and CRLF line ends; an edit that
// fails says why. Each text is also edited with a byte-order mark put before it and with its
// line ends made CRLF.
#include "fuzzcheck.h"
#include "fuzzinput.h"
#include "machineprofile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string FileName = "m.toml";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// A value within -limit...limit as a fit gives it, any share of it or one rounded to hundredths
// (int16's lowest end lands just past -limit); or, from the top half of tags, any number.
double SpringbackValue(FuzzInput& in, double limit) {
    const std::uint8_t tag = in.Byte();
    if (tag >= 0x80) {
        return in.Number();
    }
    const auto low = static_cast<std::uint16_t>(in.Byte());
    const auto high = static_cast<std::uint16_t>(in.Byte());
    const double value = limit * static_cast<std::int16_t>(low | high << 8) / 32767.0;
    return tag & 1 ? std::round(value * 100) / 100 : value;
}

// Every line end is CRLF.
bool AllCrlf(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            return false;
        }
    }
    return true;
}

void CheckEdit(std::string_view text, double fixed, double perDegree) {
    const Result<MachineProfile> original = ParseMachineProfile(text, FileName);
    const Result<std::string> edited = SetSpringback(text, FileName, fixed, perDegree);
    if (!original) {
        if (edited || edited.Failure().ToString() != original.Failure().ToString()) {
            FuzzFail("a profile that does not read was edited, or refused with another error");
        }
        return;
    }
    if (!edited) {
        if (edited.Failure().Message.empty()) {
            FuzzFail("an edit failed without a message");
        }
        return;
    }
    const Result<MachineProfile> back = ParseMachineProfile(*edited, FileName);
    if (!back) {
        FuzzFail("an edited profile does not read");
    }
    MachineProfile expected = *original;
    expected.SpringbackFixed = fixed;
    expected.SpringbackPerDegree = perDegree;
    if (!(*back == expected)) {
        FuzzFail("an edited profile reads as another profile than the one with the new values");
    }
    if (text.starts_with(ByteOrderMark) != std::string_view(*edited).starts_with(ByteOrderMark)) {
        FuzzFail("the edit lost or added a byte-order mark");
    }
    if (text.find('\n') != std::string_view::npos && AllCrlf(text) && !AllCrlf(*edited)) {
        FuzzFail("the edit wrote an LF line end into a CRLF profile");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const double fixed = SpringbackValue(in, 45);
    const double perDegree = SpringbackValue(in, 0.5);
    const std::string_view text = in.Rest();
    CheckEdit(text, fixed, perDegree);
    if (!text.starts_with(ByteOrderMark)) {
        CheckEdit(std::string(ByteOrderMark) + std::string(text), fixed, perDegree);
    }
    if (const std::string crlf = WithCrlf(text); crlf.size() > text.size()) {
        CheckEdit(crlf, fixed, perDegree);
    }
    return 0;
}
