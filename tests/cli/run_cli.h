// Runs the command line in the process, on temporary files, for its tests.
#ifndef LODTHRESH_TESTS_CLI_RUN_CLI_H
#define LODTHRESH_TESTS_CLI_RUN_CLI_H

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "support/memory_streams.h"

namespace lodthresh {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the command line with `arguments`, `input` on its standard input.
inline Outcome run_cli(std::vector<std::string> arguments, const std::string& input = "") {
    arguments.insert(arguments.begin(), "lodthresh");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const testing::InputStream in(input);
    std::FILE* out = std::tmpfile();
    testing::OutputStream err;
    const int status = cli::run(static_cast<int>(arguments.size()), argv.data(), fileno(in.get()),
                                fileno(out), err.get());
    std::string text;
    std::rewind(out);
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
        text += static_cast<char>(c);
    }
    std::fclose(out);
    return {status, text, err.text()};
}

// The fields of each line of a tsv output, header included.
inline std::vector<std::vector<std::string>> table(const std::string& tsv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(tsv);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell);
        }
        if (!line.empty() && line.back() == '\t') {
            fields.emplace_back();
        }
        rows.push_back(fields);
    }
    return rows;
}

}  // namespace lodthresh

#endif  // LODTHRESH_TESTS_CLI_RUN_CLI_H
