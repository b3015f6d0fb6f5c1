// The shortest decimal text of a double that reads back as the same double.
#ifndef LODTHRESH_TABLE_SHORTEST_H
#define LODTHRESH_TABLE_SHORTEST_H

#include <string>

namespace lodthresh::table {

// "0.05", "1e-08", "33": std::to_chars's shortest round-trip form.
std::string shortest(double value);
void append_shortest(double value, std::string& out);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_SHORTEST_H
