// lodthresh: nominal significance levels and critical LOD scores for a
// genome-wide linkage scan. Without arguments it asks for the values in the
// interactive dialogue; with any, it takes them from the command line.
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "cli/command_line.h"
#include "console/driver.h"

int main(int argc, char* argv[]) {
    if (argc <= 1) {
        return lodthresh::run(stdin, stdout, stderr, lodthresh::kResultsFileName);
    }
    // A reader that closes the pipe early makes the write fail, which the
    // command line reports, rather than end the program by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return lodthresh::cli::run(argc, argv, STDIN_FILENO, STDOUT_FILENO, stderr);
}
