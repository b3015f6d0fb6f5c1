// Thresholds of the designs that linkage scans use, at any marker spacing and
// on a map of the user's own: the designs and their tests (designs.h,
// pointwise.h), Siegmund's discrete-marker factor nu (nu.h) and the
// genome-wide level and its threshold (level.h), and interval mapping's
// peaks between markers (interval.h), and the power of a scan to find a QTL
// (power.h).
#ifndef LODTHRESH_THRESHOLD_DESIGN_H
#define LODTHRESH_THRESHOLD_DESIGN_H

#include "threshold/designs.h"
#include "threshold/interval.h"
#include "threshold/level.h"
#include "threshold/nu.h"
#include "threshold/pointwise.h"
#include "threshold/power.h"

#endif  // LODTHRESH_THRESHOLD_DESIGN_H
