// Power rows of the mouse genome (16 Morgan on 20 chromosomes) at 1 cM
// through the whole command line, beside the threshold row they rest on: one
// power row, a 100-row table of powers, and the sample-size rows that solve
// for the individuals.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

// The command line with `options` after the mouse genome at 1 cM, rows to
// /dev/null; `rows` of them per run.
void command_line(benchmark::State& state, std::vector<std::string> options, std::int64_t rows) {
    const int null = open("/dev/null", O_WRONLY);
    options.insert(options.begin(),
                   {"lodthresh", "-G", "16", "-C", "20", "--spacing", "1", "-f", "tsv"});
    std::vector<char*> argv;
    for (std::string& option : options) {
        argv.push_back(option.data());
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lodthresh::cli::run(static_cast<int>(options.size()), argv.data(), 0, null, stderr));
    }
    state.SetItemsProcessed(state.iterations() * rows);
    close(null);
}

// 100 noncentralities from 0.1 to 10.
std::string hundred_noncentralities() {
    std::string list;
    for (int i = 1; i <= 100; ++i) {
        list += (i > 1 ? "," : "") + std::to_string(i / 10.0);
    }
    return list;
}

void BM_ThresholdRow(benchmark::State& state, const char* design) {
    command_line(state, {"--design", design}, 1);
}
BENCHMARK_CAPTURE(BM_ThresholdRow, backcross, "backcross")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ThresholdRow, intercross, "intercross")->Unit(benchmark::kMillisecond);

void BM_PowerRow(benchmark::State& state, const char* design) {
    command_line(state, {"--design", design, "--pve", "0.05", "--individuals", "200"}, 1);
}
BENCHMARK_CAPTURE(BM_PowerRow, backcross, "backcross")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PowerRow, intercross, "intercross")->Unit(benchmark::kMillisecond);

void BM_HundredPowerRows(benchmark::State& state, const char* design) {
    command_line(state, {"--design", design, "--noncentrality", hundred_noncentralities()}, 100);
}
BENCHMARK_CAPTURE(BM_HundredPowerRows, backcross, "backcross")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HundredPowerRows, intercross, "intercross")->Unit(benchmark::kMillisecond);

void BM_SampleSizeRow(benchmark::State& state, const char* design) {
    command_line(state, {"--design", design, "--pve", "0.05", "--target-power", "0.8"}, 1);
}
BENCHMARK_CAPTURE(BM_SampleSizeRow, backcross, "backcross")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SampleSizeRow, intercross, "intercross")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
