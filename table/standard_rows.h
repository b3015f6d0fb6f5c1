// Rows of the standard and exact methods: one threshold calculation of Lander
// and Kruglyak's dense-map formula with the fixed map fractions.
#ifndef LODTHRESH_TABLE_STANDARD_ROWS_H
#define LODTHRESH_TABLE_STANDARD_ROWS_H

#include <iostream>
#include <optional>
#include <vector>

#include "table/format.h"
#include "table/options.h"
#include "table/schema.h"
#include "table/values.h"
#include "threshold/threshold.h"

namespace lodthresh::table {

struct Row {
    ThresholdParameters parameters;
    const char* mapping;  // the mapping method's name when the rate was given by one
    bool exact;           // the exact method, which uses no precision
    Status status;
    ThresholdResult result;  // only with Status::ok
};

// Computes the row's result and status: by the exact method when row.exact,
// else by the standard method, which lets the numerics library write its
// message to std::cerr when it fails.
void solve_standard_row(Row& row);

// The option lists of the standard mode, each as the command line expands it.
struct StandardValues {
    std::vector<double> lengths, chromosomes, alphas, precisions;
    std::vector<Rate> rates;
};

// Reads the options of this mode into `values`; an option not given takes its
// default from ThresholdParameters. With --exact the precision is not used
// (one placeholder 0). Returns the first refused value, or none.
std::optional<OptionError> read_standard_options(const Options& options, StandardValues& values);

// The fields length, chromosomes, rate, mapping, alpha, precision, status,
// nominal_alpha, lod_dense, lod_10cm, lod_5cm, lod_2cm, lod_1cm. The text
// format leaves out the status and gives the nominal level to four
// significant digits, the LOD scores to four decimals (the standard method,
// good to about five) or six (the exact method).
Schema<Row> standard_schema(bool exact);

// The numerics library writes its message of a failed calculation to
// std::cerr. For the time of one calculation std::cerr writes into `buffer`
// instead, so that a front end passes the message on where it belongs: the
// command line after the rows before it, a package as one of its messages.
class CerrRedirect {
  public:
    explicit CerrRedirect(std::streambuf* buffer) : saved_(std::cerr.rdbuf(buffer)) {}
    ~CerrRedirect() { std::cerr.rdbuf(saved_); }
    CerrRedirect(const CerrRedirect&) = delete;
    CerrRedirect& operator=(const CerrRedirect&) = delete;

  private:
    std::streambuf* saved_;
};

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_STANDARD_ROWS_H
