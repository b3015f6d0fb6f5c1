// Reference tables of the tests: tab-separated rows, '#' lines and blank lines
// skipped.
#ifndef LODTHRESH_TESTS_SUPPORT_TSV_H
#define LODTHRESH_TESTS_SUPPORT_TSV_H

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lodthresh::testing {

inline std::vector<std::vector<std::string>> read_tsv(const char* path) {
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> row;
        for (std::string field; std::getline(fields, field, '\t');) {
            row.push_back(field);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace lodthresh::testing

#endif  // LODTHRESH_TESTS_SUPPORT_TSV_H
