#include "cli/command_line.h"

#include <cstring>
#include <optional>
#include <string>

#include "cli/designs.h"
#include "cli/io.h"
#include "cli/options.h"
#include "cli/runner.h"
#include "cli/simulation_run.h"
#include "cli/standard.h"

namespace lodthresh::cli {

int run(int argc, char* argv[], int in, int out, std::FILE* err) {
    Options options;
    if (const std::optional<int> status = read_options(argc, argv, options, err)) {
        return *status;
    }
    RowOutput output(out);
    int status = 0;
    if (options.help || options.version) {
        output.add(options.help ? help_text() : "lodthresh " LODTHRESH_VERSION "\n");
    } else if (options.designs_mode()) {
        status = run_designs(options, in, output, err);
    } else {
        status = run_standard(options, in, output, err);
    }
    if (!output.flush()) {
        std::fprintf(err, "lodthresh: standard output: %s\n", std::strerror(output.error()));
        return status == 2 ? 2 : 1;
    }
    if (status == kInterrupted) {
        std::fputs("lodthresh: interrupted\n", err);
        std::fflush(err);
        InterruptWatch::end_by_signal();
    }
    return status;
}

}  // namespace lodthresh::cli
