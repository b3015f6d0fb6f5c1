// Interval mapping's peaks between the markers (threshold/interval.h).
//
// One-sided and two-sided tests. With c = b^2 / 2 = T / 2, a = tan(theta/2)
// and h = theta / 2,
//   I = exp(-c) J / pi,  J = int_0^a (1 - exp(-c x^2)) / (1 + x^2) dx,
//   dI/dT = exp(-c) / (2 pi) [int_0^a exp(-c x^2) dx - h],
// the derivative in closed form (erf), since d/dc of exp(-c) (1 - exp(-c x^2))
// / (1 + x^2) is exp(-c) (exp(-c x^2) - 1 / (1 + x^2)). J is taken with
// -expm1, which keeps every digit where c x^2 is small, by Gauss-Legendre
// rules of 16 points on panels at most 1.625 / sqrt(c) wide, up to
// x = min(a, 6.5 / sqrt(c)); beyond 6.5 / sqrt(c) exp(-c x^2) is below
// exp(-42) and the integrand is 1 / (1 + x^2), whose integral is an arctangent.
// Within 5e-16 relative of 60-digit quadratures of the polar integral over
// theta in [1e-4, pi/2) and b in [0.01, 38] (tools/interval_references.py).
//
// The 2-df test. With W_a = R_a (cos phi_a, sin phi_a) and W_d likewise, the
// statistic at a point j is u A_j + v D_j, u = R_a^2 and v = R_d^2
// independent exponentials of mean 2, A_j = cos^2(phi_a - psi_a(x_j)) and
// D_j = cos^2(phi_d - psi_d(x_j)). For given angles the scan stays below T
// inside the polygon {u, v >= 0: u A_j + v D_j <= T for every j}, whose
// boundary comes from the upper-right convex hull of the points (A_j, D_j).
// Outside it, the cone from the origin through two neighbouring vertices p,
// q of the polygon holds the probability
//   |det(p, q)| / 4 * (g(L_p) - g(L_q)) / (L_q - L_p),  g(L) = exp(-L) / L,
// L = (u + v) / 2 at the vertex: the exponential's integral along the rays of
// the cone, then across it. The vertices scale with T, so each angle's
// polygon is found once and the level is a sum of such terms at every T.
// The peaks between the markers are the polygon of all points less the
// markers', integrated over the angles, which repeat every pi, by
// Gauss-Legendre rules on panels that end where the points' order in A or D
// changes for the markers (psi = 0, theta/2, theta, and the same + pi/2).
#include "threshold/interval.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "threshold/designs.h"
#include "threshold/genetic_map.h"
#include "threshold/units.h"

