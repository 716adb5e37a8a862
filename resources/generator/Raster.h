#pragma once
// Vector shapes as signed distances, and an anti-aliased canvas with straight-alpha output:
// what the drawn icons and the lock-screen background are made of.
#include <functional>
#include <vector>

#include "Icons.h"

namespace vardex::assets {

struct Point {
    float x = 0;
    float y = 0;
};

// Signed distances in pixels, negative inside. Shapes built from them keep at least the sign
// exact, so a shape can be filled, grown or shrunk (for outlines) and combined.
float BoxDistance(Point p, Point centre, Point half, float radius);
float CircleDistance(Point p, Point centre, float radius);

using Shape = std::function<float(Point)>;

// Angles in degrees, clockwise on the screen from the positive x axis.
constexpr float kPi = 3.14159265358979f;

Shape Box(float left, float top, float right, float bottom, float radius = 0);
Shape Circle(Point centre, float radius);
Shape Ellipse(Point centre, float radiusX, float radiusY);
Shape Polygon(std::vector<Point> corners);
// Strokes have round ends and joins; `width` is the whole stroke's.
Shape Line(Point from, Point to, float width);
Shape Polyline(std::vector<Point> points, float width);
Shape Arc(Point centre, float radius, float width, float fromDegrees, float toDegrees);

Shape Union(std::vector<Shape> shapes);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape from, Shape cut);
Shape Grow(Shape shape, float by);  // a negative `by` shrinks
Shape Rotate(Shape shape, Point centre, float degrees);

// A square picture of straight-alpha colour, painted shape by shape, each edge anti-aliased
// from 8x8 samples a pixel.
class AlphaCanvas {
public:
    explicit AlphaCanvas(int size);

    int Size() const { return size_; }
    void Fill(const Shape& shape, Rgba colour);
    Bitmap ToBitmap() const;

private:
    struct Premultiplied {
        float r = 0;
        float g = 0;
        float b = 0;
        float a = 0;
    };
    int size_;
    std::vector<Premultiplied> pixels_;
};

}  // namespace vardex::assets
