// Shape recognition: the stroke is resampled evenly along its length, split into straight
// pieces (Douglas-Peucker, then the pieces that still fit one line merged again), and
// compared with an ellipse fitted to it when it closes. Working precision is double; the
// sizes below are shares of the stroke's size (its bounding box's diagonal) unless said.
#include "geometry/ShapeRecognition.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

constexpr int kSamples = 128;
constexpr double kPi = 3.14159265358979323846;

// How far a straight piece may stray from its line before it is cut in two.
constexpr double kPieceTolerance = 0.03;
// A stroke closes when its end comes back this near its start (share of its length),
// searched over this last share of its length so that an overshoot past the start is cut.
constexpr double kCloseGap = 0.1;
constexpr double kReturnSearch = 0.2;
// Pieces shorter than this share of the stroke's length are hooks and overshoots at ends
// and corners, not sides.
constexpr double kSpurShare = 0.08;
constexpr double kHookTurn = 60.0 * kPi / 180.0;
// Consecutive pieces that turn less than this are one side.
constexpr double kStraightOn = 30.0 * kPi / 180.0;
// Beyond this turn a corner is where the stroke turned, searched this many samples around.
constexpr double kSharpTurn = 120.0 * kPi / 180.0;
constexpr double kTurnBack = 160.0 * kPi / 180.0;
constexpr int kTurnReach = 4;
// A corner where two lines cross is no farther than this from the stroke: a rounded turn
// (a wave's crest) is no corner.
constexpr double kCornerReach = 0.06;
// How well the clean shape must match the stroke: the mean and the largest distance of the
// samples from it.
constexpr double kMeanDistance = 0.02;
constexpr double kMaxDistance = 0.08;
// How much a side may bend like an arc, as a share of its length (see bowed()).
constexpr double kBow = 0.05;
constexpr int kMaxPieces = 6;
// Pieces before merging, beyond which the stroke is no shape (it also bounds the work).
constexpr int kMaxRawPieces = 24;
// Ellipses thinner than this are strokes drawn back and forth.
constexpr double kMinAxisRatio = 0.2;

struct P {
    double x = 0.0, y = 0.0;
};
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y}; }
P operator*(P a, double s) { return {a.x * s, a.y * s}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y; }
double cross(P a, P b) { return a.x * b.y - a.y * b.x; }
double norm(P a) { return std::sqrt(dot(a, a)); }
P unit(double angle) { return {std::cos(angle), std::sin(angle)}; }

// The stroke evenly resampled; a closed one's samples form a loop (the last is followed by
// the first), so indices wrap.
struct Samples {
    std::vector<P> p;
    bool closed = false;
    double step = 0.0;  // distance between neighbours along the stroke

    int n() const { return static_cast<int>(p.size()); }
    P at(int i) const {
        const int k = n();
        return p[static_cast<std::size_t>(((i % k) + k) % k)];
    }
    // at(i), but an open stroke's indices stop at its ends.
    P near(int i) const { return closed ? at(i) : p[static_cast<std::size_t>(std::clamp(i, 0, n() - 1))]; }
};

// A straight piece: samples a..b (b may pass n on a loop), the line fitted to them through
// `c` with unit direction `d` pointing the way the stroke went.
struct Piece {
    int a = 0, b = 0;
    P c, d;
    double rms = 0.0;  // of the samples the line was fitted to
};

struct LineFit {
    P c, d;
    double rms = 0.0, maxDev = 0.0;
};

double pathLength(const std::vector<P>& q) {
    double sum = 0.0;
    for (std::size_t i = 1; i < q.size(); ++i) sum += norm(q[i] - q[i - 1]);
    return sum;
}

