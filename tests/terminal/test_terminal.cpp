// The built program on a pseudo-terminal that is its controlling terminal and
// its standard input, output and error, typed at key by key as a user would.
// Each key is typed only when everything before it, the prompt above all, is
// on the screen: a prompt that is not flushed before the program waits for its
// answer never shows, and the test fails instead of typing ahead.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "console/transcript.h"
#include "support/temp_dir.h"

namespace lodthresh {
namespace {

using namespace transcript;
using testing::read_file;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

// How long to wait for the screen to show what is due, or for the program to
// end. Far more than any step takes; it only keeps a program that hangs, or
// waits without showing its prompt, from hanging the test.
constexpr std::chrono::seconds kPatience{20};

constexpr char kEnter = '\r';  // what the Enter key sends
constexpr char kCtrlD = '\x04';

// What the terminal shows for text that the program writes: the line
// discipline turns each line end into carriage return and line feed.
std::string on_screen(const std::string& text) {
    std::string screen;
    for (const char c : text) {
        if (c == '\n') {
            screen += '\r';
        }
        screen += c;
    }
    return screen;
}

// What the terminal echoes for a typed key. Enter arrives at the program as a
// line end and is echoed as one; Ctrl-D, the end-of-file key, is not echoed.
std::string echo_of(char key) {
    if (key == kEnter) {
        return on_screen("\n");
    }
    if (key == kCtrlD) {
        return "";
    }
    return std::string(1, key);
}

// Control characters made visible, for failure messages.
std::string visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
                    out += code;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// A program running on the slave side of a pseudo-terminal; this side holds
// the master, reads the screen from it and types into it.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (master_ >= 0) {
            close(master_);
        }
    }

    // Starts `program` in `directory`, in a session of its own whose
    // controlling terminal is a new pseudo-terminal in canonical mode with
    // echo, as an interactive shell leaves it.
    ::testing::AssertionResult start(const std::string& program, const std::string& directory,
                                     const std::vector<std::string>& arguments = {}) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            return failure("no pseudo-terminal");
        }
        const char* const name = ptsname(master_);
        if (name == nullptr) {
            return failure("no name for the pseudo-terminal");
        }
        const int slave = open(name, O_RDWR | O_NOCTTY);
        if (slave < 0) {
            return failure("cannot open the terminal side");
        }
        termios modes{};
        tcgetattr(slave, &modes);
        modes.c_iflag |= ICRNL;  // Enter (carriage return) arrives as a line end
        modes.c_iflag &= ~static_cast<tcflag_t>(INLCR | IGNCR | IXON);
        modes.c_oflag |= OPOST | ONLCR;  // a line end shows as carriage return, line feed
        modes.c_oflag &= ~static_cast<tcflag_t>(OCRNL | ONOCR | ONLRET | TABDLY);
        modes.c_lflag |= ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHONL);
        modes.c_cc[VEOF] = kCtrlD;
        const winsize size{24, 80, 0, 0};
        if (tcsetattr(slave, TCSANOW, &modes) != 0 || ioctl(slave, TIOCSWINSZ, &size) != 0) {
            close(slave);
            return failure("cannot set the terminal modes");
        }

        child_ = fork();
        if (child_ < 0) {
            close(slave);
            return failure("cannot fork");
        }
        if (child_ == 0) {
            // The terminal side stays open throughout, in this process until
            // the program ends, so the master never sees it closed before.
            if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0 || dup2(slave, 0) < 0 ||
                dup2(slave, 1) < 0 || dup2(slave, 2) < 0 || chdir(directory.c_str()) != 0) {
                _exit(126);
            }
            if (slave > 2) {
                close(slave);
            }
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(slave);
        return ::testing::AssertionSuccess();
    }

    // Reads the screen until it holds as many bytes as `expected`, differs from
    // it, the program has closed the terminal, or patience runs out; succeeds
    // when the screen then begins with `expected`.
    ::testing::AssertionResult shows(const std::string& expected) {
        const Clock::time_point deadline = Clock::now() + kPatience;
        std::size_t same = 0;  // leading bytes of the screen that agree with `expected`
        const auto agrees = [&] {
            while (same < screen_.size() && same < expected.size() &&
                   screen_[same] == expected[same]) {
                ++same;
            }
            return same == screen_.size();
        };
        // A screen that already differs fails at once, without waiting.
        while (agrees() && same < expected.size() && read_some(deadline)) {
        }
        if (same == expected.size()) {
            return ::testing::AssertionSuccess();
        }
        const char* const why = same < screen_.size() ? "the screen differs"
                                : closed_             ? "the program closed the terminal"
                                : timed_out_          ? "nothing more came in time"
                                                      : "the screen cannot be read";
        const std::size_t from = same < 60 ? 0 : same - 60;
        return ::testing::AssertionFailure()
               << why << " after byte " << same << " of " << expected.size()
               << ".\nExpected, from byte " << from << ": " << visible(expected.substr(from))
               << "\nOn the screen, from byte " << from << ": " << visible(screen_.substr(from));
    }

    // Types one key.
    void press(char key) {
        while (write(master_, &key, 1) < 0 && errno == EINTR) {
        }
    }

    // Reads the screen until the program has closed the terminal, then
    // succeeds when the program has ended with `status`.
    ::testing::AssertionResult ends_with_status(int status,
                                                std::chrono::seconds patience = kPatience) {
        const Clock::time_point deadline = Clock::now() + patience;
        while (read_some(deadline)) {
        }
        if (!closed_) {
            return ::testing::AssertionFailure()
                   << "the program did not end; on the screen: " << visible(screen_);
        }
        int how = 0;
        pid_t done = 0;
        while ((done = waitpid(child_, &how, WNOHANG)) == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (done != child_) {
            return ::testing::AssertionFailure()
                   << "the program closed the terminal but did not end";
        }
        child_ = -1;
        if (!WIFEXITED(how)) {
            return ::testing::AssertionFailure()
                   << "the program was ended by signal " << (WIFSIGNALED(how) ? WTERMSIG(how) : 0);
        }
        if (WEXITSTATUS(how) != status) {
            return ::testing::AssertionFailure() << "exit status " << WEXITSTATUS(how);
        }
        return ::testing::AssertionSuccess();
    }

    const std::string& screen() const { return screen_; }

  private:
    ::testing::AssertionResult failure(const char* what) const {
        return ::testing::AssertionFailure() << what << ": " << std::strerror(errno);
    }

    // Adds what the program has written to the screen, waiting for it until
    // `deadline`. False once the program has closed the terminal (all of its
    // output read) or the deadline has passed.
    bool read_some(Clock::time_point deadline) {
        if (closed_) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timed_out_ = true;
            return false;
        }
        pollfd ready{master_, POLLIN, 0};
        const int n = poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0) {
            return errno == EINTR;
        }
        if (n == 0) {
            timed_out_ = true;
            return false;
        }
        char buffer[4096];
        const ssize_t got = read(master_, buffer, sizeof buffer);
        if (got > 0) {
            screen_.append(buffer, static_cast<std::size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR) {
            return true;
        }
        closed_ = true;  // EIO: no process has the terminal side open any more
        return false;
    }

    int master_ = -1;
    pid_t child_ = -1;
    std::string screen_;
    bool closed_ = false;
    bool timed_out_ = false;
};

