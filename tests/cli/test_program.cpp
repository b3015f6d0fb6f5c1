// The built program's command line over real pipes and devices: rows stream
// while a batch is still being written, and output that cannot be written is
// reported with status 1.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// How long to wait for a row: far more than one takes; it only keeps a
// program that does not write its row before it waits from hanging the test.
constexpr int kPatienceMs = 20000;

// The program with `arguments`, its standard input, output and error on pipes.
class Program {
  public:
    explicit Program(std::vector<std::string> arguments, bool close_output_first = false) {
        // A program that has died must fail the test, not end it by a signal.
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
            return;
        }
        if (close_output_first) {
            close(out[0]);  // nobody will ever read the rows
            out[0] = -1;
        }
        arguments.insert(arguments.begin(), LODTHRESH_BINARY);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
                if (fd > 2) {
                    close(fd);
                }
            }
            std::vector<char*> argv;
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~Program() {
        for (const int fd : {in_, out_, err_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void type(const std::string& text) const {
        ASSERT_EQ(write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void end_input() {
        close(in_);
        in_ = -1;
    }
    // What arrives on standard output until it holds `lines` line ends in
    // all, or the patience runs out.
    std::string read_lines(std::size_t lines) {
        while (static_cast<std::size_t>(std::count(out_text_.begin(), out_text_.end(), '\n')) <
               lines) {
            pollfd ready{out_, POLLIN, 0};
            char block[4096];
            const ssize_t n =
                poll(&ready, 1, kPatienceMs) == 1 ? read(out_, block, sizeof block) : 0;
            if (n <= 0) {
                break;
            }
            out_text_.append(block, static_cast<std::size_t>(n));
        }
        return out_text_;
    }
    std::string errors() const {
        std::string text;
        char block[4096];
        for (ssize_t n; (n = read(err_, block, sizeof block)) > 0;) {
            text.append(block, static_cast<std::size_t>(n));
        }
        return text;
    }
    int status() {
        int status = 0;
        waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool waited_ = false;
    std::string out_text_;
};

TEST(CommandLineProgram, ABatchRowArrivesBeforeTheNextLineIsWritten) {
    Program program({"--batch", "-", "-f", "tsv"});
    program.type("33 23 2 0.05\n");
    const std::string first = program.read_lines(2);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2) << first;
    program.type("33 23 1 0.05\n");
    const std::string rows = program.read_lines(3);
    program.end_input();
    EXPECT_EQ(program.status(), 0);
    EXPECT_NE(rows.find("\n33\t23\t1\t\t0.05\t1e-08\tok\t4.87750"), std::string::npos) << rows;
}

TEST(CommandLineProgram, OutputThatCannotBeWrittenIsReportedWithStatusOne) {
    Program closed({"-r", "all", "-a", "all"}, true);
    EXPECT_EQ(closed.status(), 1);
    EXPECT_EQ(closed.errors(), "lodthresh: standard output: Broken pipe\n");

    const std::string command =
        std::string("'") + LODTHRESH_BINARY + "' -r all > /dev/full 2> /dev/null; test $? -eq 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string message = std::string("'") + LODTHRESH_BINARY +
                                "' -r all 2>&1 > /dev/full | grep -qx "
                                "'lodthresh: standard output: No space left on device'";
    EXPECT_EQ(std::system(message.c_str()), 0);
}

}  // namespace