// The total least squares line.
LineFit fitLine(const std::vector<P>& q) {
    LineFit f;
    if (q.empty()) return f;
    P m;
    for (const P& p : q) m = m + p;
    m = m * (1.0 / static_cast<double>(q.size()));
    double sxx = 0.0, sxy = 0.0, syy = 0.0;
    for (const P& p : q) {
        const P e = p - m;
        sxx += e.x * e.x;
        sxy += e.x * e.y;
        syy += e.y * e.y;
    }
    f.c = m;
    f.d = unit(0.5 * std::atan2(2.0 * sxy, sxx - syy));
    double ss = 0.0;
    for (const P& p : q) {
        const double dev = std::fabs(cross(f.d, p - m));
        ss += dev * dev;
        f.maxDev = std::max(f.maxDev, dev);
    }
    f.rms = std::sqrt(ss / static_cast<double>(q.size()));
    return f;
}

std::vector<P> range(const Samples& s, int a, int b) {
    std::vector<P> q;
    q.reserve(static_cast<std::size_t>(std::max(0, b - a + 1)));
    for (int i = a; i <= b; ++i) q.push_back(s.at(i));
    return q;
}

// The line of one piece, from its middle samples (an overshoot or a hook at either end
// stays out) and without the samples far off the first fit.
void fitPiece(const Samples& s, Piece& piece) {
    const int count = piece.b - piece.a + 1;
    const int margin = count >= 8 ? std::max(1, count / 8) : 0;
    std::vector<P> q = range(s, piece.a + margin, piece.b - margin);
    LineFit f = fitLine(q);
    if (q.size() >= 6) {
        const double limit = 2.5 * f.rms + 1e-9;
        std::erase_if(q, [&](const P& p) { return std::fabs(cross(f.d, p - f.c)) > limit; });
        if (q.size() >= 3) f = fitLine(q);
    }
    piece.c = f.c;
    piece.rms = f.rms;
    piece.d = dot(f.d, s.at(piece.b) - s.at(piece.a)) < 0.0 ? f.d * -1.0 : f.d;
}

// Solves the n x n system a x = b in place (Gaussian elimination, partial pivoting).
template <std::size_t N>
bool solve(double (&a)[N][N], double (&b)[N]) {
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < N; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 1e-12)) return false;
        std::swap(a[pivot], a[col]);
        std::swap(b[pivot], b[col]);
        for (std::size_t r = col + 1; r < N; ++r) {
            const double f = a[r][col] / a[col][col];
            for (std::size_t c = col; c < N; ++c) a[r][c] -= f * a[col][c];
            b[r] -= f * b[col];
        }
    }
    for (std::size_t col = N; col-- > 0;) {
        for (std::size_t c = col + 1; c < N; ++c) b[col] -= a[col][c] * b[c];
        b[col] /= a[col][col];
    }
    return true;
}

// Whether the piece bends like an arc rather than wobbling about its line: the quadratic
// term of its samples' distance from the line (a parabola fitted along it) against its
// length. A circle's arc cut into pieces of 36 degrees bends 8 %.
bool bowed(const Samples& s, const Piece& piece) {
    const int count = piece.b - piece.a + 1;
    const int margin = count / 8;
    double t0 = INFINITY, t1 = -INFINITY;
    for (int i = piece.a + margin; i <= piece.b - margin; ++i) {
        const double t = dot(s.at(i) - piece.c, piece.d);
        t0 = std::min(t0, t);
        t1 = std::max(t1, t);
    }
    const double half = 0.5 * (t1 - t0), mid = 0.5 * (t0 + t1);
    if (!(half > 0.0)) return false;
    double ata[3][3] = {}, atb[3] = {};
    for (int i = piece.a + margin; i <= piece.b - margin; ++i) {
        const P e = s.at(i) - piece.c;
        const double u = (dot(e, piece.d) - mid) / half;
        const double row[3] = {1.0, u, u * u};
        for (int r = 0; r < 3; ++r) {
            atb[r] += row[r] * cross(piece.d, e);
            for (int c = 0; c < 3; ++c) ata[r][c] += row[r] * row[c];
        }
    }
    return solve(ata, atb) && std::fabs(atb[2]) > kBow * 2.0 * half;
}

double segmentDistance(P p, P a, P b) {
    const P ab = b - a;
    const double len2 = dot(ab, ab);
    const double t = len2 > 0.0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return norm(p - (a + ab * t));
}

