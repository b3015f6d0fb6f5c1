// A program run as a child process with its standard input and output on
// pipes, for tests that talk to it turn by turn. A read waits at most 20
// seconds for what is due, so a program that waits for input before it has
// written what it owes fails the test instead of hanging it.
#ifndef LODTHRESH_TESTS_SUPPORT_CHILD_PROCESS_H
#define LODTHRESH_TESTS_SUPPORT_CHILD_PROCESS_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace lodthresh::testing {

class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> arguments;  // after the program's name
        std::string directory;               // where it runs; empty: here
        bool merge_errors = false;           // standard error into the output pipe, as 2>&1
        bool no_reader = false;              // the output pipe's reader is closed at once
    };

    ChildProcess(const std::string& program, const Options& options) {
        // A child that has died must fail the test, not end it by a signal.
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2], err[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
            return;
        }
        if (options.no_reader) {
            close(out[0]);  // before the child starts, so that its first write fails
            out[0] = -1;
        }
        std::vector<std::string> words = options.arguments;
        words.insert(words.begin(), program);
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        child_ = fork();
        if (child_ == 0) {
            if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 ||
                dup2(options.merge_errors ? out[1] : err[1], 2) < 0 ||
                (!options.directory.empty() && chdir(options.directory.c_str()) != 0)) {
                _exit(126);
            }
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
    ~ChildProcess() {
        for (const int fd : {in_, out_, err_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Writes `text` to the child's standard input; false when it cannot.
    bool send(const std::string& text) const {
        return write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    void close_input() {
        close(in_);
        in_ = -1;
    }

    // Reads the output until done(everything received) holds; false when the
    // output ends first or nothing more comes for 20 seconds.
    template <class Done>
    bool read_until(Done done) {
        char block[4096];
        while (!done(received_)) {
            pollfd ready{out_, POLLIN, 0};
            const ssize_t got = poll(&ready, 1, 20000) == 1 ? read(out_, block, sizeof block) : 0;
            if (got <= 0) {
                return false;
            }
            received_.append(block, static_cast<std::size_t>(got));
        }
        return true;
    }
    bool read_until_end_is(const std::string& text) {
        return read_until([&](const std::string& r) {
            return r.size() >= text.size() &&
                   r.compare(r.size() - text.size(), text.size(), text) == 0;
        });
    }
    const std::string& received() const { return received_; }

    // The whole standard error, once the child has closed it.
    std::string errors() const {
        std::string text;
        char block[4096];
        for (ssize_t got; (got = read(err_, block, sizeof block)) > 0;) {
            text.append(block, static_cast<std::size_t>(got));
        }
        return text;
    }
    int exit_status() {
        int status = -1;
        waitpid(child_, &status, 0);
        child_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid() const { return child_; }
    // The whole wait status, for a child that a signal may have ended.
    int wait_status() {
        int status = -1;
        waitpid(child_, &status, 0);
        child_ = -1;
        return status;
    }

  private:
    pid_t child_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string received_;
};

}  // namespace lodthresh::testing

#endif  // LODTHRESH_TESTS_SUPPORT_CHILD_PROCESS_H
