// Rows per second of the command line's parts: the standard and the exact
// method over a grid of calculations, a row written as tsv, and a whole
// 10,000-row batch from file to tsv.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "table/standard_rows.h"
#include "threshold/exact.h"
#include "threshold/threshold.h"

namespace {

using lodthresh::ThresholdParameters;

// 10,000 calculations: genome lengths 1 to 100 Morgan, chromosomes 1 to 50,
// every rate of the mapping table, levels from 0.001 to 0.1.
std::vector<ThresholdParameters> grid() {
    const double rates[] = {1, 2, 2.5, 2.67, 2.86, 3.2};
    const double alphas[] = {0.001, 0.01, 0.05, 0.1};
    std::vector<ThresholdParameters> rows;
    for (int i = 0; i < 10000; ++i) {
        rows.push_back({1.0 + i % 100, 1.0 + i % 50, rates[i % 6], alphas[i % 4], 1e-8});
    }
    return rows;
}

template <class Method>
void rows_per_second(benchmark::State& state, Method method) {
    const std::vector<ThresholdParameters> rows = grid();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(method(rows[i]));
        i = (i + 1) % rows.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_StandardMethod(benchmark::State& state) {
    rows_per_second(state, lodthresh::compute_thresholds);
}
BENCHMARK(BM_StandardMethod);

void BM_ExactMethod(benchmark::State& state) {
    rows_per_second(state, lodthresh::compute_thresholds_exact);
}
BENCHMARK(BM_ExactMethod);

void BM_WriteTsvRow(benchmark::State& state) {
    const ThresholdParameters p;
    const lodthresh::table::Row row{p, "sibs", false, lodthresh::table::Status::ok,
                                    lodthresh::compute_thresholds(p)};
    const auto schema = lodthresh::table::standard_schema(false);
    std::string out;
    for (auto _ : state) {
        out.clear();
        schema.append_row(lodthresh::table::Format::tsv, row, 1, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteTsvRow);

// The whole command line on the first `lines` rows of the grid as a batch
// file, with `options` after it, rows to /dev/null.
void whole_batch(benchmark::State& state, std::vector<std::string> options, std::size_t lines,
                 std::size_t rows_per_line) {
    char path[] = "/tmp/lodthresh-bench-XXXXXX";
    const int fd = mkstemp(path);
    std::string text;
    const std::vector<ThresholdParameters> rows = grid();
    for (std::size_t i = 0; i < lines; ++i) {
        const ThresholdParameters& p = rows[i];
        text += std::to_string(p.genome_length) + " " + std::to_string(p.chromosomes) + " " +
                std::to_string(p.crossover_rate) + " " + std::to_string(p.significance) + "\n";
    }
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        state.SkipWithError("cannot write the batch file");
    }
    close(fd);
    const int null = open("/dev/null", O_WRONLY);
    options.insert(options.begin(), {"lodthresh", "--batch", path, "-f", "tsv"});
    std::vector<char*> argv;
    for (std::string& option : options) {
        argv.push_back(option.data());
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lodthresh::cli::run(static_cast<int>(options.size()), argv.data(), 0, null, stderr));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines * rows_per_line));
    close(null);
    unlink(path);
}

void BM_BatchStandardTsv(benchmark::State& state) {
    whole_batch(state, {}, 10000, 1);
}
BENCHMARK(BM_BatchStandardTsv)->Unit(benchmark::kMillisecond);

void BM_BatchExactTsv(benchmark::State& state) {
    whole_batch(state, {"-x"}, 10000, 1);
}
BENCHMARK(BM_BatchExactTsv)->Unit(benchmark::kMillisecond);

// 10,000 rows of the designs mode: 10,000 lines at 5 cM, and 2,000 lines at
// five spacings, to set beside the exact method's batch.
void BM_BatchSpacingTsv(benchmark::State& state) {
    whole_batch(state, {"--spacing", "5"}, 10000, 1);
}
BENCHMARK(BM_BatchSpacingTsv)->Unit(benchmark::kMillisecond);

void BM_BatchFiveSpacingsTsv(benchmark::State& state) {
    whole_batch(state, {"--spacing", "0,1,2,5,10"}, 2000, 5);
}
BENCHMARK(BM_BatchFiveSpacingsTsv)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