namespace lodthresh {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = 1.57079632679489661923;
constexpr double kSqrtPi = 1.77245385090551602730;  // sqrt(pi)

// Nodes x > 0 and weights of the Gauss-Legendre rules on [-1, 1], each node
// also at -x (tools/interval_references.py prints them to 20 digits).
struct Node {
    double x;
    double w;
};
constexpr Node kLegendre6[] = {{2.3861918608319691e-1, 4.6791393457269105e-1},
                               {6.6120938646626451e-1, 3.6076157304813861e-1},
                               {9.3246951420315203e-1, 1.7132449237917035e-1}};
constexpr Node kLegendre16[] = {
    {9.501250983763744e-2, 1.894506104550685e-1},   {2.8160355077925891e-1, 1.8260341504492359e-1},
    {4.5801677765722739e-1, 1.6915651939500254e-1}, {6.1787624440264375e-1, 1.4959598881657673e-1},
    {7.5540440835500303e-1, 1.2462897125553387e-1}, {8.6563120238783174e-1, 9.5158511682492785e-2},
    {9.4457502307323258e-1, 6.2253523938647893e-2}, {9.8940093499164993e-1, 2.7152459411754095e-2}};

// ----- Angles -----

// log tan psi(x) = 2 rho (2x - d) + log(1 - exp(-4 rho x)) - log(1 - exp(-4 rho d)) / 2,
// which stays finite where tan psi itself would overflow (rho d beyond 170).
double log_tangent(double rate, double length, double offset) {
    return 2.0 * (rate * (2.0 * offset - length)) + std::log(-std::expm1(-4.0 * (rate * offset))) -
           0.5 * std::log(-std::expm1(-4.0 * (rate * length)));
}

double angle_at(double rate, double length, double offset) {
    if (offset >= length) {
        return std::atan(std::exp(log_tangent(rate, length, length)));
    }
    return std::atan(std::exp(log_tangent(rate, length, offset)));
}

// An arc of directions, by its half-angle h and tan h.
struct Arc {
    double half;
    double tan_half;
};

Arc arc_of_angle(double angle) {
    const double half = 0.5 * angle;
    return Arc{half, std::tan(half)};
}

// The whole interval: tan(theta/2) = sqrt(1 - r^2) / (1 + r), r = exp(-2 rho d).
Arc interval_arc(double rate, double length) {
    const double r = std::exp(-2.0 * (rate * length));
    const double tan_half = std::sqrt(-std::expm1(-4.0 * (rate * length))) / (1.0 + r);
    return Arc{std::atan(tan_half), tan_half};
}

// The arc between the points x1 < x2 of an interval: its angle is
// atan2(tan psi2 - tan psi1, 1 + tan psi1 tan psi2), with the difference of
// the tangents exp(2 rho (2 x1 - d)) expm1(4 rho (x2 - x1)) / sqrt(1 - r^2)
// free of cancellation; past the range of the tangents, the difference of
// the angles.
Arc arc_between(double rate, double length, double x1, double x2) {
    const double spread = 4.0 * (rate * (x2 - x1));
    const double log_t2 = log_tangent(rate, length, x2);
    if (log_t2 < 300.0 && spread < 700.0) {
        const double t1 = std::exp(log_tangent(rate, length, x1));
        const double t2 = std::exp(log_t2);
        const double difference =
            std::exp(2.0 * (rate * (2.0 * x1 - length)) + std::log(std::expm1(spread)) -
                     0.5 * std::log(-std::expm1(-4.0 * (rate * length))));
        return arc_of_angle(std::atan2(difference, 1.0 + t1 * t2));
    }
    return arc_of_angle(angle_at(rate, length, x2) - angle_at(rate, length, x1));
}

// ----- One-sided and two-sided tests -----

// exp(-c x^2) is below exp(-42) beyond x = 6.5 / sqrt(c): the integrand of J
// is 1 / (1 + x^2) there to 1e-18 of J.
constexpr double kGaussianReach = 6.5;
// Panels at most 1.625 / sqrt(c) wide (four up to kGaussianReach): the
// 16-point rule is exact to rounding on each (measured against mpmath).
constexpr double kPanelWidth = 1.625;

// J and int_0^a exp(-c x^2) dx - h of an arc at c = T / 2.
struct ArcValue {
    double peaks;  // J
    double slope;  // 2 pi exp(c) dI/dT
};

ArcValue arc_value(const Arc& arc, double c) {
    const double a = arc.tan_half;
    if (c == 0.0 || a == 0.0) {
        return ArcValue{0.0, a - arc.half};
    }
    const double root_c = std::sqrt(c);
    const double reach = std::min(a, kGaussianReach / root_c);
    const int panels = std::max(1, static_cast<int>(std::ceil(reach * root_c / kPanelWidth)));
    double j = 0.0;
    for (int panel = 0; panel < panels; ++panel) {
        const double lo = reach * panel / panels;
        const double hi = reach * (panel + 1) / panels;
        const double middle = 0.5 * (lo + hi);
        const double radius = 0.5 * (hi - lo);
        double sum = 0.0;
        for (const Node& node : kLegendre16) {
            for (const double x : {middle - radius * node.x, middle + radius * node.x}) {
                sum += node.w * (-std::expm1(-c * x * x)) / (1.0 + x * x);
            }
        }
        j += radius * sum;
    }
    if (reach < a) {
        j += std::atan((a - reach) / (1.0 + a * reach));
    }
    const double z = a * root_c;
    const double gaussian = a * (0.5 * kSqrtPi) * std::erf(z) / z;
    return ArcValue{j, gaussian - arc.half};
}

// exp(-c) / erfc(sqrt c): directly while erfc is a normal double with digits
// to spare, beyond by the asymptotic series of erfcx(z) = exp(z^2) erfc(z),
// z sqrt(pi) erfcx(z) = sum_n (-1)^n (2n - 1)!! / (2 z^2)^n, whose terms
// fall below 1e-17 within nine at z^2 > 650.
double exp_over_erfc(double c) {
    if (c <= 650.0) {
        return std::exp(-c) / std::erfc(std::sqrt(c));
    }
    const double inverse = 1.0 / (2.0 * c);
    double term = 1.0;
    double series = 1.0;
    for (int n = 1; n <= 9; ++n) {
        term *= -(2.0 * n - 1.0) * inverse;
        series += term;
    }
    return std::sqrt(c) * kSqrtPi / series;
}

// The arcs of a scan, each with its weight: the number of intervals it
// stands for, negative for the arcs between pseudomarkers.
struct WeightedArc {
    Arc arc;
    double weight;
};

// ----- The 2-df test -----

// A cone of the polygon's outside, by its vertices' L at T = 1 and its
// weight: the quadrature's weight times |det| / 4 times the polygon's sign.
struct Cone {
    double weight;
    double lo;  // the smaller L of its two vertices
    double hi;
};

struct Point {
    double a;
    double d;
    bool marker;
};

// The chain of the points' upper-right convex hull, from the largest A to the
// largest D; true when a point other than a marker is on it.
bool upper_hull(std::vector<Point>& points, std::vector<Point>& chain) {
    std::sort(points.begin(), points.end(), [](const Point& p, const Point& q) {
        return p.a > q.a || (p.a == q.a && p.d > q.d);
    });
    chain.clear();
    for (const Point& q : points) {
        if (!chain.empty() && q.d <= chain.back().d) {
            continue;  // below and left of a point of the chain: never the largest
        }
        while (chain.size() >= 2) {
            const Point& p0 = chain[chain.size() - 2];
            const Point& p1 = chain.back();
            if ((p1.a - p0.a) * (q.d - p1.d) - (p1.d - p0.d) * (q.a - p1.a) > 0.0) {
                break;
            }
            chain.pop_back();
        }
        chain.push_back(q);
    }
    return std::any_of(chain.begin(), chain.end(), [](const Point& p) { return !p.marker; });
}

// Appends the cones outside the polygon of the chain, at T = 1.
void add_cones(const std::vector<Point>& chain, double weight, std::vector<Cone>& cones) {
    // A or D of exactly 0 would put a vertex at infinity; the smallest normal
    // double puts it where the exponential is 0 all the same.
    const auto vertex_on_a = [](const Point& p) { return 1.0 / std::max(p.a, DBL_MIN); };
    const auto vertex_on_d = [](const Point& p) { return 1.0 / std::max(p.d, DBL_MIN); };
    double u = vertex_on_a(chain.front());
    double v = 0.0;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        double next_u = 0.0;
        double next_v = 0.0;
        if (i + 1 < chain.size()) {
            const Point& p = chain[i];
            const Point& q = chain[i + 1];
            const double det = p.a * q.d - q.a * p.d;
            next_u = (q.d - p.d) / det;
            next_v = (p.a - q.a) / det;
        } else {
            next_v = vertex_on_d(chain.back());
        }
        const double l1 = 0.5 * (u + v);
        const double l2 = 0.5 * (next_u + next_v);
        cones.push_back(Cone{weight * 0.25 * std::fabs(u * next_v - v * next_u), std::min(l1, l2),
                             std::max(l1, l2)});
        u = next_u;
        v = next_v;
    }
}

