// Character-level console input and output over a given pair of C streams.
// Nothing else in the program touches the streams directly.
#ifndef LODTHRESH_CONSOLE_TERMINAL_H
#define LODTHRESH_CONSOLE_TERMINAL_H

#include <cstdio>

namespace lodthresh {

class Terminal {
  public:
    enum class Scan {
        number,      // a finite number was scanned
        not_number,  // the characters do not begin a number, or it is not finite
        end,         // the input ended while white space was skipped
    };

    Terminal(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

    // The next character, or EOF at the end of the input. Flushes the output
    // first, so that a prompt is visible before the program waits.
    int read_char();
    // Returns one character to the input; the next read or scan sees it first.
    void push_back(int c);
    // Reads up to and including the next line end (or the end of the input).
    void discard_line();
    // Formatted input with "%lf": skips white space, then reads the longest
    // prefix that forms a number. The character that ends it stays unread.
    Scan scan_number(double* value);

    void print(const char* text);
    void print_value(const char* format, double value);

  private:
    std::FILE* in_;
    std::FILE* out_;
};

}  // namespace lodthresh

#endif  // LODTHRESH_CONSOLE_TERMINAL_H
