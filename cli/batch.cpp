#include "cli/batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lodthresh::cli {

namespace {

bool skipped(const std::string& line) {
    const std::string::size_type first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

}  // namespace

BatchOutcome read_batch(int fd, const std::string& name, RowOutput& out,
                        const std::function<bool()>& stopped,
                        const std::function<std::string(const std::string&)>& on_line,
                        const std::function<void(const std::string&)>& report) {
    LineReader reader(fd, out);
    std::string line;
    bool too_long = false;
    BatchOutcome outcome{true, false};
    for (long number = 1; !stopped() && reader.next(line, too_long); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // a line end written as CR LF
        }
        if (!too_long && skipped(line)) {
            continue;
        }
        const std::string error =
            too_long ? "line longer than " + std::to_string(LineReader::kMaxLine) + " characters"
                     : on_line(line);
        if (!error.empty()) {
            std::string message = name;
            message += ':';
            message += std::to_string(number);
            message += ": ";
            message += error;
            report(message);
            outcome.all_good = false;
        }
    }
    if (reader.error() != 0) {
        report(name + ": " + std::strerror(reader.error()));
        outcome.unreadable = true;
    }
    return outcome;
}

void split_fields(const std::string& line, std::vector<std::string>& fields) {
    fields.clear();
    std::string::size_type start = 0;
    while ((start = line.find_first_not_of(" \t", start)) != std::string::npos) {
        const std::string::size_type end = line.find_first_of(" \t", start);
        fields.emplace_back(line, start, end - start);
        start = end;
    }
}

int open_input(const char* path, std::FILE* err) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status {};
    int error = fd < 0 ? errno : 0;
    if (fd >= 0 && fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        error = EISDIR;
        close(fd);
    }
    if (error != 0) {
        std::fprintf(err, "lodthresh: %s: %s\n", path, std::strerror(error));
        return -1;
    }
    return fd;
}

}  // namespace lodthresh::cli