// e^{T/2} times the cones' probability, and its derivative in T.
ExcessPeaks cones_at(const std::vector<Cone>& cones, double t) {
    double value = 0.0;
    double slope = 0.0;
    for (const Cone& cone : cones) {
        // (g(lo) - g(hi)) / (hi - lo) = exp(-T lo) [1 + lo E] / (lo hi),
        // E = (1 - exp(-T (hi - lo))) / (hi - lo), T at hi = lo.
        const double spread = cone.hi - cone.lo;
        const double e = spread > 0.0 ? -std::expm1(-t * spread) / spread : t;
        const double scale = cone.weight * std::exp(-t * (cone.lo - 0.5)) / (cone.lo * cone.hi);
        value += scale * (1.0 + cone.lo * e);
        slope += scale * (cone.lo * std::exp(-t * spread) - (cone.lo - 0.5) * (1.0 + cone.lo * e));
    }
    return ExcessPeaks{value, slope};
}

// Gauss-Legendre nodes over [0, pi) for one component's angle, on panels
// ending at 0, theta/2, theta, pi/2, pi/2 + theta/2 and pi/2 + theta, where
// the markers' order in A (or D) changes. Graded: the panels beyond theta
// and pi/2 + theta also end at theta 2^k further on, where the integrand
// falls off on the scale of the arc (a short interval's narrow arc).
constexpr int kGradedPanels = 8;

