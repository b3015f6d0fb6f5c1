#include "table/shortest.h"

#include <charconv>

namespace lodthresh::table {

void append_shortest(double value, std::string& out) {
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

std::string shortest(double value) {
    std::string text;
    append_shortest(value, text);
    return text;
}

}  // namespace lodthresh::table