// Douglas-Peucker: cuts a..b at the sample farthest from the chord while that is more than
// eps away. Distances are to the chord as a segment, so that a stroke that went out and
// back (a loop, an arrow's barb: the chord is short) is cut where it turned.
void split(const Samples& s, int a, int b, double eps, std::vector<int>& cuts) {
    if (b - a < 2 || static_cast<int>(cuts.size()) > kMaxRawPieces) return;
    const P pa = s.at(a), pb = s.at(b);
    int far = -1;
    double farDist = eps;
    for (int i = a + 1; i < b; ++i) {
        const double dist = segmentDistance(s.at(i), pa, pb);
        if (dist > farDist) {
            farDist = dist;
            far = i;
        }
    }
    if (far < 0) return;
    split(s, a, far, eps, cuts);
    cuts.push_back(far);
    split(s, far, b, eps, cuts);
}

// Merges neighbouring pieces while the merged piece still fits one line within eps,
// the best fitting pair first. `v` holds the piece boundaries; on a loop the last is the
// first plus n, and the pair across it may merge too. Only pairs a merge changed are
// fitted again, so the whole costs O(n) per merge.
void mergePieces(const Samples& s, std::vector<int>& v, double eps) {
    struct Pair {
        int a, b;
        double dev;
    };
    std::vector<Pair> fitted, next;
    for (;;) {
        const std::size_t m = v.size() - 1;  // pieces
        const std::size_t count = s.closed && m > 2 ? m : m - 1;
        next.clear();
        for (std::size_t j = 0; j < count; ++j) {
            const int a = v[j], mid = v[j + 1], b = j + 2 < v.size() ? v[j + 2] : v[1] + s.n();
            const auto known = std::find_if(fitted.begin(), fitted.end(),
                                            [&](const Pair& p) { return p.a == a && p.b == b; });
            // A stroke that goes back along itself (an arrow's barb) fits one line too.
            const bool onwards = dot(s.at(mid) - s.at(a), s.at(b) - s.at(mid)) > 0.0;
            const double dev = !onwards ? INFINITY
                               : known != fitted.end() ? known->dev
                                                       : fitLine(range(s, a, b)).maxDev;
            next.push_back({a, b, dev});
        }
        fitted.swap(next);
        const auto best = std::min_element(fitted.begin(), fitted.end(),
                                           [](const Pair& x, const Pair& y) { return x.dev < y.dev; });
        if (best == fitted.end() || !(best->dev < eps)) return;
        const std::size_t j = static_cast<std::size_t>(best - fitted.begin());
        if (j + 2 < v.size()) {
            v.erase(v.begin() + static_cast<std::ptrdiff_t>(j) + 1);
        } else {  // across the loop's seam: the boundary at its start goes
            v.erase(v.begin());
            v.back() = v.front() + s.n();
        }
    }
}

P project(P p, const Piece& piece) { return piece.c + piece.d * dot(p - piece.c, piece.d); }

// Where pieces i and j (j follows i) meet: their lines' crossing; where the stroke turned
// back, or turned sharply into or out of a short piece (an arrow's barb), the turning point
// on the longer piece's line: lines at a narrow angle cross far from where a small error in
// the short one puts them. Nothing when the lines cross in no sane place.
bool cornerBetween(const Samples& s, const Piece& i, const Piece& j, double size, P& corner) {
    const double turn = std::acos(std::clamp(dot(i.d, j.d), -1.0, 1.0));
    const P tip = s.at(j.a);
    const int li = i.b - i.a, lj = j.b - j.a;
    if (turn > kTurnBack || (turn > kSharpTurn && 2 * std::min(li, lj) < std::max(li, lj))) {
        const bool intoLonger = li >= lj;
        const Piece& along = intoLonger ? i : j;
        const P ahead = intoLonger ? i.d : j.d * -1.0;  // towards the turn on that line
        P best = tip;
        for (int k = j.a - kTurnReach; k <= j.a + kTurnReach; ++k)
            if (dot(s.near(k) - best, ahead) > 0.0) best = s.near(k);
        corner = project(best, along);
        return true;
    }
    const double den = cross(i.d, j.d);
    if (std::fabs(den) < 1e-9) return false;
    const double t = cross(j.c - i.c, j.d) / den;
    corner = i.c + i.d * t;
    // The stroke passes near a corner it meant; a rounded turn (a wave's crest) does not.
    double nearest = INFINITY;
    const int gap = j.a >= i.b ? j.a - i.b : j.a + s.n() - i.b;  // a dropped spur; a loop's seam
    for (int k = i.b - 2 * kTurnReach; k <= i.b + gap + 2 * kTurnReach; ++k)
        nearest = std::min(nearest, norm(s.near(k) - corner));
    return nearest <= kCornerReach * size;
}

