// What the web page shows, computed by the libraries the command line uses:
// its checks and messages, its rows in its formats, and every value of the
// plots. The page only lays the answer out.
#ifndef LODTHRESH_WEB_PAGE_H
#define LODTHRESH_WEB_PAGE_H

#include <chrono>
#include <string>

namespace lodthresh::web {

// The page's inputs as typed, each named after the command line's long option
// and taking the same text; an empty field is an option not given. A map is
// the text of the file the user chose, with the file's name.
struct Request {
    std::string length;
    std::string chromosomes;
    std::string design;
    std::string rate;
    std::string tail;
    std::string alpha;
    std::string spacing;
    std::string lod;       // peaks' LOD scores: their p-values instead of thresholds
    std::string simulate;  // null scans to simulate per design and spacing; empty: none
    std::string seed;
    std::string map_name;
    std::string map_text;
    std::string scan;  // "markers" or "interval" (interval mapping between markers)
    std::string step;  // interval mapping's pseudomarkers every step cM; empty: every point
    // A cross's individuals, and the effect of a QTL: any of the share of
    // variance (pve), the noncentrality or the target power makes the answer
    // power rows.
    std::string individuals;
    std::string pve;
    std::string dominance;  // d/a, of the intercross designs
    std::string noncentrality;
    std::string target_power;  // the field and option "target-power"
};

// The designs for the page's list and help, as JSON:
// [{"name", "tail", "rate", "meaning"}, ...] in the command line's order.
std::string designs_json();

// The answer to a request, as JSON. With a bad value:
//   {"errors": [{"field": "length", "message": "--length: '-3' is not above 0"}]}
// where the message is what the command line prints after "lodthresh: ".
// Otherwise
//   {"errors": [], "command": "lodthresh --length 16 ...", "header": [...],
//    "rows": [{"ok": true, "cells": [...]}, {"ok": false, "cells": [...],
//    "reason": "..."}], "plots": [...]}
// with the rows' cells as the command line's text format writes them (with
// peaks' LOD scores, the p-value rows'), and per design one plot of the
// critical LOD against the marker spacing (see page.cpp); power rows, marked
// "power": true, have per design a plot of the power against the number of
// individuals instead (plot.h). "dominance_applies" says whether a design
// asked for is an intercross one, whose QTL has a dominance ratio. A
// simulated answer
// also holds its "csv" (the rows of csv_text). A "note" says what the command
// line warns of (a map's X chromosome left out) and that a simulation stopped
// at the page's time limit. A fault of the libraries gives
// {"errors": [], "fault": "..."}.
std::string calculate_json(const Request& request);

// The page simulates on the thread that also draws it: a simulation still
// running after this long stops, and the rows it had not reached go without
// simulated values. The scans at markers (a spacing above 0, or a map) are
// simulated before the dense maps', which take some twenty times as long.
inline constexpr std::chrono::milliseconds kSimulationLimit{5000};

// calculate_json with a simulation stopped after `simulation_limit` instead
// of kSimulationLimit.
std::string calculate_json(const Request& request, std::chrono::milliseconds simulation_limit);

// The same rows in the command line's csv format, or "" for a bad request or
// a fault:
// made only when the page downloads them, as every bit of each double is the
// slowest part of a table (but a simulated answer brings its own).
std::string csv_text(const Request& request);

}  // namespace lodthresh::web

#endif  // LODTHRESH_WEB_PAGE_H
