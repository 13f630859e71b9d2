// The curve flattening that AGG's headers (agg_curves.h) declare but leave to
// its library: quadratic and cubic Béziers turned into line runs, either in
// equal steps (curve3_inc, curve4_inc) or by subdivision until the curve is
// flat within the approximation scale (curve3_div, curve4_div).
//
// tools/windows/build-deps.sh builds AGG's own library from Debian's source
// package; it falls back to this file, written for this project, only where
// the package archive does not serve that source. The program draws glyph
// outlines, whose curves are short and gentle, so the subdivision uses the
// distance criterion and the angle tolerance; the cusp limit is not used.
#include <agg_curves.h>
#include <agg_math.h>

#include <cmath>

namespace agg {
namespace {

constexpr unsigned kMaxDepth = 32;
constexpr double kCollinear = 1e-30;
// Below this an angle tolerance counts as none.
constexpr double kNoAngleTolerance = 0.01;

double SquareDistance(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    return dx * dx + dy * dy;
}

// The turn between the directions a→b and b→c, in [0, π].
double Turn(double ax, double ay, double bx, double by, double cx, double cy) {
    double turn = std::fabs(std::atan2(cy - by, cx - bx) - std::atan2(by - ay, bx - ax));
    if (turn >= pi)
        turn = 2 * pi - turn;
    return turn;
}

} // namespace

void curve3_inc::approximation_scale(double s) {
    m_scale = s;
}
double curve3_inc::approximation_scale() const {
    return m_scale;
}

void curve3_inc::init(double x1, double y1, double x2, double y2, double x3, double y3) {
    m_start_x = x1;
    m_start_y = y1;
    m_end_x = x3;
    m_end_y = y3;
    // About one step for every four units of the control polygon's length.
    const double length = std::sqrt(SquareDistance(x1, y1, x2, y2)) +
                          std::sqrt(SquareDistance(x2, y2, x3, y3));
    m_num_steps = static_cast<int>(std::lround(length * 0.25 * m_scale));
    if (m_num_steps < 4)
        m_num_steps = 4;
    // Forward differences of B(t) = (1-t)²P1 + 2t(1-t)P2 + t²P3 at steps of h.
    const double h = 1.0 / m_num_steps, h2 = h * h;
    const double ax = x1 - 2 * x2 + x3, ay = y1 - 2 * y2 + y3;
    m_saved_fx = m_fx = x1;
    m_saved_fy = m_fy = y1;
    m_saved_dfx = m_dfx = ax * h2 + 2 * (x2 - x1) * h;
    m_saved_dfy = m_dfy = ay * h2 + 2 * (y2 - y1) * h;
    m_ddfx = 2 * ax * h2;
    m_ddfy = 2 * ay * h2;
    m_step = m_num_steps;
}

void curve3_inc::rewind(unsigned) {
    if (m_num_steps == 0) {
        m_step = -1;
        return;
    }
    m_step = m_num_steps;
    m_fx = m_saved_fx;
    m_fy = m_saved_fy;
    m_dfx = m_saved_dfx;
    m_dfy = m_saved_dfy;
}

unsigned curve3_inc::vertex(double* x, double* y) {
    if (m_step < 0)
        return path_cmd_stop;
    if (m_step == m_num_steps) {
        *x = m_start_x;
        *y = m_start_y;
        --m_step;
        return path_cmd_move_to;
    }
    if (m_step == 0) {
        *x = m_end_x;
        *y = m_end_y;
        --m_step;
        return path_cmd_line_to;
    }
    m_fx += m_dfx;
    m_fy += m_dfy;
    m_dfx += m_ddfx;
    m_dfy += m_ddfy;
    *x = m_fx;
    *y = m_fy;
    --m_step;
    return path_cmd_line_to;
}

void curve3_div::init(double x1, double y1, double x2, double y2, double x3, double y3) {
    m_points.remove_all();
    const double tolerance = 0.5 / m_approximation_scale;
    m_distance_tolerance_square = tolerance * tolerance;
    bezier(x1, y1, x2, y2, x3, y3);
    m_count = 0;
}

void curve3_div::bezier(double x1, double y1, double x2, double y2, double x3, double y3) {
    m_points.add(point_d(x1, y1));
    recursive_bezier(x1, y1, x2, y2, x3, y3, 0);
    m_points.add(point_d(x3, y3));
}

void curve3_div::recursive_bezier(double x1, double y1, double x2, double y2, double x3, double y3,
                                  unsigned level) {
    if (level > kMaxDepth)
        return;
    const double x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
    const double x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
    const double x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;

    const double dx = x3 - x1, dy = y3 - y1;
    // Twice the area of the triangle: the control point's distance from the
    // chord, times the chord's length.
    const double d = std::fabs((x2 - x3) * dy - (y2 - y3) * dx);
    const double chord = dx * dx + dy * dy;
    if (d > kCollinear) {
        if (d * d <= m_distance_tolerance_square * chord) {
            if (m_angle_tolerance < kNoAngleTolerance ||
                Turn(x1, y1, x2, y2, x3, y3) < m_angle_tolerance) {
                m_points.add(point_d(x123, y123));
                return;
            }
        }
    } else {
        // The three points on one line: straight unless the control point
        // lies beyond an end, where the curve turns back.
        double distance;
        if (chord == 0) {
            distance = SquareDistance(x1, y1, x2, y2);
        } else {
            const double t = ((x2 - x1) * dx + (y2 - y1) * dy) / chord;
            if (t > 0 && t < 1)
                return;
            distance = t <= 0 ? SquareDistance(x2, y2, x1, y1) : SquareDistance(x2, y2, x3, y3);
        }
        if (distance < m_distance_tolerance_square) {
            m_points.add(point_d(x2, y2));
            return;
        }
    }
    recursive_bezier(x1, y1, x12, y12, x123, y123, level + 1);
    recursive_bezier(x123, y123, x23, y23, x3, y3, level + 1);
}

void curve4_inc::approximation_scale(double s) {
    m_scale = s;
}
double curve4_inc::approximation_scale() const {
    return m_scale;
}

void curve4_inc::init(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4) {
    m_start_x = x1;
    m_start_y = y1;
    m_end_x = x4;
    m_end_y = y4;
    const double length = std::sqrt(SquareDistance(x1, y1, x2, y2)) +
                          std::sqrt(SquareDistance(x2, y2, x3, y3)) +
                          std::sqrt(SquareDistance(x3, y3, x4, y4));
    m_num_steps = static_cast<int>(std::lround(length * 0.25 * m_scale));
    if (m_num_steps < 4)
        m_num_steps = 4;
    // B(t) = A t³ + B t² + C t + P1 with A = -P1 + 3P2 - 3P3 + P4,
    // B = 3P1 - 6P2 + 3P3, C = 3(P2 - P1); forward differences at steps of h.
    const double h = 1.0 / m_num_steps, h2 = h * h, h3 = h2 * h;
    const double ax = -x1 + 3 * x2 - 3 * x3 + x4, ay = -y1 + 3 * y2 - 3 * y3 + y4;
    const double bx = 3 * x1 - 6 * x2 + 3 * x3, by = 3 * y1 - 6 * y2 + 3 * y3;
    const double cx = 3 * (x2 - x1), cy = 3 * (y2 - y1);
    m_saved_fx = m_fx = x1;
    m_saved_fy = m_fy = y1;
    m_saved_dfx = m_dfx = ax * h3 + bx * h2 + cx * h;
    m_saved_dfy = m_dfy = ay * h3 + by * h2 + cy * h;
    m_saved_ddfx = m_ddfx = 6 * ax * h3 + 2 * bx * h2;
    m_saved_ddfy = m_ddfy = 6 * ay * h3 + 2 * by * h2;
    m_dddfx = 6 * ax * h3;
    m_dddfy = 6 * ay * h3;
    m_step = m_num_steps;
}

void curve4_inc::rewind(unsigned) {
    if (m_num_steps == 0) {
        m_step = -1;
        return;
    }
    m_step = m_num_steps;
    m_fx = m_saved_fx;
    m_fy = m_saved_fy;
    m_dfx = m_saved_dfx;
    m_dfy = m_saved_dfy;
    m_ddfx = m_saved_ddfx;
    m_ddfy = m_saved_ddfy;
}

unsigned curve4_inc::vertex(double* x, double* y) {
    if (m_step < 0)
        return path_cmd_stop;
    if (m_step == m_num_steps) {
        *x = m_start_x;
        *y = m_start_y;
        --m_step;
        return path_cmd_move_to;
    }
    if (m_step == 0) {
        *x = m_end_x;
        *y = m_end_y;
        --m_step;
        return path_cmd_line_to;
    }
    m_fx += m_dfx;
    m_fy += m_dfy;
    m_dfx += m_ddfx;
    m_dfy += m_ddfy;
    m_ddfx += m_dddfx;
    m_ddfy += m_dddfy;
    *x = m_fx;
    *y = m_fy;
    --m_step;
    return path_cmd_line_to;
}

void curve4_div::init(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4) {
    m_points.remove_all();
    const double tolerance = 0.5 / m_approximation_scale;
    m_distance_tolerance_square = tolerance * tolerance;
    bezier(x1, y1, x2, y2, x3, y3, x4, y4);
    m_count = 0;
}

void curve4_div::bezier(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4) {
    m_points.add(point_d(x1, y1));
    recursive_bezier(x1, y1, x2, y2, x3, y3, x4, y4, 0);
    m_points.add(point_d(x4, y4));
}

void curve4_div::recursive_bezier(double x1, double y1, double x2, double y2, double x3, double y3,
                                  double x4, double y4, unsigned level) {
    if (level > kMaxDepth)
        return;
    const double x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
    const double x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
    const double x34 = (x3 + x4) / 2, y34 = (y3 + y4) / 2;
    const double x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;
    const double x234 = (x23 + x34) / 2, y234 = (y23 + y34) / 2;
    const double x1234 = (x123 + x234) / 2, y1234 = (y123 + y234) / 2;

    const double dx = x4 - x1, dy = y4 - y1;
    const double d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
    const double d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
    const double chord = dx * dx + dy * dy;
    if (d2 > kCollinear || d3 > kCollinear) {
        if ((d2 + d3) * (d2 + d3) <= m_distance_tolerance_square * chord) {
            if (m_angle_tolerance < kNoAngleTolerance ||
                (Turn(x1, y1, x2, y2, x3, y3) + Turn(x2, y2, x3, y3, x4, y4)) < m_angle_tolerance) {
                m_points.add(point_d(x1234, y1234));
                return;
            }
        }
    } else {
        // All four on one line: straight unless a control point lies beyond
        // an end.
        bool straight = chord > 0;
        if (straight) {
            const double t2 = ((x2 - x1) * dx + (y2 - y1) * dy) / chord;
            const double t3 = ((x3 - x1) * dx + (y3 - y1) * dy) / chord;
            straight = t2 > 0 && t2 < 1 && t3 > 0 && t3 < 1;
        }
        if (straight)
            return;
        if (SquareDistance(x1, y1, x2, y2) + SquareDistance(x3, y3, x4, y4) <
            m_distance_tolerance_square) {
            m_points.add(point_d(x1234, y1234));
            return;
        }
    }
    recursive_bezier(x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1);
    recursive_bezier(x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1);
}

} // namespace agg
