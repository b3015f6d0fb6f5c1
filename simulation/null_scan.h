// Simulated thresholds of a genome-wide linkage scan, the whole public
// interface of the simulation library in one include: the null scans and
// their builders (scan.h), the simulation of their genome-wide maxima
// (simulate.h, maxima.h), the thresholds, levels and standard errors read
// from the maxima (estimates.h), and the simulated power of a scan under a
// QTL (alternative.h).
#ifndef LODTHRESH_SIMULATION_NULL_SCAN_H
#define LODTHRESH_SIMULATION_NULL_SCAN_H

#include "simulation/alternative.h"
#include "simulation/estimates.h"
#include "simulation/maxima.h"
#include "simulation/scan.h"
#include "simulation/simulate.h"

#endif  // LODTHRESH_SIMULATION_NULL_SCAN_H
