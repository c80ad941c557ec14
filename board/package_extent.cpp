#include "package_extent.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>

namespace malvor {
namespace {

constexpr double pi = std::numbers::pi;

// A number attribute in mm (as EAGLE writes them), 0 when absent or unreadable. from_chars
// reads the same digits the same way everywhere, whatever the locale.
double number(const pugi::xml_node& node, const char* name)
{
    std::string_view text = node.attribute(name).value();
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return 0;
    return value;
}

// "R90", "MR180", "SR45", "SMR270": mirrored and the angle in degrees.
struct Rotation {
    bool mirror = false;
    double degrees = 0;
};

Rotation rotation_of(const pugi::xml_node& node)
{
    std::string_view text = node.attribute("rot").value();
    Rotation rotation;
    if (!text.empty() && text.front() == 'S')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == 'M') {
        rotation.mirror = true;
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == 'R')
        text.remove_prefix(1);
    double degrees = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), degrees);
    if (error == std::errc() && std::isfinite(degrees))
        rotation.degrees = degrees;
    return rotation;
}

class Bounds {
public:
    void add(double x, double y, double halo = 0)
    {
        x1_ = std::min(x1_, x - halo);
        y1_ = std::min(y1_, y - halo);
        x2_ = std::max(x2_, x + halo);
        y2_ = std::max(y2_, y + halo);
    }

    // A box around (cx, cy), given relative to it, mirrored and turned as `rotation` says.
    void add_box(double cx, double cy, double lx1, double ly1, double lx2, double ly2,
                 Rotation rotation)
    {
        if (rotation.mirror) {
            std::swap(lx1, lx2);
            lx1 = -lx1;
            lx2 = -lx2;
        }
        const double quarters = rotation.degrees / 90;
        if (quarters != std::floor(quarters)) {
            // Any other angle: the circle around the corners holds the box turned any way.
            const double rx = std::max(std::abs(lx1), std::abs(lx2));
            const double ry = std::max(std::abs(ly1), std::abs(ly2));
            add(cx, cy, std::sqrt(rx * rx + ry * ry));
            return;
        }
        const auto turns = static_cast<long long>(std::fmod(quarters, 4) + 4) % 4;
        for (long long t = 0; t < turns; ++t) {  // a quarter turn: (x, y) becomes (-y, x)
            const double nx1 = -ly2, nx2 = -ly1;
            ly1 = lx1;
            ly2 = lx2;
            lx1 = nx1;
            lx2 = nx2;
        }
        add(cx + lx1, cy + ly1);
        add(cx + lx2, cy + ly2);
    }

    // An arc from (xa, ya) to (xb, yb) turning `degrees` counterclockwise (negative:
    // clockwise), drawn `width` wide.
    void add_arc(double xa, double ya, double xb, double yb, double degrees, double width)
    {
        const double halo = width / 2;
        add(xa, ya, halo);
        add(xb, yb, halo);
        const double sweep = std::clamp(degrees, -360.0, 360.0) * pi / 180;
        const double chord = std::hypot(xb - xa, yb - ya);
        if (chord == 0 || std::abs(std::sin(sweep / 2)) < 1e-9)
            return;
        const double radius = chord / (2 * std::abs(std::sin(sweep / 2)));
        const double along = chord / 2 / std::tan(sweep / 2);  // from the chord's middle
        const double cx = (xa + xb) / 2 - (yb - ya) / chord * along;
        const double cy = (ya + yb) / 2 + (xb - xa) / chord * along;
        const double start = std::atan2(ya - cy, xa - cx);
        for (int quarter = 0; quarter < 4; ++quarter) {
            const double axis = quarter * pi / 2;
            double turn = sweep > 0 ? axis - start : start - axis;
            turn = std::fmod(std::fmod(turn, 2 * pi) + 2 * pi, 2 * pi);
            if (turn <= std::abs(sweep)) {
                const double ux = quarter == 0 ? 1 : quarter == 2 ? -1 : 0;
                const double uy = quarter == 1 ? 1 : quarter == 3 ? -1 : 0;
                add(cx + ux * radius, cy + uy * radius, halo);
            }
        }
    }

