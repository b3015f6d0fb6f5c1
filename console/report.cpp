#include "console/report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lodthresh {

namespace {

// One line of a block: a literal label, then a value in a C format, if any.
struct ReportLine {
    const char* label;
    const char* format;  // null: the label stands alone
    double value;
};

template <std::size_t N>
std::string render(const ReportLine (&lines)[N]) {
    std::string block;
    for (const ReportLine& line : lines) {
        block += line.label;
        if (line.format != nullptr) {
            const int length = std::snprintf(nullptr, 0, line.format, line.value);
            std::string value(static_cast<std::size_t>(length) + 1, '\0');
            std::snprintf(value.data(), value.size(), line.format, line.value);
            value.pop_back();
            block += value;
        }
    }
    return block;
}

}  // namespace

bool ResultsFile::append(const std::string& block) const {
    std::FILE* file = std::fopen(path_, "a");
    int error = errno;
    bool written = false;
    if (file != nullptr) {
        struct stat before {};
        const bool regular = fstat(fileno(file), &before) == 0 && S_ISREG(before.st_mode);
        written = std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
                  std::fflush(file) == 0;
        error = errno;
        // Take a partly written block out again (a full disk, say), so that
        // the earlier blocks stay as they were.
        if (!written && regular && ftruncate(fileno(file), before.st_size) != 0) {
            // Nothing more can be done than the report of the write below.
        }
        if (std::fclose(file) != 0 && written) {
            written = false;
            error = errno;
        }
    }
    if (!written) {
        std::fflush(console_);
        std::fprintf(err_, "Could not save to %s: %s\n", path_, std::strerror(error));
    }
    return written;
}

void append_parameter_echo(const ResultsFile& file, const ThresholdParameters& parameters) {
    const ReportLine lines[] = {
        {"\n\nLength of genomic region in Morgan\t=\t", "%.2lf", parameters.genome_length},
        {"\nNumber of chromosomes\t\t\t=\t", "%.0lf", parameters.chromosomes},
        {"\nCross over rate\t\t\t\t=\t", "%.0lf", parameters.crossover_rate},
        {"\nGlobal significance level\t\t=\t", "%.6lf", parameters.significance},
        {"\nPrecision\t\t\t\t=\t", "%.10lf", parameters.precision},
    };
    file.append(render(lines));
}

void print_results(std::FILE* out, const ThresholdResult& result) {
    const ReportLine lines[] = {
        {"\n\n*********************************************************", nullptr, 0.0},
        {"\nResults:", nullptr, 0.0},
        {"\n\nNominal alpha\t\t\t= ", "%.10lf", result.nominal_alpha},
        {"\n\nLOD for infinitely dense map\t= ", "%lf", result.lod_dense},
        {"\n\nLOD for 10cM map\t\t= ", "%lf", result.lod_10cm},
        {"\nLOD for 5cM map\t\t\t= ", "%lf", result.lod_5cm},
        {"\nLOD for 2cM map\t\t\t= ", "%lf", result.lod_2cm},
        {"\nLOD for 1cM map\t\t\t= ", "%lf", result.lod_1cm},
    };
    std::fputs(render(lines).c_str(), out);
}

void append_results(const ResultsFile& file, const ThresholdResult& result) {
    const ReportLine lines[] = {
        {"\n\nNominal alpha\t\t\t= ", "%.10lf", result.nominal_alpha},
        {"\nLOD for infinitely dense map\t= ", "%lf", result.lod_dense},
        {"\nLOD for 10cM map\t\t= ", "%lf", result.lod_10cm},
        {"\nLOD for 5cM map\t\t\t= ", "%lf", result.lod_5cm},
        {"\nLOD for 2cM map\t\t\t= ", "%lf", result.lod_2cm},
        {"\nLOD for 1cM map\t\t\t= ", "%lf", result.lod_1cm},
        {kClosingLine, nullptr, 0.0},
    };
    file.append(render(lines));
}

}  // namespace lodthresh
