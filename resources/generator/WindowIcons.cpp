#include "WindowIcons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <utility>

#include "Icons.h"
#include "Raster.h"

namespace vardex::assets {
namespace {

// ---- Palette: the padlock's steel greys and green band, and a few accents. A surface has a
// darker edge so that it reads on white and on the grey of a button face alike.

struct Tone {
    Rgba fill;
    Rgba edge;
};

constexpr Tone kSteel{{168, 176, 188}, {100, 108, 122}};
constexpr Tone kSteelLight{{218, 224, 232}, {100, 108, 122}};
constexpr Tone kPaper{{255, 255, 255}, {118, 126, 140}};
constexpr Tone kGreen{{48, 172, 72}, {24, 114, 48}};
constexpr Tone kBlue{{64, 124, 204}, {36, 82, 152}};
constexpr Tone kSlate{{118, 138, 164}, {68, 84, 108}};
constexpr Tone kRed{{222, 56, 48}, {150, 30, 28}};
constexpr Tone kAmber{{252, 206, 100}, {190, 134, 36}};
constexpr Tone kAmberDeep{{234, 174, 66}, {190, 134, 36}};
constexpr Rgba kSky{176, 214, 246};
constexpr Rgba kClockFace{246, 249, 253};
constexpr Rgba kInk{44, 52, 64};
constexpr Rgba kWhite{255, 255, 255};
// Cardboard: the lit lid, the front and the shaded side, with the tape.
constexpr Rgba kCardEdge{140, 94, 42};
constexpr Rgba kCardLid{242, 206, 148};
constexpr Rgba kCardFront{220, 172, 104};
constexpr Rgba kCardSide{196, 144, 80};
constexpr Rgba kTapeLit{252, 232, 196};
constexpr Rgba kTape{236, 200, 140};

// ---- Drawing on a 16-unit design grid at one size

// A run of whole pixels [from, to).
struct Span {
    float from;
    float to;
    float Middle() const { return (from + to) / 2; }
    float Length() const { return to - from; }
};

class IconPainter {
public:
    explicit IconPainter(int size) : canvas_(size), scale_(static_cast<float>(size) / 16.0f) {}

    int Size() const { return canvas_.Size(); }
    bool Small() const { return Size() < 24; }

    // Design units to pixels: U exactly, for curves and slants; Px snapped to a pixel edge, so
    // that straight edges stay sharp at small sizes.
    float U(float units) const { return units * scale_; }
    float Px(float units) const { return std::round(units * scale_); }
    Point At(float x, float y) const { return {U(x), U(y)}; }
    // A thickness in whole pixels, at least one.
    float Thick(float units) const { return std::max(1.0f, std::round(units * scale_)); }
    // The outline of a surface: one pixel up to 32, two beyond.
    float Edge() const { return Size() > 32 ? 2.0f : 1.0f; }

    Shape Rect(float left, float top, float right, float bottom, float radius = 0) const
    {
        return Box(Px(left), Px(top), Px(right), Px(bottom), U(radius));
    }

    // `length` whole pixels in the middle of the snapped run [from, to); the length gives way by
    // a pixel where it would not sit exactly in the middle.
    Span Centred(float from, float to, float length) const
    {
        const float a = Px(from);
        const float b = Px(to);
        float run = std::max(1.0f, std::round(length));
        if (static_cast<int>(b - a - run) % 2 != 0) {
            run = run > 1.0f && length - (run - 1) <= run + 1 - length ? run - 1 : run + 1;
        }
        const float start = a + (b - a - run) / 2;
        return {start, start + run};
    }

    // `length` whole pixels (at least one) on whole pixels, within half a pixel of centring on
    // `middle`: a stroke that stays sharp where an exact place would blur it.
    Span Snapped(float middle, float length) const
    {
        const float run = Thick(length);
        const float start = std::round(U(middle) - run / 2);
        return {start, start + run};
    }

    // While set, nothing is painted inside `cut`: a gap that keeps an emblem apart from what it
    // lies on.
    void CutAway(Shape cut) { cut_ = std::move(cut); }
    void StopCutting() { cut_ = nullptr; }

    void Fill(const Shape& shape, Rgba colour) { canvas_.Fill(cut_ ? Subtract(shape, cut_) : shape, colour); }
    // A surface: the shape in its edge colour with its fill inside.
    void Surface(const Shape& shape, const Tone& tone)
    {
        Fill(shape, tone.edge);
        Fill(Grow(shape, -Edge()), tone.fill);
    }

