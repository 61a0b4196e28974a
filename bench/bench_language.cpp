// What the German window costs at start-up (needs an X display; Xvfb will do), side by side with
// the English one in one run:
// - loading the translations, the window's own and Qt's, as start-up does for a German locale;
// - making the window's forms in English and in German, each text looked up in the translation.
#include "frmmain.h"
#include "startup.h"
#include "windowlanguage.h"

#include <benchmark/benchmark.h>

namespace {

const QLocale German(QLocale::German, QLocale::Germany);

void BM_LoadGermanTranslations(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetWindowLanguage(German));
        state.PauseTiming();
        SetWindowLanguage(QLocale::c());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadGermanTranslations)->Unit(benchmark::kMillisecond);

void MakeForms(benchmark::State& state, bool german) {
    SetWindowLanguage(german ? German : QLocale::c());
    for (auto _ : state) {
        CreateForms();
        state.PauseTiming();
        DestroyForms();
        state.ResumeTiming();
    }
    SetWindowLanguage(QLocale::c());
}
void BM_FormsEnglish(benchmark::State& state) { MakeForms(state, false); }
void BM_FormsGerman(benchmark::State& state) { MakeForms(state, true); }
BENCHMARK(BM_FormsEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormsGerman)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormsEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormsGerman)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    TubrixApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
