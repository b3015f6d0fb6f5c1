// Character-level console input and output over a given pair of C streams.
// Nothing else in the program touches the streams directly.
#ifndef LODTHRESH_CONSOLE_TERMINAL_H
#define LODTHRESH_CONSOLE_TERMINAL_H

#include <sys/types.h>

#include <cstddef>
#include <cstdio>

namespace lodthresh {

// The output is flushed exactly when the program may wait for input, so that
// every prompt is visible before its answer is waited for, and is otherwise
// left to the stream's buffering:
// - input that can wait (a terminal, a pipe, a socket) is read through a stream
//   of the Terminal's own over the input's descriptor, whose refill flushes the
//   output before it reads: characters and numbers that have arrived already
//   cost no write;
// - a regular file never waits and is read with no flush at all;
// - any other input (a stream without a descriptor, or where that stream
//   cannot be made) flushes the output before every read.
// Only the Terminal reads the input while it lives. For input that can wait it
// reads the descriptor past the input stream's own buffer, so nothing may have
// been read from that stream before, and what it has read ahead ends with it.
class Terminal {
  public:
    enum class Scan {
        number,      // a finite number was scanned
        not_number,  // the characters do not begin a number, or it is not finite
        end,         // the input ended while white space was skipped
    };

    Terminal(std::FILE* in, std::FILE* out);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The next character, or EOF at the end of the input. Flushes the output
    // first when the read may wait.
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
    // What the refill of a waiting input's stream reads and flushes.
    struct Source {
        int descriptor;
        std::FILE* out;
    };
    // The refill of that stream; `source` is the Source.
    static ssize_t flush_then_read(void* source, char* buffer, std::size_t size);

    std::FILE* in_;
    std::FILE* out_;
    Source source_;
    std::FILE* reader_;             // in_ itself, or the stream over its descriptor
    bool flush_each_read_ = false;  // when no refill tells that a read may wait
};

}  // namespace lodthresh

#endif  // LODTHRESH_CONSOLE_TERMINAL_H
