// The parameter dialogue: asks for the five values of a calculation.
#ifndef LODTHRESH_CONSOLE_DIALOGUE_H
#define LODTHRESH_CONSOLE_DIALOGUE_H

#include "console/terminal.h"
#include "threshold/threshold.h"

namespace lodthresh {

// Asks for genome length, number of chromosomes, cross-over rate, global
// significance level and precision, in this order, each with the field's
// current value as the default that Enter keeps, '?' for help, and the checks
// of the number of chromosomes, the level and the precision. Updates the record
// in place. Returns false when the input ends before the fifth value is
// accepted; the record's fields are then not to be used for a calculation.
[[nodiscard]] bool ask_parameters(Terminal& terminal, ThresholdParameters& parameters);

}  // namespace lodthresh

#endif  // LODTHRESH_CONSOLE_DIALOGUE_H
