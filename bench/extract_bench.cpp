// Extraction against its baseline, one memmem() pass for "http" over the same
// page, timed alternately in the same iterations so that noise hits both alike.

#include "bench/synthetic_page.h"
#include "search/module_addresses.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

// One page at a time: a 1 GiB page is kept only while its benchmarks run.
const std::string& page(std::size_t bytes, bool dense) {
    static std::unique_ptr<std::string> held;
    static std::pair<std::size_t, bool> heldKind;
    if (!held || heldKind != std::pair{bytes, dense}) {
        held.reset();
        held = std::make_unique<std::string>(bench::syntheticPage(bytes, dense));
        heldKind = {bytes, dense};
    }
    return *held;
}

std::size_t memmemPass(std::string_view text) {
    std::size_t count = 0;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (const void* hit = ::memmem(at, static_cast<std::size_t>(end - at), "http", 4)) {
        ++count;
        at = static_cast<const char*>(hit) + 4;
    }
    return count;
}

void BM_ExtractVsMemmem(benchmark::State& state) {
    const std::string& text =
        page(static_cast<std::size_t>(state.range(0)) << 20, state.range(1) != 0);
    using Clock = std::chrono::steady_clock;
    double extractSeconds = 0, memmemSeconds = 0;
    std::size_t addresses = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(memmemPass(text));
        const auto t1 = Clock::now();
        const search::TextList found = search::extractModuleAddresses(text);
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(found.data());
        addresses = found.size();
        memmemSeconds += std::chrono::duration<double>(t1 - t0).count();
        extractSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double n = static_cast<double>(state.iterations());
    const double bytes = static_cast<double>(text.size());
    state.counters["extract_ns_per_byte"] = extractSeconds / n / bytes * 1e9;
    state.counters["memmem_ns_per_byte"] = memmemSeconds / n / bytes * 1e9;
    state.counters["ratio"] = extractSeconds / memmemSeconds;
    state.counters["addresses"] = static_cast<double>(addresses);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * n));
}
BENCHMARK(BM_ExtractVsMemmem)
    ->ArgNames({"MiB", "dense"})
    ->ArgsProduct({{1, 16, 256, 1024}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