template <std::size_t N>
std::vector<Node> angle_rule(double theta, const Node (&nodes)[N], bool graded) {
    std::vector<double> ends = {
        0.0, 0.5 * theta, theta, kHalfPi, kHalfPi + 0.5 * theta, kHalfPi + theta, kPi};
    if (graded && theta > 0.0) {
        // Eight doublings reach from the arc of a 0.01 cM interval to pi/2;
        // an arc narrower still keeps one wide panel beyond them.
        for (int k = 0; k < kGradedPanels && std::ldexp(theta, k) + theta < kHalfPi; ++k) {
            const double width = std::ldexp(theta, k);
            ends.push_back(theta + width);
            ends.push_back(kHalfPi + theta + width);
        }
        std::sort(ends.begin(), ends.end());
    }
    std::vector<Node> rule;
    for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
        const double middle = 0.5 * (ends[i] + ends[i + 1]);
        const double radius = 0.5 * (ends[i + 1] - ends[i]);
        if (!(radius > 0.0)) {
            continue;
        }
        for (const Node& node : nodes) {
            rule.push_back(Node{middle - radius * node.x, radius * node.w});
            rule.push_back(Node{middle + radius * node.x, radius * node.w});
        }
    }
    return rule;
}

// The points of an interval evaluated by the 2-df scan, as angles of the two
// components, the markers first and last.
struct ComponentAngles {
    std::vector<double> additive;
    std::vector<double> dominance;
};

ComponentAngles component_angles(double rate, double length, const std::vector<double>& offsets) {
    ComponentAngles angles;
    for (const double x : offsets) {
        angles.additive.push_back(angle_at(kAdditiveShare * rate, length, x));
        angles.dominance.push_back(angle_at(kDominanceShare * rate, length, x));
    }
    return angles;
}

// The grids of every point between the markers: 32 and 64 intervals, whose
// levels' errors fall with the square of the width, extrapolated as
// (4 P_64 - P_32) / 3.
constexpr int kCoarseGrid = 16;
constexpr double kNarrowestArc = 0.5e-3;  // half of 1e-3
constexpr int kFineGrid = 32;

// The cones of one interval, `count` of them in the scan: the points between
// the markers at `offsets` (none: every point). Every weight carries
// 1 / pi^2, the density of the two angles over [0, pi)^2.
void add_two_df_interval(double rate, double length, const std::vector<double>& offsets,
                         double count, std::vector<Cone>& cones) {
    // An additive arc below 1e-3 (an interval below 1e-4 cM) adds peaks of
    // some 1e-9 alpha_T, where its nearly equal points leave the polygons'
    // difference to rounding.
    if (interval_arc(kAdditiveShare * rate, length).half < kNarrowestArc) {
        return;
    }
    const bool every_point = offsets.empty();
    std::vector<double> xs{0.0};
    if (every_point) {
        // Even in the additive component's angle, where a long interval's
        // statistic turns within 1 / rho of its markers: tan psi = t at
        // x = (log(r + s t) + 2 rho d) / (4 rho), r = exp(-2 rho d), s = sqrt(1 - r^2).
        const double additive = kAdditiveShare * rate;
        const double r = std::exp(-2.0 * (additive * length));
        const double s = std::sqrt(-std::expm1(-4.0 * (additive * length)));
        const double theta = 2.0 * interval_arc(additive, length).half;
        for (int i = 1; i < kFineGrid; ++i) {
            const double t = std::tan(theta * i / kFineGrid);
            const double x = (std::log(r + s * t) + 2.0 * (additive * length)) / (4.0 * additive);
            xs.push_back(std::min(std::max(x, 0.0), length));
        }
    } else {
        xs.insert(xs.end(), offsets.begin(), offsets.end());
    }
    xs.push_back(length);
    const ComponentAngles angles = component_angles(rate, length, xs);
    // Every point: the smooth limit of the grids, 6 points a panel on the
    // graded panels. Pseudomarkers: each point's corner in the polygon
    // bends the integrand, 16 points a panel.
    const std::vector<Node> rule_a = every_point
                                         ? angle_rule(angles.additive.back(), kLegendre6, true)
                                         : angle_rule(angles.additive.back(), kLegendre16, false);
    const std::vector<Node> rule_d = every_point
                                         ? angle_rule(angles.dominance.back(), kLegendre6, true)
                                         : angle_rule(angles.dominance.back(), kLegendre16, false);
    const std::size_t n = xs.size();
    std::vector<double> cos_a(n), sin_a(n), cos_d(n), sin_d(n);
    for (std::size_t j = 0; j < n; ++j) {
        cos_a[j] = std::cos(angles.additive[j]);
        sin_a[j] = std::sin(angles.additive[j]);
        cos_d[j] = std::cos(angles.dominance[j]);
        sin_d[j] = std::sin(angles.dominance[j]);
    }
    std::vector<Point> all(n);
    std::vector<Point> coarse;
    std::vector<Point> markers(2);
    std::vector<Point> chain;
    std::vector<Point> marker_chain;
    const double norm = count / (kPi * kPi);
    for (const Node& na : rule_a) {
        const double ca = std::cos(na.x);
        const double sa = std::sin(na.x);
        for (const Node& nd : rule_d) {
            const double cd = std::cos(nd.x);
            const double sd = std::sin(nd.x);
            for (std::size_t j = 0; j < n; ++j) {
                const double pa = ca * cos_a[j] + sa * sin_a[j];
                const double pd = cd * cos_d[j] + sd * sin_d[j];
                all[j] = Point{pa * pa, pd * pd, j == 0 || j + 1 == n};
            }
            markers[0] = all[0];
            markers[1] = all[n - 1];
            if (every_point) {
                coarse.clear();
                for (std::size_t j = 0; j < n; j += kFineGrid / kCoarseGrid) {
                    coarse.push_back(all[j]);
                }
            }
            if (!upper_hull(all, chain)) {
                continue;  // the markers' polygon: no peak between them
            }
            const double weight = norm * na.w * nd.w;
            upper_hull(markers, marker_chain);
            if (every_point) {
                add_cones(chain, weight * 4.0 / 3.0, cones);
                if (upper_hull(coarse, chain)) {
                    add_cones(chain, -weight / 3.0, cones);
                    add_cones(marker_chain, -weight, cones);
                } else {
                    add_cones(marker_chain, -weight * 4.0 / 3.0, cones);
                }
            } else {
                add_cones(chain, weight, cones);
                add_cones(marker_chain, -weight, cones);
            }
        }
    }
}