// Where an open stroke's end piece really starts (first) or ends: past the samples at its
// end that move across the piece's line rather than along it (a hook as the pen landed),
// within a hook's length.
P endOf(const Samples& s, const Piece& piece, double length, bool first) {
    const int count = std::min((piece.b - piece.a) / 4, static_cast<int>(kSpurShare * length / s.step));
    const int dir = first ? 1 : -1;
    int at = first ? piece.a : piece.b;
    for (int k = 0; k < count; ++k, at += dir) {
        const P step = (s.at(at + dir) - s.at(at)) * dir;
        if (dot(step, piece.d) > 0.7 * norm(step)) break;
    }
    return project(s.at(at), piece);
}

// Corners of the pieces' lines: an open stroke's ends are its end samples moved onto the
// end pieces' lines. False when two lines do not meet in a sane place.
bool cornersOf(const Samples& s, const std::vector<Piece>& pieces, double size, double length,
               std::vector<P>& corners) {
    corners.clear();
    const std::size_t m = pieces.size();
    if (!s.closed) corners.push_back(endOf(s, pieces.front(), length, true));
    for (std::size_t k = s.closed ? 0 : 1; k < m; ++k) {
        P c;
        if (!cornerBetween(s, pieces[(k + m - 1) % m], pieces[k], size, c)) return false;
        corners.push_back(c);
    }
    if (!s.closed) corners.push_back(endOf(s, pieces.back(), length, false));
    return true;
}

// How far the samples lie from the polyline: the mean, or infinity when one is too far.
double polylineMismatch(const Samples& s, const std::vector<P>& corners, double size) {
    const std::size_t m = corners.size();
    const std::size_t segments = s.closed ? m : m - 1;
    double sum = 0.0;
    for (const P& p : s.p) {
        double best = INFINITY;
        for (std::size_t k = 0; k < segments; ++k)
            best = std::min(best, segmentDistance(p, corners[k], corners[(k + 1) % m]));
        if (best > kMaxDistance * size) return INFINITY;
        sum += best;
    }
    return sum / static_cast<double>(s.n());
}

double snapped(double angle, double step) {
    const double k = std::round(angle / step);
    return std::fabs(angle - k * step) <= kShapeSnapAngle ? k * step : angle;
}

void snapPieces(std::vector<Piece>& pieces) {
    for (Piece& p : pieces) p.d = unit(snapped(std::atan2(p.d.y, p.d.x), kPi / 4.0));
}

// A closed polyline of four sides with corners near right angles becomes a rectangle: its
// sides take the mean direction (folded to a quarter turn) and the one across it.
bool squareUp(std::vector<Piece>& pieces) {
    if (pieces.size() != 4) return false;
    double sx = 0.0, sy = 0.0;
    for (std::size_t k = 0; k < 4; ++k) {
        const double turn = std::acos(std::clamp(dot(pieces[k].d, pieces[(k + 1) % 4].d), -1.0, 1.0));
        if (std::fabs(turn - kPi / 2.0) > kShapeRightAngleTolerance) return false;
        const double a4 = 4.0 * std::atan2(pieces[k].d.y, pieces[k].d.x);
        sx += std::cos(a4);
        sy += std::sin(a4);
    }
    const double axis = snapped(std::atan2(sy, sx) / 4.0, kPi / 4.0);
    for (Piece& p : pieces) {
        // The multiple of a quarter turn from the axis nearest the piece's own direction.
        const double own = std::atan2(p.d.y, p.d.x);
        const double quarters = std::round((own - axis) / (kPi / 2.0));
        p.d = unit(axis + quarters * kPi / 2.0);
    }
    return true;
}

