#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

// Reads a fuzzer input front to back. Numbers are tagged so that the values that break
// arithmetic (NaN, infinities, subnormals, the ends of the double range, signed zeros) come up
// far more often than raw random bits would give them:
//   tag 0x00..0x1f  one of the 32 values in SpecialValues;
//   tag 0x20..0x7f  the next 2 bytes as a little-endian int16 (plain lengths and angles);
//   tag 0x80..0xff  the next 8 bytes as a double, bit for bit.
// Past the end of the input every read gives 0.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return at_ >= size_; }

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    // The bytes not read yet, as text.
    std::string_view Rest() const {
        return at_ < size_
                   ? std::string_view(reinterpret_cast<const char*>(data_) + at_, size_ - at_)
                   : std::string_view();
    }

    double Number() {
        if (AtEnd()) {
            return 0.0;
        }
        const std::uint8_t tag = Byte();
        if (tag < 0x20) {
            return SpecialValue(tag);
        }
        if (tag < 0x80) {
            const auto low = static_cast<std::uint16_t>(Byte());
            const auto high = static_cast<std::uint16_t>(Byte());
            return static_cast<double>(static_cast<std::int16_t>(low | high << 8));
        }
        std::uint8_t bytes[sizeof(double)] = {};
        for (std::uint8_t& b : bytes) {
            b = Byte();
        }
        double value = 0;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    static double SpecialValue(std::uint8_t index) {
        using L = std::numeric_limits<double>;
        switch (index % 32) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
            return L::quiet_NaN();
        case 3:
            return -L::quiet_NaN();
        case 4:
            return std::bit_cast<double>(std::uint64_t{0x7ff0000000000001ULL}); // signalling
        case 5:
            return L::infinity();
        case 6:
            return -L::infinity();
        case 7:
            return L::denorm_min();
        case 8:
            return -L::denorm_min();
        case 9:
            return L::min();
        case 10:
            return -L::min();
        case 11:
            return 1e308;
        case 12:
            return -1e308;
        case 13:
            return L::max();
        case 14:
            return L::lowest();
        case 15:
            return L::epsilon();
        case 16:
            return 1.0;
        case 17:
            return -1.0;
        case 18:
            return 0.5;
        case 19:
            return 90.0;
        case 20:
            return 180.0;
        case 21:
            return 360.0;
        case 22:
            return -90.0;
        case 23:
            return 1e-300;
        // Around the edge of float, which GL and the shape library work in.
        case 24:
            return static_cast<double>(std::numeric_limits<float>::max());
        case 25:
            return 3.5e38;
        case 26:
            return -3.5e38;
        case 27:
            return static_cast<double>(std::numeric_limits<float>::denorm_min());
        // Around the edge of int32 and of exactly representable integers.
        case 28:
            return 2147483648.0;
        case 29:
            return 9007199254740993.0;
        case 30:
            return 1e30;
        default:
            return 1e9;
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