// ----- The scan -----

// A grid point within this fraction of the step from a marker is the marker.
constexpr double kOnMarker = 1e-9;
constexpr double kMaxPseudomarkers = 100000.0;

void check_rate(double rate) {
    if (!(std::isfinite(rate) && rate > 0.0)) {
        throw std::invalid_argument("the cross-over rate must be finite and above 0");
    }
}

// Intervals alike for the points between their markers: the same length and
// the same first pseudomarker (0: every point).
using IntervalKind = std::pair<double, double>;

std::map<IntervalKind, double> interval_kinds(const IntervalScan& scan, double rate) {
    if (scan.chromosomes.empty()) {
        throw std::invalid_argument("an interval scan needs at least one chromosome");
    }
    if (!(scan.step >= 0.0)) {
        throw std::invalid_argument("the step must be at least 0");
    }
    check_rate(rate);
    const bool every_point = scan.step == kEveryPoint;
    std::map<IntervalKind, double> kinds;
    for (const std::vector<double>& intervals : scan.chromosomes) {
        // The markers' positions from the first, by Neumaier's compensated sum.
        double position = 0.0;
        double compensation = 0.0;
        for (const double length : intervals) {
            if (!(std::isfinite(length) && length >= 0.0)) {
                throw std::invalid_argument("every marker interval must be finite and not below 0");
            }
            if (!(4.0 * (rate * length) <= 1e300)) {
                throw std::invalid_argument("4 rho times a marker spacing must not exceed 1e300");
            }
            const double start = position + compensation;
            if (length > 0.0) {
                double first = 0.0;
                if (!every_point) {
                    if (length / scan.step > kMaxPseudomarkers) {
                        throw std::invalid_argument(
                            "the step leaves more than 100000 pseudomarkers in an interval");
                    }
                    const double grid = start / scan.step;
                    if (grid > 0x1p52) {
                        throw std::invalid_argument(
                            "the step is below the precision of the map's positions");
                    }
                    const double fraction = grid - std::floor(grid);
                    first = fraction < kOnMarker || fraction > 1.0 - kOnMarker
                                ? scan.step
                                : (1.0 - fraction) * scan.step;
                }
                if (every_point || first < length - kOnMarker * scan.step) {
                    kinds[IntervalKind{length, first}] += 1.0;
                }
            }
            const double sum = position + length;
            compensation += std::fabs(position) >= std::fabs(length) ? (position - sum) + length
                                                                     : (length - sum) + position;
            position = sum;
        }
    }
    return kinds;
}

std::vector<double> pseudomarkers(double length, double first, double step) {
    std::vector<double> offsets;
    for (long m = 0;; ++m) {
        const double x = first + static_cast<double>(m) * step;
        if (!(x < length - kOnMarker * step)) {
            break;
        }
        offsets.push_back(x);
    }
    return offsets;
}

