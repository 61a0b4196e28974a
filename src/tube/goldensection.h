#pragma once

#include <algorithm>

// The smallest value of f found by golden section over [low, high], for the bottom of one dip:
// each step keeps the two thirds of the interval on the lower side, until `maxSteps` steps are
// taken or the interval is no wider than `tolerance`. The ends themselves are not evaluated.
template <typename Function>
double GoldenSection(const Function& f, double low, double high, int maxSteps,
                     double tolerance = 0) {
    constexpr double Ratio = 0.6180339887498949;
    double left = high - Ratio * (high - low), right = low + Ratio * (high - low);
    double fLeft = f(left), fRight = f(right);
    for (int step = 0; step < maxSteps && high - low > tolerance; ++step) {
        if (fLeft <= fRight) {
            high = right, right = left, fRight = fLeft;
            left = high - Ratio * (high - low), fLeft = f(left);
        } else {
            low = left, left = right, fLeft = fRight;
            right = low + Ratio * (high - low), fRight = f(right);
        }
    }
    return std::min(fLeft, fRight);
}
