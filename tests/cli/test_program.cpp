// The built program's command line over real pipes and devices: rows stream
// while a batch is still being written, and output that cannot be written is
// reported with status 1.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

using lodthresh::testing::ChildProcess;

// Whether a text holds at least `count` line ends.
auto lines(std::size_t count) {
    return [count](const std::string& text) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= count;
    };
}

TEST(CommandLineProgram, ABatchRowArrivesBeforeTheNextLineIsWritten) {
    ChildProcess program(LODTHRESH_BINARY, {{"--batch", "-", "-f", "tsv"}, "", false, false});
    ASSERT_TRUE(program.send("33 23 2 0.05\n"));
    EXPECT_TRUE(program.read_until(lines(2))) << program.received();
    ASSERT_TRUE(program.send("33 23 1 0.05\n"));
    EXPECT_TRUE(program.read_until(lines(3)));
    const std::string rows = program.received();
    program.close_input();
    EXPECT_EQ(program.exit_status(), 0);
    EXPECT_NE(rows.find("\n33\t23\t1\t\t0.05\t1e-08\tok\t4.87750"), std::string::npos) << rows;
}

TEST(CommandLineProgram, OutputThatCannotBeWrittenIsReportedWithStatusOne) {
    ChildProcess closed(LODTHRESH_BINARY, {{"-r", "all", "-a", "all"}, "", false, true});
    EXPECT_EQ(closed.exit_status(), 1);
    EXPECT_EQ(closed.errors(), "lodthresh: standard output: Broken pipe\n");

    const std::string command =
        std::string("'") + LODTHRESH_BINARY + "' -r all > /dev/full 2> /dev/null; test $? -eq 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string message = std::string("'") + LODTHRESH_BINARY +
                                "' -r all 2>&1 > /dev/full | grep -qx "
                                "'lodthresh: standard output: No space left on device'";
    EXPECT_EQ(std::system(message.c_str()), 0);

    // A file-size limit of 1024 bytes (SIGXFSZ ignored, so that the write
    // fails with EFBIG) takes part of the first block: it is cut off again,
    // and the file keeps what it held before, with no part of a row.
    const lodthresh::testing::TempDir dir;
    const std::string limited =
        "cd '" + dir.path().string() +
        "' && printf 'earlier\\n' > rows && (trap '' XFSZ && ulimit -f 2 && '" +
        std::string(LODTHRESH_BINARY) +
        "' -G $(seq -s, 1 100) -f tsv >> rows 2> errors; test $? -eq 1) && "
        "test \"$(cat rows)\" = earlier && grep -qx 'lodthresh: standard output: File too large' "
        "errors";
    EXPECT_EQ(std::system(limited.c_str()), 0);
}

// Ctrl-C during a simulation: the rows of the genomes done before it are out
// whole, the one under way gives none, "interrupted" is said, and the process
// ends by SIGINT (status 130 in a shell).
TEST(CommandLineProgram, AnInterruptedSimulationKeepsItsWholeRowsAndEndsBySigint) {
    // 0.2 Morgan at 0.1 cM takes a fraction of a second (a few under the
    // sanitizers on a loaded machine); 33 Morgan a minute.
    ChildProcess program(LODTHRESH_BINARY,
                         {{"-G", "0.2,33", "--design", "sibs", "-a", "all", "--spacing", "0.1",
                           "--simulate", "200000", "--threads", "1", "-f", "tsv"},
                          "",
                          false,
                          false});
    // The rows of the first genome arrive as soon as it is done.
    ASSERT_TRUE(program.read_until(lines(4))) << program.received();
    kill(program.pid(), SIGINT);
    program.read_until([](const std::string&) { return false; });  // to the end
    const int status = program.wait_status();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(program.errors(), "lodthresh: interrupted\n");
    const std::string rows = program.received();
    ASSERT_EQ(std::count(rows.begin(), rows.end(), '\n'), 4) << rows;
    EXPECT_EQ(rows.find("\n33\t"), std::string::npos) << rows;
}

// No progress bar unless standard error is a terminal.
TEST(CommandLineProgram, ASimulationSaysNothingOnAnErrorStreamThatIsNoTerminal) {
    ChildProcess program(LODTHRESH_BINARY, {{"--design", "backcross", "--spacing", "1",
                                             "--simulate", "50000", "-f", "tsv"},
                                            "",
                                            false,
                                            false});
    program.read_until([](const std::string&) { return false; });
    EXPECT_EQ(program.exit_status(), 0);
    EXPECT_EQ(program.errors(), "");
    EXPECT_EQ(std::count(program.received().begin(), program.received().end(), '\n'), 2);
}

}  // namespace
