#pragma once

// What several benchmarks share: the 100-row program they measure on, and the alternation that
// lets two loops be compared side by side.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

// Rows of every angle, plane and length, as a program file: a part that folds back over itself
// and the stock.
inline std::string HundredRowProgram() {
    std::string text = "diameter,25\nY,B,C,R\n";
    for (int i = 0; i < 99; ++i) {
        text += std::to_string(20 + i % 7 * 5) + ',' + std::to_string(i * 37 % 360 - 180) + ',' +
                std::to_string(10 + i * 53 % 160) + ',' + std::to_string(15 + i % 5) + '\n';
    }
    return text + "40,0,0,15\n";
}

// Twenty runs of `measured`, then twenty of `reference`, every iteration, so that machine noise
// falls on both alike; the ratio of their times is set as the counter `name`.
template <typename Measured, typename Reference>
void AlternatedRatio(benchmark::State& state, const char* name, Measured measured,
                     Reference reference) {
    using Clock = std::chrono::steady_clock;
    Clock::duration first{}, second{};
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < 20; ++i) {
            measured();
        }
        first += Clock::now() - start;
        start = Clock::now();
        for (int i = 0; i < 20; ++i) {
            reference();
        }
        second += Clock::now() - start;
    }
    state.counters[name] =
        std::chrono::duration<double>(first) / std::chrono::duration<double>(second);
}
