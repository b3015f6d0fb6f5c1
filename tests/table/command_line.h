// The command line run in the process on arguments: apart from the tests of
// the table layer, whose namespace the command line's test helpers shadow.
#ifndef LODTHRESH_TESTS_TABLE_COMMAND_LINE_H
#define LODTHRESH_TESTS_TABLE_COMMAND_LINE_H

#include <string>
#include <vector>

namespace lodthresh::testing {

struct CommandOutcome {
    int status;
    std::string out;
    std::string err;
};

CommandOutcome run_command_line(const std::vector<std::string>& arguments);

}  // namespace lodthresh::testing

#endif  // LODTHRESH_TESTS_TABLE_COMMAND_LINE_H