// A 2-df continuous scan of more interval lengths than this takes its peaks
// between markers from interpolation in the lengths (interpolating_lengths).
constexpr std::size_t kDirectLengths = 48;
constexpr int kLengthNodes = 32;
// The most intervals of a 2-df scan at pseudomarkers that differ in length or
// place on the step's grid: each keeps its own cones (some 0.4 MB).
constexpr std::size_t kMostSteppedKinds = 1000;

// The 2-df term of an interval is a smooth function of sqrt(d) (its arcs'
// angles are analytic in sqrt(d); it rises as d^(3/2) from 0). For a map of
// many lengths it is interpolated on Chebyshev nodes in sqrt(d) over the
// map's range, so that the sum over the intervals is a sum over the nodes,
// each weighted by its Lagrange basis summed over the intervals (barycentric
// form, Berrut and Trefethen, SIAM Review 46:501-517, 2004). Returns the
// nodes' lengths and weights. Measured against the direct sum over 1,000
// uneven intervals of 0.2 to 3.2 cM and 300 of 0.01 to 40 cM: the same
// thresholds to 1e-8 LOD, in 0.5 s and 100 MB instead of 13.6 s and 1.5 GB.
std::vector<std::pair<double, double>> interpolating_lengths(
    const std::map<IntervalKind, double>& kinds) {
    const double low = std::sqrt(kinds.begin()->first.first);
    const double high = std::sqrt(kinds.rbegin()->first.first);
    std::vector<double> node(kLengthNodes);
    std::vector<double> barycentric(kLengthNodes);
    for (int k = 0; k < kLengthNodes; ++k) {
        const double angle = kPi * (2 * k + 1) / (2 * kLengthNodes);
        node[static_cast<std::size_t>(k)] =
            0.5 * (low + high) + 0.5 * (high - low) * std::cos(angle);
        barycentric[static_cast<std::size_t>(k)] = (k % 2 == 0 ? 1.0 : -1.0) * std::sin(angle);
    }
    std::vector<double> weight(kLengthNodes, 0.0);
    std::vector<double> basis(kLengthNodes);
    for (const auto& [kind, count] : kinds) {
        const double x = std::sqrt(kind.first);
        double sum = 0.0;
        std::size_t exact = kLengthNodes;
        for (std::size_t k = 0; k < node.size(); ++k) {
            if (x == node[k]) {
                exact = k;
                break;
            }
            basis[k] = barycentric[k] / (x - node[k]);
            sum += basis[k];
        }
        for (std::size_t k = 0; k < node.size(); ++k) {
            weight[k] += count * (exact < node.size() ? (k == exact ? 1.0 : 0.0) : basis[k] / sum);
        }
    }
    std::vector<std::pair<double, double>> nodes;
    for (std::size_t k = 0; k < node.size(); ++k) {
        nodes.emplace_back(node[k] * node[k], weight[k]);
    }
    return nodes;
}

// The peaks between the markers of a scan, as the level equation adds them.
class BetweenMarkers {
  public:
    BetweenMarkers(const IntervalScan& scan, Tail tail, double rate) : tail_(tail) {
        const std::map<IntervalKind, double> kinds = interval_kinds(scan, rate);
        double pseudomarker_count = 0.0;
        for (const auto& [kind, count] : kinds) {
            if (kind.second > 0.0) {
                pseudomarker_count += std::ceil((kind.first - kind.second) / scan.step);
            }
        }
        if (!(pseudomarker_count <= kMaxPseudomarkers)) {
            throw std::invalid_argument(
                "the intervals of different lengths or places on the step's grid hold more "
                "than 100000 pseudomarkers");
        }
        if (tail == Tail::two_df && scan.step != kEveryPoint && kinds.size() > kMostSteppedKinds) {
            throw std::invalid_argument(
                "the 2-df scan at pseudomarkers takes at most 1000 intervals of different "
                "lengths or places on the step's grid, not " +
                std::to_string(kinds.size()) +
                " (each keeps some 0.4 MB of quadrature): scan every point between the markers, "
                "whose threshold is some 0.01 LOD above a 1 cM step's");
        }
        if (tail == Tail::two_df && scan.step == kEveryPoint && kinds.size() > kDirectLengths) {
            for (const auto& [length, weight] : interpolating_lengths(kinds)) {
                add_two_df_interval(rate, length, {}, weight, cones_);
            }
            return;
        }
        for (const auto& [kind, count] : kinds) {
            const auto [length, first] = kind;
            const std::vector<double> offsets =
                first > 0.0 ? pseudomarkers(length, first, scan.step) : std::vector<double>{};
            if (tail == Tail::two_df) {
                add_two_df_interval(rate, length, offsets, count, cones_);
                continue;
            }
            arcs_.push_back(WeightedArc{interval_arc(rate, length), count});
            double previous = 0.0;
            for (std::size_t i = 0; i <= offsets.size() && !offsets.empty(); ++i) {
                const double next = i < offsets.size() ? offsets[i] : length;
                arcs_.push_back(WeightedArc{arc_between(rate, length, previous, next), -count});
                previous = next;
            }
        }
        // Intervals of one length share their arc.
        std::sort(arcs_.begin(), arcs_.end(), [](const WeightedArc& p, const WeightedArc& q) {
            return p.arc.half < q.arc.half;
        });
        std::vector<WeightedArc> merged;
        for (const WeightedArc& arc : arcs_) {
            if (!merged.empty() && merged.back().arc.half == arc.arc.half) {
                merged.back().weight += arc.weight;
            } else {
                merged.push_back(arc);
            }
        }
        arcs_ = std::move(merged);
    }

