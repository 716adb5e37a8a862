#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace vardex::assets {
namespace {

float Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
Point Minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }

float SegmentDistance(Point p, Point a, Point b)
{
    const Point ab = Minus(b, a);
    const Point ap = Minus(p, a);
    const float along = Dot(ab, ab) > 0 ? std::clamp(Dot(ap, ab) / Dot(ab, ab), 0.0f, 1.0f) : 0.0f;
    return std::hypot(ap.x - ab.x * along, ap.y - ab.y * along);
}

float Radians(float degrees) { return degrees * kPi / 180.0f; }

constexpr int kSamples = 8;  // per pixel and axis

}  // namespace

float BoxDistance(Point p, Point centre, Point half, float radius)
{
    const float qx = std::abs(p.x - centre.x) - half.x + radius;
    const float qy = std::abs(p.y - centre.y) - half.y + radius;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float CircleDistance(Point p, Point centre, float radius)
{
    return std::hypot(p.x - centre.x, p.y - centre.y) - radius;
}

Shape Box(float left, float top, float right, float bottom, float radius)
{
    const Point centre{(left + right) / 2, (top + bottom) / 2};
    const Point half{(right - left) / 2, (bottom - top) / 2};
    const float r = std::clamp(radius, 0.0f, std::min(half.x, half.y));
    return [=](Point p) { return BoxDistance(p, centre, half, r); };
}

Shape Circle(Point centre, float radius)
{
    return [=](Point p) { return CircleDistance(p, centre, radius); };
}

Shape Ellipse(Point centre, float radiusX, float radiusY)
{
    // Not an exact distance, but close near the edge, which is all the sampling needs.
    return [=](Point p) {
        const float nx = (p.x - centre.x) / radiusX;
        const float ny = (p.y - centre.y) / radiusY;
        const float k0 = std::hypot(nx, ny);
        const float k1 = std::hypot(nx / radiusX, ny / radiusY);
        return k1 > 0 ? k0 * (k0 - 1.0f) / k1 : -std::min(radiusX, radiusY);
    };
}

Shape Polygon(std::vector<Point> corners)
{
    if (corners.size() < 3) {
        throw std::logic_error("a polygon needs three corners");
    }
    return [corners = std::move(corners)](Point p) {
        float nearest = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Point a = corners[i];
            const Point b = corners[j];
            nearest = std::min(nearest, SegmentDistance(p, a, b));
            // Even-odd crossing count along a ray to the right.
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (b.x - a.x) * (p.y - a.y) / (b.y - a.y)) {
                inside = !inside;
            }
        }
        return inside ? -nearest : nearest;
    };
}

Shape Line(Point from, Point to, float width)
{
    return [=](Point p) { return SegmentDistance(p, from, to) - width / 2; };
}

Shape Polyline(std::vector<Point> points, float width)
{
    if (points.size() < 2) {
        throw std::logic_error("a polyline needs two points");
    }
    return [points = std::move(points), width](Point p) {
        float nearest = 1e9f;
        for (std::size_t i = 1; i < points.size(); ++i) {
            nearest = std::min(nearest, SegmentDistance(p, points[i - 1], points[i]));
        }
        return nearest - width / 2;
    };
}

Shape Arc(Point centre, float radius, float width, float fromDegrees, float toDegrees)
{
    const float from = Radians(fromDegrees);
    const float span = Radians(toDegrees - fromDegrees);
    const Point start{centre.x + radius * std::cos(from), centre.y + radius * std::sin(from)};
    const Point end{centre.x + radius * std::cos(from + span), centre.y + radius * std::sin(from + span)};
    return [=](Point p) {
        float angle = std::atan2(p.y - centre.y, p.x - centre.x) - from;
        angle = std::fmod(angle, 2 * kPi);
        if (angle < 0) {
            angle += 2 * kPi;
        }
        const float d = angle <= span ? std::abs(CircleDistance(p, centre, radius))
                                      : std::min(std::hypot(p.x - start.x, p.y - start.y),
                                                 std::hypot(p.x - end.x, p.y - end.y));
        return d - width / 2;
    };
}

Shape Union(std::vector<Shape> shapes)
{
    return [parts = std::move(shapes)](Point p) {
        float d = 1e9f;
        for (const Shape& part : parts) {
            d = std::min(d, part(p));
        }
        return d;
    };
}

Shape Intersect(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](Point p) { return std::max(a(p), b(p)); };
}

Shape Subtract(Shape from, Shape cut)
{
    return [from = std::move(from), cut = std::move(cut)](Point p) { return std::max(from(p), -cut(p)); };
}

Shape Grow(Shape shape, float by)
{
    return [shape = std::move(shape), by](Point p) { return shape(p) - by; };
}

Shape Rotate(Shape shape, Point centre, float degrees)
{
    const float c = std::cos(Radians(degrees));
    const float s = std::sin(Radians(degrees));
    // The point is turned back the other way, into the shape's own frame.
    return [shape = std::move(shape), centre, c, s](Point p) {
        const float dx = p.x - centre.x;
        const float dy = p.y - centre.y;
        return shape({centre.x + dx * c + dy * s, centre.y - dx * s + dy * c});
    };
}

AlphaCanvas::AlphaCanvas(int size)
    : size_(size), pixels_(static_cast<std::size_t>(size) * static_cast<std::size_t>(size))
{
    if (size < 1) {
        throw std::logic_error("canvas too small");
    }
}

void AlphaCanvas::Fill(const Shape& shape, Rgba colour)
{
    const float alpha = static_cast<float>(colour.a) / 255.0f;
    const auto channel = [alpha](std::uint8_t value) { return static_cast<float>(value) / 255.0f * alpha; };
    const Premultiplied ink{channel(colour.r), channel(colour.g), channel(colour.b), alpha};
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            const Point centre{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
            // A pixel whose centre is farther than its half diagonal from the edge is wholly
            // in or out; only the others need sampling.
            const float d = shape(centre);
            float coverage = d < -1.0f ? 1.0f : 0.0f;
            if (std::abs(d) <= 1.0f) {
                int inside = 0;
                for (int sy = 0; sy < kSamples; ++sy) {
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const Point sample{static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSamples,
                                           static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSamples};
                        inside += shape(sample) <= 0.0f ? 1 : 0;
                    }
                }
                coverage = static_cast<float>(inside) / (kSamples * kSamples);
            }
            if (coverage <= 0.0f) {
                continue;
            }
            Premultiplied& out =
                pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(size_) + static_cast<std::size_t>(x)];
            const float keep = 1.0f - ink.a * coverage;
            out = {ink.r * coverage + out.r * keep, ink.g * coverage + out.g * keep, ink.b * coverage + out.b * keep,
                   ink.a * coverage + out.a * keep};
        }
    }
}

Bitmap AlphaCanvas::ToBitmap() const
{
    Bitmap bitmap{size_, {}};
    bitmap.pixels.reserve(pixels_.size());
    const auto byte = [](float value) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(value * 255.0f), 0L, 255L));
    };
    for (const Premultiplied& p : pixels_) {
        const std::uint8_t a = byte(p.a);
        if (a == 0) {
            bitmap.pixels.push_back({0, 0, 0, 0});
            continue;
        }
        bitmap.pixels.push_back({byte(p.r / p.a), byte(p.g / p.a), byte(p.b / p.a), a});
    }
    return bitmap;
}

}  // namespace vardex::assets