    Extent micrometres() const
    {
        if (x1_ > x2_)
            return {};
        // Outward to whole micrometres; a value within a nanometre of one is taken as it, so
        // that the last bit of a sine, which differs between C libraries, changes nothing.
        constexpr double slack = 1e-3;
        constexpr double limit = 1e15;
        auto down = [&](double mm) {
            return static_cast<std::int64_t>(
                std::clamp(std::floor(mm * 1000 + slack), -limit, limit));
        };
        auto up = [&](double mm) {
            return static_cast<std::int64_t>(
                std::clamp(std::ceil(mm * 1000 - slack), -limit, limit));
        };
        return {down(x1_), down(y1_), up(x2_), up(y2_)};
    }

private:
    double x1_ = std::numeric_limits<double>::infinity();
    double y1_ = std::numeric_limits<double>::infinity();
    double x2_ = -std::numeric_limits<double>::infinity();
    double y2_ = -std::numeric_limits<double>::infinity();
};

// EAGLE's default design rules make the annular ring a quarter of the drill, at least 10 mil
// and at most 20 mil; a larger diameter from the library wins.
double pad_diameter(double drill, double diameter)
{
    return std::max(diameter, drill + 2 * std::clamp(drill / 4, 0.254, 0.508));
}

void add_pad(Bounds& bounds, const pugi::xml_node& pad)
{
    const double x = number(pad, "x"), y = number(pad, "y");
    const double drill = std::abs(number(pad, "drill"));
    const double d = pad_diameter(drill, number(pad, "diameter"));
    const std::string_view shape = pad.attribute("shape").value();
    double left = -d / 2, right = d / 2;
    if (shape == "long") {  // twice as long as wide
        left = -d;
        right = d;
    } else if (shape == "offset") {  // the same, reaching out to one side of the drill
        right = 1.5 * d;
    }
    bounds.add_box(x, y, left, -d / 2, right, d / 2, rotation_of(pad));
    bounds.add(x, y, drill / 2);
}

}  // namespace

Extent package_extent(const pugi::xml_node& package)
{
    Bounds bounds;
    for (auto element : package.children()) {
        const std::string_view kind = element.name();
        if (kind == "wire") {
            const double x1 = number(element, "x1"), y1 = number(element, "y1");
            const double x2 = number(element, "x2"), y2 = number(element, "y2");
            const double width = std::abs(number(element, "width"));
            const double curve = number(element, "curve");
            if (curve != 0) {
                bounds.add_arc(x1, y1, x2, y2, curve, width);
            } else {
                bounds.add(x1, y1, width / 2);
                bounds.add(x2, y2, width / 2);
            }
        } else if (kind == "circle") {
            bounds.add(
                number(element, "x"), number(element, "y"),
                std::abs(number(element, "radius")) + std::abs(number(element, "width")) / 2);
        } else if (kind == "rectangle") {
            const double x1 = number(element, "x1"), y1 = number(element, "y1");
            const double x2 = number(element, "x2"), y2 = number(element, "y2");
            const double hw = std::abs(x2 - x1) / 2, hh = std::abs(y2 - y1) / 2;
            bounds.add_box((x1 + x2) / 2, (y1 + y2) / 2, -hw, -hh, hw, hh, rotation_of(element));
        } else if (kind == "polygon") {
            const double width = std::abs(number(element, "width"));
            auto vertex = element.child("vertex");
            const auto first = vertex;
            for (; vertex; vertex = vertex.next_sibling("vertex")) {
                auto next = vertex.next_sibling("vertex");
                if (!next)
                    next = first;  // the last side closes the polygon
                bounds.add_arc(number(vertex, "x"), number(vertex, "y"), number(next, "x"),
                               number(next, "y"), number(vertex, "curve"), width);
            }
        } else if (kind == "pad") {
            add_pad(bounds, element);
        } else if (kind == "smd") {
            const double hw = std::abs(number(element, "dx")) / 2;
            const double hh = std::abs(number(element, "dy")) / 2;
            bounds.add_box(
                number(element, "x"), number(element, "y"), -hw, -hh, hw, hh, rotation_of(element));
        } else if (kind == "hole") {
            bounds.add(
                number(element, "x"), number(element, "y"), std::abs(number(element, "drill")) / 2);
        } else if (kind == "frame" || kind == "dimension") {
            for (const char* point : {"1", "2", "3"}) {
                const std::string x = std::string("x") + point, y = std::string("y") + point;
                if (element.attribute(x.c_str()))
                    bounds.add(number(element, x.c_str()), number(element, y.c_str()));
            }
        }
    }
    return bounds.micrometres();
}

std::int64_t micrometres_of(const pugi::xml_node& element, const char* attribute)
{
    return std::llround(std::clamp(number(element, attribute) * 1000, -1e15, 1e15));
}

}  // namespace malvor