    // X(T) and dX/dT: the peaks between the markers over alpha_T.
    ExcessPeaks operator()(double t) const {
        if (tail_ == Tail::two_df) {
            return cones_at(cones_, t);  // alpha_T = exp(-T/2)
        }
        const Sums sums = sums_at(t);
        // exp(-T/2) / alpha_T, alpha_T = erfc(sqrt(T/2)) / 2 or erfc(sqrt(T/2)).
        const double ratio =
            tail_ == Tail::one_sided ? 2.0 * exp_over_erfc(0.5 * t) : exp_over_erfc(0.5 * t);
        const double factor = signs() * ratio * sums.peaks / kPi;
        const double slope = signs() * ratio * sums.slope / (2.0 * kPi);
        if (factor == 0.0) {
            return ExcessPeaks{0.0, slope};  // no arcs, or T = 0, where X = 0
        }
        return ExcessPeaks{factor, slope - factor * log_pointwise_level(tail_, t).slope};
    }

    // The expected number of peaks between the markers, k sum I.
    double peaks(double t) const {
        if (tail_ == Tail::two_df) {
            return std::exp(-0.5 * t) * cones_at(cones_, t).factor;
        }
        return signs() * std::exp(-0.5 * t) * sums_at(t).peaks / kPi;
    }

  private:
    struct Sums {
        double peaks;
        double slope;
    };
    Sums sums_at(double t) const {
        Sums sums{0.0, 0.0};
        for (const WeightedArc& arc : arcs_) {
            const ArcValue value = arc_value(arc.arc, 0.5 * t);
            sums.peaks += arc.weight * value.peaks;
            sums.slope += arc.weight * value.slope;
        }
        return sums;
    }
    // The two-sided test's peaks of either sign.
    double signs() const { return tail_ == Tail::two_sided ? 2.0 : 1.0; }

    Tail tail_;
    std::vector<WeightedArc> arcs_;
    std::vector<Cone> cones_;
};

void check_interval(double rate, double length) {
    check_rate(rate);
    if (!(std::isfinite(length) && length >= 0.0 && 4.0 * (rate * length) <= 1e300)) {
        throw std::invalid_argument(
            "the interval must be finite, not below 0, and 4 rho times it at most 1e300");
    }
}

void check_arc(double theta, double b) {
    if (!(theta >= 0.0 && theta <= kHalfPi)) {
        throw std::invalid_argument("the angle of an interval must lie in [0, pi/2]");
    }
    if (!(std::isfinite(b) && b >= 0.0)) {
        throw std::invalid_argument("the level b must be finite and at least 0");
    }
}

double arc_exceedance(const Arc& arc, double b) {
    const double c = 0.5 * b * b;
    return std::exp(-c) * arc_value(arc, c).peaks / kPi;
}

}  // namespace

double interval_angle(double rate, double length) {
    check_interval(rate, length);
    return 2.0 * interval_arc(rate, length).half;
}

double pseudomarker_angle(double rate, double length, double offset) {
    check_interval(rate, length);
    if (!(offset >= 0.0 && offset <= length)) {
        throw std::invalid_argument("a pseudomarker must lie between its interval's markers");
    }
    if (offset == length) {
        return interval_angle(rate, length);
    }
    return angle_at(rate, length, offset);
}

