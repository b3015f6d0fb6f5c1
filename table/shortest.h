// The shortest decimal text of a double that reads back as the same double.
#ifndef LODTHRESH_TABLE_SHORTEST_H
#define LODTHRESH_TABLE_SHORTEST_H

#include <string>

namespace lodthresh::table {

// "0.05", "1e-08", "33": std::to_chars's shortest round-trip form.
std::string shortest(double value);
void append_shortest(double value, std::string& out);

// A number as people read it: at most 6 significant digits, trailing zeros
// dropped ("13.95" for a map's 13.949999999999992). For text meant to be
// read, never to be read back.
std::string readable_number(double value);

// The text format's layout of such numbers.
constexpr const char* kReadable = "%.6g";

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_SHORTEST_H