// One turn of the dialogue: what the program shows before it waits, and the
// keys typed when that is on the screen ("\n" for Enter).
struct Turn {
    std::string shows;
    std::string types;
};

// Plays `turns` on `terminal` key by key. Before every key the screen must
// show the whole session so far, with the echo of the keys typed before it.
// Returns that screen, as it is due when the last key has been typed.
std::string play(PseudoTerminal& terminal, const std::vector<Turn>& turns) {
    std::string due;
    for (std::size_t i = 0; i < turns.size(); ++i) {
        SCOPED_TRACE("turn " + std::to_string(i + 1) + ", before typing \"" +
                     visible(turns[i].types) + "\"");
        due += on_screen(turns[i].shows);
        for (const char typed : turns[i].types) {
            const char key = typed == '\n' ? kEnter : typed;
            EXPECT_TRUE(terminal.shows(due));
            if (::testing::Test::HasFailure()) {
                return due;
            }
            terminal.press(key);
            due += echo_of(key);
        }
    }
    return due;
}

const std::string kLengthHelp = "\n\nThe length of the human genome (default) equals 33M.";

// The results of the defaults with 22 chromosomes: on the console, then the
// parameter block and the results block in the file.
const std::string kResults22 =
    "\n\n*********************************************************"
    "\nResults:"
    "\n\nNominal alpha\t\t\t= 0.0000225308"
    "\n\nLOD for infinitely dense map\t= 3.614483"
    "\n\nLOD for 10cM map\t\t= 2.891586"
    "\nLOD for 5cM map\t\t\t= 3.072310"
    "\nLOD for 2cM map\t\t\t= 3.253035"
    "\nLOD for 1cM map\t\t\t= 3.361469";