double interval_exceedance(double theta, double b) {
    check_arc(theta, b);
    return arc_exceedance(arc_of_angle(theta), b);
}

double interval_exceedance(double theta, const std::vector<double>& angles, double b) {
    check_arc(theta, b);
    std::vector<double> points = angles;
    for (const double angle : points) {
        if (!(angle >= 0.0 && angle <= theta)) {
            throw std::invalid_argument("every pseudomarker's angle must lie in [0, theta]");
        }
    }
    std::sort(points.begin(), points.end());
    points.push_back(theta);
    double between = 0.0;
    double previous = 0.0;
    for (const double angle : points) {
        between += arc_exceedance(arc_of_angle(angle - previous), b);
        previous = angle;
    }
    return arc_exceedance(arc_of_angle(theta), b) - between;
}

double two_df_interval_exceedance(double rate, double length, double t) {
    return two_df_interval_exceedance(rate, length, {}, t);
}

double two_df_interval_exceedance(double rate, double length, const std::vector<double>& offsets,
                                  double t) {
    check_interval(rate, length);
    if (!(std::isfinite(t) && t >= 0.0)) {
        throw std::invalid_argument("the threshold must be finite and at least 0");
    }
    std::vector<double> points;
    for (const double x : offsets) {
        if (!(x >= 0.0 && x <= length)) {
            throw std::invalid_argument("a pseudomarker must lie between its interval's markers");
        }
        if (x > 0.0 && x < length) {
            points.push_back(x);
        }
    }
    if (length == 0.0 || (!offsets.empty() && points.empty())) {
        return 0.0;
    }
    std::sort(points.begin(), points.end());
    std::vector<Cone> cones;
    add_two_df_interval(rate, length, points, 1.0, cones);
    return std::exp(-0.5 * t) * cones_at(cones, t).factor;
}

IntervalScan even_interval_scan(double length, int chromosomes, double spacing, double step) {
    if (!(std::isfinite(length) && length > 0.0 && std::isfinite(spacing) && spacing > 0.0)) {
        throw std::invalid_argument("the genome and the marker spacing must be finite and above 0");
    }
    if (chromosomes < 1) {
        throw std::invalid_argument("the number of chromosomes must be at least 1");
    }
    if (!(step >= 0.0)) {
        throw std::invalid_argument("the step must be at least 0");
    }
    // Both ends and ceil(L / s) equal intervals between them, a quotient that
    // lands a rounding error above a whole number being that number (as the
    // simulation lays out the same markers).
    const double each = length / chromosomes;
    const double count = std::max(1.0, std::ceil(each / spacing * (1 - 1e-12)));
    if (!(count <= 1e6)) {
        throw std::invalid_argument("a chromosome would have more than 1,000,000 intervals");
    }
    const std::vector<double> intervals(static_cast<std::size_t>(count), each / count);
    IntervalScan scan;
    scan.chromosomes.assign(static_cast<std::size_t>(chromosomes), intervals);
    scan.step = step;
    return scan;
}

IntervalScan map_interval_scan(const GeneticMap& map, double step) {
    IntervalScan scan;
    for (const MapChromosome& chromosome : map.chromosomes) {
        std::vector<double> intervals;
        for (std::size_t i = 1; i < chromosome.positions.size(); ++i) {
            intervals.push_back(chromosome.positions[i] - chromosome.positions[i - 1]);
        }
        scan.chromosomes.push_back(std::move(intervals));
    }
    scan.step = step;
    return scan;
}

Scan marker_scan(const IntervalScan& scan) {
    Scan markers{static_cast<double>(scan.chromosomes.size()), {}};
    for (const std::vector<double>& intervals : scan.chromosomes) {
        for (const double interval : intervals) {
            markers.stretches.push_back(Stretch{interval, interval});
        }
    }
    return markers;
}

double interval_expected_peaks(const IntervalScan& scan, Tail tail, double rate, double t) {
    const double at_markers = expected_peaks(marker_scan(scan), tail, rate, t);
    return at_markers + BetweenMarkers(scan, tail, rate).peaks(t);
}

DesignThreshold interval_threshold(const IntervalScan& scan, Tail tail, double rate, double alpha) {
    const Scan markers = marker_scan(scan);
    if (!(std::isfinite(alpha) && alpha > 0.0)) {
        throw std::invalid_argument("the level must be finite and above 0");
    }
    const BetweenMarkers between(scan, tail, rate);
    const ExcessOfScan excess = [&between](double t) { return between(t); };
    return solve_level(markers, excess, tail, rate, alpha);
}

}  // namespace lodthresh