// The stroke as straight pieces, or nothing.
bool fitPolyline(const Samples& s, double size, double length, std::vector<P>& corners,
                 double& mean) {
    const double eps = kPieceTolerance * size;
    std::vector<int> v;
    int start = 0;
    if (s.closed) {
        // Begin the loop at the sample farthest from its centre: a corner if it has any.
        P m;
        for (const P& p : s.p) m = m + p;
        m = m * (1.0 / s.n());
        double far = -1.0;
        for (int i = 0; i < s.n(); ++i) {
            const double d = norm(s.at(i) - m);
            if (d > far) {
                far = d;
                start = i;
            }
        }
    }
    const int end = s.closed ? start + s.n() : s.n() - 1;
    v.push_back(start);
    split(s, start, end, eps, v);
    if (static_cast<int>(v.size()) > kMaxRawPieces) return false;
    v.push_back(end);
    std::sort(v.begin(), v.end());
    mergePieces(s, v, eps);

    std::vector<Piece> pieces;
    for (std::size_t k = 0; k + 1 < v.size(); ++k) {
        Piece p;
        p.a = v[k];
        p.b = v[k + 1];
        pieces.push_back(p);
    }
    // A hook or an overshoot: short, and much shorter than the pieces beside it.
    const std::size_t count = pieces.size();
    const auto samplesIn = [&](std::size_t k) { return pieces[k % count].b - pieces[k % count].a; };
    std::vector<bool> spur(count, false);
    for (std::size_t k = 0; k < count && count > 1; ++k) {
        int beside = INT_MAX;
        if (k > 0 || s.closed) beside = std::min(beside, samplesIn(k + count - 1));
        if (k + 1 < count || s.closed) beside = std::min(beside, samplesIn(k + 1));
        spur[k] = samplesIn(k) * s.step < kSpurShare * length && samplesIn(k) * 4 < beside;
    }
    for (std::size_t k = count; k-- > 0;)
        if (spur[k]) pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(k));
    for (Piece& p : pieces) fitPiece(s, p);
    // Pieces that turn less than kStraightOn (across a dropped spur, or at a gentle bend)
    // are one side; a bend then shows as a bowed side.
    for (std::size_t k = 0; pieces.size() > 1 && k < pieces.size();) {
        const std::size_t next = (k + 1) % pieces.size();
        if (!s.closed && next == 0) break;
        if (std::acos(std::clamp(dot(pieces[k].d, pieces[next].d), -1.0, 1.0)) < kStraightOn) {
            if (next == 0) {  // across a loop's seam
                pieces.front().a = pieces[k].a - s.n();
                pieces.pop_back();
                fitPiece(s, pieces.front());
                break;
            }
            pieces[k].b = pieces[next].b;
            pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(next));
            fitPiece(s, pieces[k]);
        } else {
            ++k;
        }
    }
    const int m = static_cast<int>(pieces.size());
    if (m < (s.closed ? 3 : 1) || m > kMaxPieces) return false;
    for (const Piece& p : pieces)
        if (bowed(s, p)) return false;

    if (!(s.closed && squareUp(pieces))) snapPieces(pieces);
    if (!cornersOf(s, pieces, size, length, corners)) return false;
    mean = polylineMismatch(s, corners, size);
    return std::isfinite(mean) && mean <= kMeanDistance * size;
}

struct EllipseFit {
    P c;
    double rx = 0.0, ry = 0.0, angle = 0.0;  // rx >= ry, angle of the rx axis
    double mean = INFINITY;
};