    Bitmap Finish() const { return canvas_.ToBitmap(); }

private:
    AlphaCanvas canvas_;
    float scale_;
    Shape cut_;
};

// ---- Motifs shared between icons

// The product's padlock: steel shackle and body, two green bands and the keyhole between them.
void Shackle(IconPainter& p)
{
    const float bar = p.Thick(2);
    const float left = p.Px(4) + bar / 2;
    const float right = p.Px(12) - bar / 2;
    const float radius = (right - left) / 2;
    const Point bend{(left + right) / 2, p.Px(1) + bar / 2 + radius};
    const float bodyTop = p.Px(6);
    p.Surface(Union({Arc(bend, radius, bar, 180, 360), Line({left, bend.y}, {left, bodyTop + bar}, bar),
                     Line({right, bend.y}, {right, bodyTop + bar}, bar)}),
              kSteel);
}

// Between `top` and `bottom` (pixels): a block at small sizes, a circle and stem at large ones.
void Keyhole(IconPainter& p, float top, float bottom, bool detailed)
{
    if (!detailed) {
        const Span across = p.Centred(2, 14, p.U(2));
        p.Fill(Box(across.from, top, across.to, bottom), kInk);
        return;
    }
    const float height = bottom - top;
    const float x = p.U(8);
    const Point hole{x, top + height * 0.38f};
    const float radius = height * 0.25f;
    const float foot = bottom - height * 0.1f;
    p.Fill(Union({Circle(hole, radius), Polygon({{x - radius * 0.45f, hole.y}, {x + radius * 0.45f, hole.y},
                                                 {x + radius * 0.7f, foot}, {x - radius * 0.7f, foot}})}),
           kInk);
}

void Padlock(IconPainter& p)
{
    Shackle(p);
    const Shape body = p.Rect(2, 6, 14, 15, 1.5f);
    p.Surface(body, kSteelLight);
    // Large sizes get slimmer bands, leaving room for a shaped keyhole.
    const bool detailed = p.Size() >= 32;
    const float band = detailed ? 1.5f : 2.0f;
    p.Fill(Intersect(Union({p.Rect(0, 8, 16, 8 + band), p.Rect(0, 14 - band, 16, 14)}), Grow(body, -p.Edge())),
           kGreen.fill);
    Keyhole(p, p.Px(8 + band), p.Px(14 - band), detailed);
}

// A cogwheel with `teeth` teeth, `radius` to their tips; without its hole, the outline of what
// it covers.
Shape CogwheelOutline(Point centre, float radius, int teeth)
{
    const float hub = radius * 0.72f;
    const float baseHalf = radius * 0.2f;
    const float tipHalf = radius * 0.13f;
    std::vector<Shape> parts{Circle(centre, hub)};
    for (int i = 0; i < teeth; ++i) {
        const Shape tooth = Polygon({{centre.x - baseHalf, centre.y - hub + radius * 0.1f},
                                     {centre.x - tipHalf, centre.y - radius},
                                     {centre.x + tipHalf, centre.y - radius},
                                     {centre.x + baseHalf, centre.y - hub + radius * 0.1f}});
        parts.push_back(Rotate(tooth, centre, 360.0f * static_cast<float>(i) / static_cast<float>(teeth)));
    }
    return Union(std::move(parts));
}

Shape Cogwheel(Point centre, float radius, int teeth)
{
    return Subtract(CogwheelOutline(centre, radius, teeth), Circle(centre, radius * 0.3f));
}

// The back of a folder with its tab, reaching to `right`.
void FolderBack(IconPainter& p, float right)
{
    p.Surface(Union({p.Rect(1, 2, 7, 6, 1), p.Rect(1, 3, right, 14, 1)}), kAmberDeep);
}

void Folder(IconPainter& p)
{
    FolderBack(p, 15);
    p.Surface(p.Rect(1, 5, 15, 14, 1), kAmber);
}

// A plus or a minus of `bar`-thick strokes `arm` long, in the middle of the square run
// [from, to) of the design grid.
void Sign(IconPainter& p, float from, float to, float bar, float arm, bool plus, Rgba colour)
{
    const Span across = p.Centred(from, to, p.U(bar));
    const Span along = p.Centred(from, to, p.U(arm));
    p.Fill(Box(along.from, across.from, along.to, across.to), colour);
    if (plus) {
        p.Fill(Box(across.from, along.from, across.to, along.to), colour);
    }
}

// Head and shoulders in the design box [left, right) x [top, bottom). A person too small to
// carry an outline is drawn flat.
void Person(IconPainter& p, float left, float top, float right, float bottom, const Tone& tone)
{
    const bool outlined = p.U(right - left) >= 12;
    const auto paint = [&](const Shape& shape) {
        if (outlined) {
            p.Surface(shape, tone);
        } else {
            p.Fill(shape, tone.fill);
        }
    };
    const float width = right - left;
    const float head = width * 0.27f;
    const float shouldersTop = top + 2 * head + width * 0.07f;
    const float round = width * 0.42f;
    const Shape shoulders =
        Intersect(Box(p.U(left), p.U(shouldersTop), p.U(right), p.U(bottom + round), p.U(round)),
                  Box(-1, -1, static_cast<float>(p.Size()) + 1, p.Px(bottom)));
    paint(shoulders);
    paint(Circle(p.At((left + right) / 2, top + head), p.U(head)));
}

// ---- Tree nodes

void DrawProgram(IconPainter& p) { Padlock(p); }

void DrawOptions(IconPainter& p)
{
    const Point centre = p.At(11.5f, 11.5f);
    const float radius = p.U(4.5f);
    p.CutAway(Grow(CogwheelOutline(centre, radius, 8), p.Edge()));
    Folder(p);
    p.StopCutting();
    p.Surface(Cogwheel(centre, radius, 8), kSteel);
}

void DrawSettings(IconPainter& p) { p.Surface(Cogwheel(p.At(8, 8), p.U(7.5f), 8), kSteel); }

void DrawAppearance(IconPainter& p)
{
    const Shape frame = p.Rect(1, 2, 15, 14, 0.5f);
    p.Surface(frame, kSteelLight);
    const float mat = p.Small() ? 0.0f : p.Edge();
    const Shape picture = Grow(frame, -p.Edge() - mat);
    p.Fill(picture, kSky);
    p.Fill(Intersect(Circle(p.At(11, 5.5f), p.U(1.6f)), picture), kAmber.fill);
    p.Fill(Intersect(Polygon({p.At(1, 14), p.At(1, 11), p.At(5, 7), p.At(9, 11.5f), p.At(11.5f, 9),
                              p.At(15, 12.5f), p.At(15, 14)}),
                     picture),
           kGreen.fill);
}

void DrawUsers(IconPainter& p)
{
    // The back person stands behind and to the left of the front one.
    const float gap = p.Edge();
    p.CutAway(Grow(Union({Circle(p.At(12.5f, 8.5f), p.U(2)), p.Rect(9, 11, 16, 16, 3)}), gap));
    Folder(p);
    Person(p, 5, 6, 11.5f, 15, kSlate);
    p.StopCutting();
    Person(p, 9, 6.5f, 16, 16, kGreen);
}

void DrawCurrentUser(IconPainter& p) { Person(p, 1.5f, 1, 14.5f, 15, kGreen); }
void DrawOtherUser(IconPainter& p) { Person(p, 1.5f, 1, 14.5f, 15, kSlate); }

void DrawStatistics(IconPainter& p)
{
    struct Bar {
        float left;
        float top;
        const Tone& tone;
    };
    const std::array<Bar, 3> bars{{{1, 7, kBlue}, {6, 2, kGreen}, {11, 9, kAmberDeep}}};
    for (const Bar& bar : bars) {
        p.Surface(p.Rect(bar.left, bar.top, bar.left + 4, 14.5f), bar.tone);
    }
    p.Fill(Box(p.Px(0), p.Px(14.5f), p.Px(16), p.Px(14.5f) + p.Edge()), kInk);
}

void DrawLogLine(IconPainter& p)
{
    const float fold = 3.5f;
    p.Surface(Polygon({{p.Px(2.5f), p.Px(1)}, {p.Px(13.5f - fold), p.Px(1)}, {p.Px(13.5f), p.Px(1 + fold)},
                       {p.Px(13.5f), p.Px(15)}, {p.Px(2.5f), p.Px(15)}}),
              kPaper);
    p.Surface(Polygon({{p.Px(13.5f - fold), p.Px(1)}, {p.Px(13.5f), p.Px(1 + fold)},
                       {p.Px(13.5f - fold), p.Px(1 + fold)}}),
              kSteelLight);
    const float thick = p.Thick(0.6f);
    const std::array<float, 5> lengths{6, 8, 5, 8, 7};
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const float y = p.Px(5.5f + 2 * static_cast<float>(i));
        p.Fill(Box(p.Px(4.5f), y, p.Px(4.5f + lengths[i]), y + thick), kSteel.edge);
    }
}

// A log line with a green plus before it: time the administrator granted.
void DrawGrantLine(IconPainter& p)
{
    const float gap = p.Edge();
    p.CutAway(Grow(Circle(p.At(11.5f, 11.5f), p.U(4.5f)), gap));
    DrawLogLine(p);
    p.StopCutting();
    p.Fill(Circle(p.At(11.5f, 11.5f), p.U(4.5f)), kGreen.fill);
    const float arm = p.U(2.8f), thick = p.Thick(1.4f);
    const float x = p.Px(11.5f), y = p.Px(11.5f);
    p.Fill(Box(x - arm, y - thick / 2, x + arm, y + thick / 2), kPaper.fill);
    p.Fill(Box(x - thick / 2, y - arm, x + thick / 2, y + arm), kPaper.fill);
}

// ---- Actions of the menu and the tool bar

void DrawApply(IconPainter& p)
{
    p.Fill(Polyline({p.At(2.5f, 8.5f), p.At(6.5f, 12.5f), p.At(13.5f, 4)}, p.U(2.8f)), kGreen.fill);
}

void DrawCancel(IconPainter& p)
{
    // The straight runs and the far side of the bend are placed on whole pixels.
    const float width = p.Thick(2.2f);
    const float radius = std::round(p.U(7.5f)) / 2;
    const float upper = p.Px(5) + width / 2;
    const float bendX = std::round(p.U(9.5f) + radius - width / 2) - radius + width / 2;
    const Point bend{bendX, upper + radius};
    p.Fill(Union({Polygon({{p.U(1), upper}, {p.U(6), upper - p.U(4.5f)}, {p.U(6), upper + p.U(4.5f)}}),
                  Line({p.U(5), upper}, {bend.x, upper}, width), Arc(bend, radius, width, -90, 90),
                  Line({bend.x, upper + 2 * radius}, {p.U(5.5f), upper + 2 * radius}, width)}),
           kBlue.fill);
}

// A square with a plus or a minus.
void SignBox(IconPainter& p, bool plus)
{
    p.Surface(p.Rect(1, 1, 15, 15, 2), kPaper);
    Sign(p, 1, 15, 2, 8, plus, kBlue.fill);
}

void DrawExpand(IconPainter& p) { SignBox(p, true); }
void DrawCollapse(IconPainter& p) { SignBox(p, false); }

void DrawBack(IconPainter& p)
{
    // Up, then along the bottom to the right: back to the level above.
    const Span shaft = p.Centred(3, 11, p.U(2.4f));
    const float x = shaft.Middle();
    const float base = p.Px(13.5f) - shaft.Length() / 2;
    p.Fill(Union({Polygon({{x, p.U(1)}, {x + p.U(4.5f), p.U(6)}, {x - p.U(4.5f), p.U(6)}}),
                  Polyline({{x, p.U(5)}, {x, base}, {p.Px(14), base}}, shaft.Length())}),
           kBlue.fill);
}

void DrawOpen(IconPainter& p)
{
    FolderBack(p, 13);
    p.Surface(p.Rect(3, 4.5f, 12, 12), kPaper);
    p.Surface(Polygon({p.At(3.5f, 7), p.At(15.5f, 7), p.At(13, 14), p.At(0.5f, 14)}), kAmber);
}

void DrawHome(IconPainter& p)
{
    p.Surface(Union({Polygon({p.At(3, 7.5f), p.At(8, 2.5f), p.At(13, 7.5f)}), p.Rect(3, 7, 13, 15)}), kPaper);
    const Span door = p.Centred(3, 13, p.U(4));
    p.Surface(Box(door.from, p.Px(9.5f), door.to, p.Px(15)), kAmberDeep);
    p.Fill(Polyline({p.At(1.25f, 8.25f), p.At(8, 1.5f), p.At(14.75f, 8.25f)}, p.U(2.2f)), kBlue.fill);
}

void DrawProducts(IconPainter& p)
{
    const Point top = p.At(8, 1), left = p.At(1, 4.5f), right = p.At(15, 4.5f), middle = p.At(8, 8);
    const Point bottom = p.At(8, 15), leftLow = p.At(1, 11.5f), rightLow = p.At(15, 11.5f);
    const Shape lid = Polygon({top, right, middle, left});
    const Shape front = Polygon({left, middle, bottom, leftLow});
    const Shape side = Polygon({middle, right, rightLow, bottom});
    // One outline around the box; its faces are shrunk by half of it, so that the folds between
    // them show as lines of the same width.
    const float e = p.Edge();
    const Shape outline = Union({lid, front, side});
    p.Fill(outline, kCardEdge);
    const Shape inside = Grow(outline, -e);
    p.Fill(Intersect(Grow(lid, -e / 2), inside), kCardLid);
    p.Fill(Intersect(Grow(front, -e / 2), inside), kCardFront);
    p.Fill(Intersect(Grow(side, -e / 2), inside), kCardSide);
    // The tape across the lid and down the front.
    const float tape = p.U(1.2f);
    p.Fill(Intersect(Line(p.At(4.5f, 2.75f), p.At(11.5f, 6.25f), tape), Grow(lid, -e / 2)), kTapeLit);
    p.Fill(Intersect(Line(p.At(4.5f, 6.25f), p.At(4.5f, 13.25f), tape), Grow(front, -e / 2)), kTape);
}

void DrawContact(IconPainter& p)
{
    p.Surface(Union({p.Rect(1, 2, 15, 12, 3), Polygon({p.At(4, 10), p.At(4, 15), p.At(9, 10)})}), kBlue);
    for (const float x : {5.0f, 8.0f, 11.0f}) {
        p.Fill(Circle({p.Px(x), p.Px(7)}, p.U(1.1f)), kWhite);
    }
}

void DrawContents(IconPainter& p)
{
    // A book seen from the front: darker spine, the pages' edge above the bottom of the cover,
    // and a question mark on it.
    p.Surface(p.Rect(2.5f, 1, 13.5f, 15, 1), kBlue);
    p.Fill(Box(p.Px(2.5f) + p.Edge(), p.Px(1) + p.Edge(), p.Px(4.5f), p.Px(15) - p.Edge()), kBlue.edge);
    p.Fill(Box(p.Px(4.5f), p.Px(13), p.Px(13.5f) - p.Edge(), p.Px(13) + p.Thick(0.8f)), kWhite);
    const float width = p.U(1.8f);
    const Point bend = p.At(9, 5);
    const float radius = p.U(2.2f);
    const Point hook{bend.x + radius * 0.7071f, bend.y + radius * 0.7071f};
    p.Fill(Union({Arc(bend, radius, width, 180, 405), Polyline({hook, p.At(9, 7.9f), p.At(9, 8.5f)}, width)}),
           kWhite);
    p.Fill(Circle(p.At(9, 11.2f), p.U(1.05f)), kWhite);
}

void DrawExit(IconPainter& p)
{
    const Span bar = p.Snapped(8, 2.2f);
    const float width = bar.Length();
    const float x = bar.Middle();
    p.Fill(Union({Arc({x, p.U(8.75f)}, p.U(5.5f), width, -55, 235), Line({x, p.U(1.5f)}, {x, p.U(7.5f)}, width)}),
           kRed.fill);
}

void DrawAbout(IconPainter& p)
{
    p.Surface(Circle(p.At(8, 8), p.U(7.5f)), kBlue);
    const Span stem = p.Snapped(8, 2);
    p.Fill(Circle({stem.Middle(), p.U(4.5f)}, p.U(1.3f)), kWhite);
    p.Fill(Box(stem.from, p.Px(7), stem.to, p.Px(12.5f)), kWhite);
}

// ---- The schedule buttons: a small clock with an emblem at its lower right

enum class ScheduleEmblem { Add, Remove, Edit };

void Clock(IconPainter& p)
{
    // The face's width and the hands' take the same parity, so the hands sit on whole pixels.
    const float hand = p.Thick(1);
    float diameter = p.Px(13.5f);
    if (static_cast<int>(diameter - hand) % 2 != 0) {
        diameter -= 1;
    }
    const Point centre{diameter / 2, diameter / 2};
    const Shape face = Circle(centre, diameter / 2);
    p.Fill(face, kBlue.fill);
    p.Fill(Grow(face, -p.Thick(1.6f)), kClockFace);
    const float half = hand / 2;
    p.Fill(Box(centre.x - half, centre.y - p.Px(3.5f), centre.x + half, centre.y + half), kInk);
    p.Fill(Box(centre.x - half, centre.y - half, centre.x + p.Px(2.5f), centre.y + half), kInk);
}

void DrawSchedule(IconPainter& p, ScheduleEmblem emblem)
{
    if (emblem == ScheduleEmblem::Edit) {
        // A pencil lying from the upper right to the lower left, its point down.
        const Point tip = p.At(8, 15);
        const float length = p.U(10);
        const float half = p.U(1.8f);
        const float point = p.U(3);
        const auto along = [&](float t, float side) {
            return Point{tip.x + (t + side) * 0.7071f, tip.y - (t - side) * 0.7071f};
        };
        const Shape pencil = Polygon({along(0, 0), along(point, -half), along(length, -half), along(length, half),
                                      along(point, half)});
        p.CutAway(Grow(pencil, p.Edge()));
        Clock(p);
        p.StopCutting();
        p.Surface(pencil, kAmberDeep);
        p.Fill(Polygon({along(0, 0), along(point * 0.45f, -half * 0.45f), along(point * 0.45f, half * 0.45f)}), kInk);
        return;
    }
    const Span disc = p.Centred(8, 16, p.U(8));
    const Shape badge = Circle({disc.Middle(), disc.Middle()}, disc.Length() / 2);
    p.CutAway(Grow(badge, p.Edge()));
    Clock(p);
    p.StopCutting();
    p.Surface(badge, emblem == ScheduleEmblem::Add ? kGreen : kRed);
    Sign(p, 8, 16, 2, 6, emblem == ScheduleEmblem::Add, kWhite);
}

void DrawScheduleAdd(IconPainter& p) { DrawSchedule(p, ScheduleEmblem::Add); }
void DrawScheduleRemove(IconPainter& p) { DrawSchedule(p, ScheduleEmblem::Remove); }
void DrawScheduleEdit(IconPainter& p) { DrawSchedule(p, ScheduleEmblem::Edit); }

// ---- The files

// Small and large icons at 96, 120 and 144 DPI for the tree and list; the small ones alone for
// menus, tool bar and buttons.
constexpr std::array<int, 6> kNodeSizes{16, 20, 24, 32, 40, 48};
constexpr std::array<int, 3> kActionSizes{16, 20, 24};

struct DrawnIcon {
    const char* file;
    std::span<const int> sizes;
    void (*draw)(IconPainter&);
};

const std::array<DrawnIcon, 25> kIcons{{
    {"node_program.ico", kNodeSizes, DrawProgram},
    {"node_options.ico", kNodeSizes, DrawOptions},
    {"node_settings.ico", kNodeSizes, DrawSettings},
    {"node_appearance.ico", kNodeSizes, DrawAppearance},
    {"node_users.ico", kNodeSizes, DrawUsers},
    {"node_current_user.ico", kNodeSizes, DrawCurrentUser},
    {"node_other_user.ico", kNodeSizes, DrawOtherUser},
    {"node_statistics.ico", kNodeSizes, DrawStatistics},
    {"node_log_line.ico", kNodeSizes, DrawLogLine},
    {"node_grant_line.ico", kNodeSizes, DrawGrantLine},
    {"action_apply.ico", kActionSizes, DrawApply},
    {"action_cancel.ico", kActionSizes, DrawCancel},
    {"action_expand.ico", kActionSizes, DrawExpand},
    {"action_collapse.ico", kActionSizes, DrawCollapse},
    {"action_back.ico", kActionSizes, DrawBack},
    {"action_open.ico", kActionSizes, DrawOpen},
    {"action_home.ico", kActionSizes, DrawHome},
    {"action_products.ico", kActionSizes, DrawProducts},
    {"action_contact.ico", kActionSizes, DrawContact},
    {"action_contents.ico", kActionSizes, DrawContents},
    {"action_exit.ico", kActionSizes, DrawExit},
    {"action_about.ico", kActionSizes, DrawAbout},
    {"schedule_add.ico", kActionSizes, DrawScheduleAdd},
    {"schedule_remove.ico", kActionSizes, DrawScheduleRemove},
    {"schedule_edit.ico", kActionSizes, DrawScheduleEdit},
}};

}  // namespace

std::vector<IconFile> WindowIconFiles()
{
    std::vector<IconFile> files;
    for (const DrawnIcon& icon : kIcons) {
        std::vector<Bitmap> images;
        for (const int size : icon.sizes) {
            IconPainter painter(size);
            icon.draw(painter);
            images.push_back(painter.Finish());
        }
        files.push_back({icon.file, EncodeIco(images)});
    }
    return files;
}

}  // namespace vardex::assets
