// libFuzzer target: the command line with arbitrary arguments and an
// arbitrary batch on standard input.
//
// The input's lines up to the first empty line are the arguments, one per
// line; the rest is standard input, read when the arguments say --batch -.
// Every run must end with status 0, 1 or 2, nothing may crash, and a usage
// error (status 2 before any batch is read) must write nothing to standard
// output.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

// Lists and batch lines multiply: inputs that ask for more rows than this
// are skipped, so that each run stays short.
constexpr double kMaxRows = 2000;

double rows_asked_for(const std::vector<std::string>& arguments) {
    double rows = 1;
    for (const std::string& argument : arguments) {
        double elements = 1;
        for (const char c : argument) {
            elements += c == ',' ? 1 : 0;
        }
        const bool all = argument.find("all") != std::string::npos;
        rows *= elements * (all ? 14 : 1);  // 'all' is at most the 14 designs
    }
    return rows;
}

int temporary_file() {
    char path[] = "/tmp/fuzz_command_line-XXXXXX";
    const int fd = mkstemp(path);
    unlink(path);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t blank = input.find("\n\n");
    const std::string head = input.substr(0, blank);
    const std::string batch = blank == std::string::npos ? "" : input.substr(blank + 2);

    std::vector<std::string> arguments{"lodthresh"};
    std::string::size_type start = 0;
    while (start <= head.size() && arguments.size() < 17) {
        const std::string::size_type end = head.find('\n', start);
        arguments.push_back(head.substr(start, end - start));
        if (arguments.back().find('\0') != std::string::npos) {
            return 0;  // no argument of a real command line holds a NUL
        }
        if (arguments.back().find('/') != std::string::npos) {
            return 0;  // a batch from a device such as /dev/zero would never end
        }
        if (arguments.back().rfind("--si", 0) == 0) {
            return 0;  // --simulate (or its abbreviation): seconds of work, not a parser's
        }
        start = end == std::string::npos ? head.size() + 1 : end + 1;
    }
    // Each line of a batch multiplies the lists of the arguments.
    const double batch_lines =
        1.0 + static_cast<double>(std::count(batch.begin(), batch.end(), '\n'));
    if (rows_asked_for(arguments) * batch_lines > kMaxRows) {
        return 0;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const int in = temporary_file();
    const int out = temporary_file();
    std::FILE* err = std::fopen("/dev/null", "w");
    if (in < 0 || out < 0 || err == nullptr ||
        write(in, batch.data(), batch.size()) != static_cast<ssize_t>(batch.size()) ||
        lseek(in, 0, SEEK_SET) != 0) {
        std::abort();
    }
    const int status =
        lodthresh::cli::run(static_cast<int>(arguments.size()), argv.data(), in, out, err);
    const off_t written = lseek(out, 0, SEEK_END);
    close(in);
    close(out);
    std::fclose(err);
    if (status < 0 || status > 2) {
        std::abort();
    }
    const bool reads_a_batch = input.find("--batch") != std::string::npos;
    if (status == 2 && !reads_a_batch && written != 0) {
        std::abort();  // a usage error wrote rows
    }
    return 0;
}