// The conic a x^2 + b xy + c y^2 + d x + e y = 1 nearest the samples in least squares,
// in coordinates centred on their mean and scaled by the size; an ellipse or nothing.
bool fitEllipse(const Samples& s, double size, EllipseFit& out) {
    P m;
    for (const P& p : s.p) m = m + p;
    m = m * (1.0 / s.n());
    double ata[5][5] = {};
    double atb[5] = {};
    for (const P& p : s.p) {
        const P q = (p - m) * (1.0 / size);
        const double row[5] = {q.x * q.x, q.x * q.y, q.y * q.y, q.x, q.y};
        for (int i = 0; i < 5; ++i) {
            atb[i] += row[i];
            for (int j = 0; j < 5; ++j) ata[i][j] += row[i] * row[j];
        }
    }
    if (!solve(ata, atb)) return false;
    const double a = atb[0], b = atb[1], c = atb[2], d = atb[3], e = atb[4];
    const double det = 4.0 * a * c - b * b;
    if (!(det > 0.0)) return false;
    const double x0 = (b * e - 2.0 * c * d) / det;
    const double y0 = (b * d - 2.0 * a * e) / det;
    const double k = 1.0 - (a * x0 * x0 + b * x0 * y0 + c * y0 * y0 + d * x0 + e * y0);
    // Eigenvalues of [[a, b/2], [b/2, c]]; the smaller one belongs to the longer axis.
    const double mid = 0.5 * (a + c), half = std::sqrt(0.25 * (a - c) * (a - c) + 0.25 * b * b);
    const double lMin = mid - half, lMax = mid + half;
    if (!(lMin * k > 0.0 && lMax * k > 0.0)) return false;
    out.rx = std::sqrt(k / lMin) * size;
    out.ry = std::sqrt(k / lMax) * size;
    out.angle = 0.5 * std::atan2(b, a - c) + kPi / 2.0;  // direction of the smaller eigenvalue
    out.c = m + P{x0, y0} * size;
    if (!(out.ry >= kMinAxisRatio * out.rx)) return false;

    const P u = unit(out.angle);
    double sum = 0.0;
    for (const P& p : s.p) {
        const P e2 = p - out.c;
        const double along = dot(e2, u) / out.rx, across = cross(u, e2) / out.ry;
        const double r = norm(e2), kk = std::sqrt(along * along + across * across);
        const double dist = kk > 0.0 ? std::fabs(1.0 - 1.0 / kk) * r : out.ry;
        if (dist > kMaxDistance * size) return false;
        sum += dist;
    }
    out.mean = sum / s.n();
    return out.mean <= kMeanDistance * size;
}

Shape ellipseShape(const EllipseFit& f) {
    Shape shape;
    shape.centre = {static_cast<float>(f.c.x), static_cast<float>(f.c.y)};
    if (f.ry >= kShapeCircleAxisRatio * f.rx) {
        shape.kind = Shape::Kind::Circle;
        shape.radiusX = shape.radiusY = static_cast<float>(0.5 * (f.rx + f.ry));
        return shape;
    }
    shape.kind = Shape::Kind::Ellipse;
    double angle = snapped(f.angle, kPi / 2.0);
    angle = std::fmod(angle, kPi);
    if (angle < 0.0) angle += kPi;
    if (angle >= kPi - 1e-9) angle = 0.0;
    shape.angle = static_cast<float>(angle);
    shape.radiusX = static_cast<float>(f.rx);
    shape.radiusY = static_cast<float>(f.ry);
    return shape;
}

Shape polylineShape(std::vector<P> corners, bool closed, P start) {
    if (closed) {
        // The corner nearest where the stroke began comes first.
        std::size_t first = 0;
        for (std::size_t k = 1; k < corners.size(); ++k)
            if (norm(corners[k] - start) < norm(corners[first] - start)) first = k;
        std::rotate(corners.begin(), corners.begin() + static_cast<std::ptrdiff_t>(first),
                    corners.end());
    }
    Shape shape;
    shape.kind = corners.size() == 2 && !closed ? Shape::Kind::Line : Shape::Kind::Polyline;
    shape.closed = closed;
    for (const P& c : corners)
        shape.corners.push_back({static_cast<float>(c.x), static_cast<float>(c.y)});
    return shape;
}

