#include "table/command_line.h"

#include "cli/run_cli.h"

namespace lodthresh::testing {

CommandOutcome run_command_line(const std::vector<std::string>& arguments) {
    const Outcome outcome = run_cli(arguments);
    return {outcome.status, outcome.out, outcome.err};
}

}  // namespace lodthresh::testing
