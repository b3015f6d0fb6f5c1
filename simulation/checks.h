// The checks of the simulation library's arguments and the text of their
// messages, shared by the scans' builders, the kernel and the estimators (not
// installed).
#ifndef LODTHRESH_SIMULATION_CHECKS_H
#define LODTHRESH_SIMULATION_CHECKS_H

#include <string>

namespace lodthresh::simulation {

// A value as a message shows it: the fewest significant digits (up to 17)
// that read back as the same double, so 1e+300 and 0.1 stay short.
std::string number_text(double x);

// Throws std::invalid_argument with the message.
[[noreturn]] void invalid(const std::string& message);

bool finite_positive(double x);

// Throws std::invalid_argument unless the cross-over rate is finite and
// positive.
void check_rate(double rate);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_CHECKS_H
