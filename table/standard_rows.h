// Rows of the standard and exact methods: one threshold calculation of Lander
// and Kruglyak's dense-map formula with the fixed map fractions.
#ifndef LODTHRESH_TABLE_STANDARD_ROWS_H
#define LODTHRESH_TABLE_STANDARD_ROWS_H

#include "table/format.h"
#include "table/schema.h"
#include "threshold/threshold.h"

namespace lodthresh::table {

struct Row {
    ThresholdParameters parameters;
    const char* mapping;  // the mapping method's name when the rate was given by one
    bool exact;           // the exact method, which uses no precision
    Status status;
    ThresholdResult result;  // only with Status::ok
};

// The fields length, chromosomes, rate, mapping, alpha, precision, status,
// nominal_alpha, lod_dense, lod_10cm, lod_5cm, lod_2cm, lod_1cm. The text
// format leaves out the status and gives the nominal level to four
// significant digits, the LOD scores to four decimals (the standard method,
// good to about five) or six (the exact method).
Schema<Row> standard_schema(bool exact);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_STANDARD_ROWS_H
