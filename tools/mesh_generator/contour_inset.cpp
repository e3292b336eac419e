#include "contour_inset.h"

#include <cmath>

// The inward offset is run as a wavefront: every edge moves inward at unit speed along its
// normal and every vertex moves along the bisector of its two edges at the speed that keeps
// it on both moved edges. When an edge shrinks to zero length its neighbours meet and the
// two vertices go on as one. Only these edge events occur for distances well below the
// stroke width; a vertex running into a far edge would show as a self-intersection, which
// the mesh checks report.

namespace {

// Above this speed (a turn sharper than about 150 degrees) a reflex vertex is held back: it
// then lags behind its edges, which narrows the bevel in that notch instead of shooting a
// spike across the letter. Convex vertices keep their full speed, which is exact there: the
// moved edges meet at the mitre, and a sharp tip soon shrinks its short edges away.
constexpr double kMaxReflexSpeed = 4.0;
constexpr double kMaxConvexSpeed = 1e4;

struct Wavefront {
    size_t n;
    std::vector<Point2> position;  // per original vertex
    std::vector<Point2> direction; // unit direction of original edge k (vertex k to k+1)
    std::vector<Point2> inward;    // unit inward normal of original edge k
    std::vector<bool> active;      // edge k still has length
};

size_t IncomingEdge(const Wavefront& w, size_t vertex) {
    size_t k = (vertex + w.n - 1) % w.n;
    while (!w.active[k]) {
        k = (k + w.n - 1) % w.n;
    }
    return k;
}

size_t OutgoingEdge(const Wavefront& w, size_t vertex) {
    size_t k = vertex;
    while (!w.active[k]) {
        k = (k + 1) % w.n;
    }
    return k;
}

Point2 VertexSpeed(const Wavefront& w, size_t vertex) {
    const Point2& a = w.inward[IncomingEdge(w, vertex)];
    const Point2& b = w.inward[OutgoingEdge(w, vertex)];
    // v . a = 1 and v . b = 1: v = (a + b) / (1 + a . b).
    double denominator = 1 + a.x * b.x + a.y * b.y;
    Point2 sum{a.x + b.x, a.y + b.y};
    double sumLength = std::hypot(sum.x, sum.y);
    if (sumLength < 1e-12) {
        return Point2{0, 0};
    }
    double speed = sumLength / std::max(denominator, 1e-12);
    // Turning left keeps the filled region inside the corner: convex.
    bool convex = a.y * b.x - a.x * b.y < 0;
    speed = std::min(speed, convex ? kMaxConvexSpeed : kMaxReflexSpeed);
    return Point2{sum.x / sumLength * speed, sum.y / sumLength * speed};
}

void Advance(Wavefront* w, const std::vector<Point2>& speed, double dt) {
    for (size_t i = 0; i < w->n; ++i) {
        w->position[i].x += speed[i].x * dt;
        w->position[i].y += speed[i].y * dt;
    }
}

size_t ActiveEdgeCount(const Wavefront& w) {
    size_t count = 0;
    for (bool a : w.active) {
        count += a ? 1 : 0;
    }
    return count;
}

} // namespace

int InsetContour(const Contour& contour, const std::vector<double>& distances,
                 std::vector<std::vector<Point2>>* rings, std::string* error) {
    Wavefront w;
    w.n = contour.points.size();
    if (w.n < 3) {
        *error = "a contour needs three points";
        return 0;
    }
    w.position = contour.points;
    w.direction.resize(w.n);
    w.inward.resize(w.n);
    w.active.assign(w.n, true);
    for (size_t k = 0; k < w.n; ++k) {
        const Point2& a = contour.points[k];
        const Point2& b = contour.points[(k + 1) % w.n];
        double length = std::hypot(b.x - a.x, b.y - a.y);
        if (!(length > 0)) {
            *error = "a contour repeats a point";
            return 0;
        }
        w.direction[k] = Point2{(b.x - a.x) / length, (b.y - a.y) / length};
        w.inward[k] = Point2{-w.direction[k].y, w.direction[k].x};
    }

    rings->clear();
    double time = 0;
    std::vector<Point2> speed(w.n);
    for (double target : distances) {
        for (;;) {
            for (size_t i = 0; i < w.n; ++i) {
                speed[i] = VertexSpeed(w, i);
            }
            // The earliest edge to shrink to nothing before the target distance.
            double eventTime = HUGE_VAL;
            size_t eventEdge = w.n;
            for (size_t k = 0; k < w.n; ++k) {
                if (!w.active[k]) {
                    continue;
                }
                size_t end = (k + 1) % w.n;
                const Point2& d = w.direction[k];
                double length = (w.position[end].x - w.position[k].x) * d.x +
                                (w.position[end].y - w.position[k].y) * d.y;
                double rate = (speed[end].x - speed[k].x) * d.x + (speed[end].y - speed[k].y) * d.y;
                double at = HUGE_VAL;
                if (length <= 0) {
                    at = time;
                } else if (rate < 0) {
                    at = time + length / -rate;
                }
                if (at < eventTime) {
                    eventTime = at;
                    eventEdge = k;
                }
            }
            if (eventEdge == w.n || eventTime > target) {
                Advance(&w, speed, target - time);
                time = target;
                break;
            }
            Advance(&w, speed, eventTime - time);
            time = eventTime;
            // Merge the two ends of the collapsed edge (and every vertex already merged
            // with either) into one point.
            size_t first = eventEdge, last = (eventEdge + 1) % w.n;
            while (!w.active[(first + w.n - 1) % w.n] && (first + w.n - 1) % w.n != last) {
                first = (first + w.n - 1) % w.n;
            }
            while (!w.active[last] && last != first) {
                last = (last + 1) % w.n;
            }
            w.active[eventEdge] = false;
            if (ActiveEdgeCount(w) < 3) {
                *error = "a contour vanishes within the bevel";
                return 0;
            }
            Point2 meet{(w.position[eventEdge].x + w.position[(eventEdge + 1) % w.n].x) / 2,
                        (w.position[eventEdge].y + w.position[(eventEdge + 1) % w.n].y) / 2};
            for (size_t i = first;; i = (i + 1) % w.n) {
                w.position[i] = meet;
                if (i == last) {
                    break;
                }
            }
        }
        rings->push_back(w.position);
    }
    return 1;
}
