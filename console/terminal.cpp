#include "console/terminal.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>

namespace lodthresh {

// The stream's buffer is empty, so the program is about to wait: the output
// goes out first, then one read takes whatever has arrived, up to the size of
// the buffer.
ssize_t Terminal::flush_then_read(void* source, char* buffer, std::size_t size) {
    const Source& from = *static_cast<const Source*>(source);
    std::fflush(from.out);
    ssize_t got = 0;
    do {
        got = read(from.descriptor, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

Terminal::Terminal(std::FILE* in, std::FILE* out)
    : in_(in), out_(out), source_{fileno(in), out}, reader_(in) {
    struct stat status {};
    if (source_.descriptor < 0 || fstat(source_.descriptor, &status) != 0) {
        flush_each_read_ = true;
        return;
    }
    if (S_ISREG(status.st_mode)) {
        return;  // a read from a regular file never waits
    }
#if defined(__GLIBC__)
    const cookie_io_functions_t functions{flush_then_read, nullptr, nullptr, nullptr};
    std::FILE* const stream = fopencookie(&source_, "r", functions);
    if (stream != nullptr) {
        reader_ = stream;
        return;
    }
#endif
    flush_each_read_ = true;
}

Terminal::~Terminal() {
    if (reader_ != in_) {
        std::fclose(reader_);  // leaves in_ and its descriptor open
    }
}

int Terminal::read_char() {
    if (flush_each_read_) {
        std::fflush(out_);
    }
    return std::fgetc(reader_);
}

void Terminal::push_back(int c) {
    std::ungetc(c, reader_);
}

void Terminal::discard_line() {
    int c = read_char();
    while (c != '\n' && c != EOF) {
        c = read_char();
    }
}

Terminal::Scan Terminal::scan_number(double* value) {
    // White space is skipped here rather than inside fscanf so that the end of
    // the input is told apart from an entry that is not a number.
    int c = read_char();
    while (c != EOF && std::isspace(c)) {
        c = read_char();
    }
    if (c == EOF) {
        return Scan::end;
    }
    // Only a digit or a point, after an optional sign, goes to "%lf". An entry
    // that begins otherwise can never be a finite number, and glibc's scan of
    // a broken "inf" or "nan" ("in", "na") would swallow the line end behind it.
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        c = read_char();
    }
    if (c == EOF) {
        return Scan::not_number;
    }
    push_back(c);
    if (!std::isdigit(c) && c != '.') {
        return Scan::not_number;
    }
    double magnitude = 0.0;
    // An out-of-range entry comes back infinite from "%lf" and is refused here.
    // NOLINTNEXTLINE(cert-err34-c)
    if (std::fscanf(reader_, "%lf", &magnitude) != 1 || !std::isfinite(magnitude)) {
        return Scan::not_number;
    }
    // Negation is exact, so this is the double that "%lf" makes of "-digits".
    *value = negative ? -magnitude : magnitude;
    return Scan::number;
}

void Terminal::print(const char* text) {
    std::fputs(text, out_);
}

void Terminal::print_value(const char* format, double value) {
    std::fprintf(out_, format, value);
}

}  // namespace lodthresh
