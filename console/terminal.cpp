#include "console/terminal.h"

#include <cctype>
#include <cmath>

namespace lodthresh {

int Terminal::read_char() {
    std::fflush(out_);
    return std::fgetc(in_);
}

void Terminal::push_back(int c) {
    std::ungetc(c, in_);
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
    if (std::fscanf(in_, "%lf", &magnitude) != 1 || !std::isfinite(magnitude)) {
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