std::vector<P> resample(const std::vector<P>& q, double length, int n) {
    std::vector<P> out;
    out.reserve(static_cast<std::size_t>(n));
    out.push_back(q.front());
    const double step = length / (n - 1);
    double walked = 0.0;  // along q up to q[i]
    std::size_t i = 0;
    for (int k = 1; k < n - 1; ++k) {
        const double target = step * k;
        double seg = norm(q[i + 1] - q[i]);
        while (walked + seg < target && i + 2 < q.size()) {
            walked += seg;
            ++i;
            seg = norm(q[i + 1] - q[i]);
        }
        const double t = seg > 0.0 ? std::clamp((target - walked) / seg, 0.0, 1.0) : 0.0;
        out.push_back(q[i] + (q[i + 1] - q[i]) * t);
    }
    out.push_back(q.back());
    return out;
}

// Drops what comes before a sharp turn (more than kHookTurn) in the first kSpurShare of
// the stroke: a hook as the pen landed.
void cutHook(std::vector<P>& q, double length) {
    const std::vector<P> r = resample(q, length, kSamples);
    const int reach = static_cast<int>(kSpurShare * kSamples);
    int turn = 0;
    for (int i = 2; i <= reach; ++i) {
        const P before = r[static_cast<std::size_t>(i)] - r[static_cast<std::size_t>(i - 2)];
        const P after = r[static_cast<std::size_t>(i + 2)] - r[static_cast<std::size_t>(i)];
        if (dot(before, after) < std::cos(kHookTurn) * norm(before) * norm(after)) turn = i;
    }
    if (turn == 0) return;
    // Cut q where its length reaches the turn's sample.
    const double at = length * turn / (kSamples - 1);
    double walked = 0.0;
    for (std::size_t i = 1; i < q.size(); ++i) {
        const double seg = norm(q[i] - q[i - 1]);
        if (walked + seg >= at) {
            q[i - 1] = r[static_cast<std::size_t>(turn)];
            q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(i - 1));
            return;
        }
        walked += seg;
    }
}

}  // namespace

std::optional<Shape> recogniseShape(std::span<const Vec2> points, float minSize) {
    std::vector<P> q;
    q.reserve(points.size());
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const Vec2 v : points) {
        if (!isFinite(v)) continue;
        const P p{v.x, v.y};
        if (!q.empty() && p.x == q.back().x && p.y == q.back().y) continue;
        q.push_back(p);
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    if (q.size() < 3) return std::nullopt;
    const double size = std::hypot(maxX - minX, maxY - minY);
    if (!(size >= minSize) || !(size > 0.0) || !std::isfinite(size)) return std::nullopt;

    double length = pathLength(q);
    cutHook(q, length);
    length = pathLength(q);

    // A stroke that comes back to its start is a loop; what runs on past the start is cut.
    bool closed = false;
    {
        double walked = 0.0, nearest = INFINITY;
        std::size_t cut = q.size() - 1;
        for (std::size_t i = 1; i < q.size(); ++i) {
            walked += norm(q[i] - q[i - 1]);
            if (walked < (1.0 - kReturnSearch) * length) continue;
            const double d = norm(q[i] - q.front());
            if (d < nearest) {
                nearest = d;
                cut = i;
            }
        }
        if (nearest <= kCloseGap * length) {
            closed = true;
            q.resize(cut + 1);
            length = pathLength(q);
        }
    }
    if (!(length > 0.0)) return std::nullopt;

    Samples s;
    s.closed = closed;
    s.p = resample(q, length, kSamples);
    if (closed) {
        // The loop's last sample is followed by the first: drop a last one that repeats it.
        if (norm(s.p.back() - s.p.front()) < 0.5 * length / kSamples) s.p.pop_back();
        s.step = (length + norm(s.p.back() - s.p.front())) / s.n();
    } else {
        s.step = length / (kSamples - 1);
    }
    const double loopLength = s.step * (closed ? s.n() : s.n() - 1);

    std::vector<P> corners;
    double polyMean = INFINITY;
    const bool poly = fitPolyline(s, size, loopLength, corners, polyMean);
    EllipseFit ellipse;
    const bool round = closed && fitEllipse(s, size, ellipse);
    if (round && (!poly || ellipse.mean < polyMean)) return ellipseShape(ellipse);
    if (poly) return polylineShape(std::move(corners), closed, q.front());
    return std::nullopt;
}
