// Values as the readers of the libraries take them from text, and as their
// messages quote them.
#ifndef LODTHRESH_THRESHOLD_TEXT_H
#define LODTHRESH_THRESHOLD_TEXT_H

#include <string>
#include <string_view>

namespace lodthresh {

// A value as a message quotes it: 'text'.
std::string quoted(std::string_view text);

// The number that is the whole of `text` as strtod reads it (decimal or
// hexadecimal, an exponent, inf and nan included): true and the number, or
// false when strtod would stop before the end or the text is empty.
bool read_decimal(std::string_view text, double* value);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_TEXT_H