const std::string kEcho22 =
    "\n\nLength of genomic region in Morgan\t=\t33.00"
    "\nNumber of chromosomes\t\t\t=\t22"
    "\nCross over rate\t\t\t\t=\t2"
    "\nGlobal significance level\t\t=\t0.050000"
    "\nPrecision\t\t\t\t=\t0.0000000100";
const std::string kFileResults22 =
    "\n\nNominal alpha\t\t\t= 0.0000225308"
    "\nLOD for infinitely dense map\t= 3.614483"
    "\nLOD for 10cM map\t\t= 2.891586"
    "\nLOD for 5cM map\t\t\t= 3.072310"
    "\nLOD for 2cM map\t\t\t= 3.253035"
    "\nLOD for 1cM map\t\t\t= 3.361469"
    "\n\n*********************************************************\n\n";

// Starts the program on a new pseudo-terminal in `dir`, plays `turns` to it,
// and checks that the screen showed exactly what was due, the closing line
// included, and that the run ended with status 0.
void play_whole_session(const TempDir& dir, const std::vector<Turn>& turns) {
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.start(LODTHRESH_BINARY, dir.path().string()));
    const std::string due = play(terminal, turns) + on_screen(kClosingLine);
    if (::testing::Test::HasFailure()) {
        return;
    }
    EXPECT_TRUE(terminal.ends_with_status(0));
    EXPECT_EQ(visible(terminal.screen()), visible(due));
}

TEST(Terminal, AWholeSessionTypedKeyByKey) {
    TempDir dir;
    // 23.5 is rejected and shown rounded in the re-prompt; Enter there submits
    // it again; 22 is accepted.
    const std::string not_whole = kNotWhole + "\n" + chromosomes("24");
    const std::vector<Turn> session = {
        {kBanner, "s\n"},
        {kHead + length("33.00"), "?\n"},
        {kLengthHelp + length("33.00"), "\n"},
        {chromosomes("23"), "23.5\n"},
        {not_whole, "\n"},
        {not_whole, "22\n"},
        {rate("2"), "?\n"},
        {kCrossOverTable + rate("2"), "\n"},
        {level("0.0500"), "\n"},
        {precision("0.0000000100"), "\n"},
        {kResults22 + kContinueQuestion, "e\n"},
    };
    play_whole_session(dir, session);
    EXPECT_EQ(read_file(dir.file("veskLOD.res")), kHeaderBlock + kEcho22 + kFileResults22);
}

TEST(Terminal, CtrlDAtAPromptEndsTheRun) {
    // The terminal's end of file ends the run at once, although the terminal
    // would go on delivering keys typed after it; with saving on, the file
    // holds only the header of the dialogue that was not completed.
    TempDir dir;
    const std::vector<Turn> session = {
        {kBanner, "s\n"},
        {kHead + length("33.00"), "\n"},
        {chromosomes("23"), std::string(1, kCtrlD)},
    };
    play_whole_session(dir, session);
    EXPECT_EQ(read_file(dir.file("veskLOD.res")), kHeaderBlock);
}

// The lines a terminal ends up showing for what a program wrote: a carriage
// return goes back to the line's start, ESC [ K clears to its end.
std::vector<std::string> shown_lines(const std::string& screen) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t column = 0;
    for (std::size_t i = 0; i < screen.size(); ++i) {
        const char c = screen[i];
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            lines.push_back(line);
            line.clear();
            column = 0;
        } else if (c == '\033' && screen.compare(i, 3, "\033[K") == 0) {
            line.resize(column);
            i += 2;
        } else {
            if (column < line.size()) {
                line[column] = c;
            } else {
                line += c;
            }
            ++column;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// A simulation on a terminal shows its progress on a line of its own, which
// is erased before each row and before the end: no row starts on the bar.
TEST(Terminal, TheProgressBarNeverSharesALineWithARow) {
    TempDir dir;
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.start(LODTHRESH_BINARY, dir.path().string(),
                               {"--design", "backcross,intercross", "-G", "16", "-C", "20",
                                "--spacing", "1,5", "--simulate", "150000", "--threads", "2"}));
    // A few seconds, far longer under the sanitizers.
    ASSERT_TRUE(terminal.ends_with_status(0, std::chrono::seconds(600)));
    EXPECT_NE(terminal.screen().find("simulating "), std::string::npos)
        << "the bar was never drawn: the test would prove nothing";
    const std::vector<std::string> lines = shown_lines(terminal.screen());
    std::size_t rows = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("simulating"), std::string::npos) << visible(line);
        rows += line.find("  two-sided  ") != std::string::npos ||
                line.find("  2df  ") != std::string::npos;
    }
    EXPECT_EQ(rows, 4u) << visible(terminal.screen());
}

}  // namespace
}  // namespace lodthresh
