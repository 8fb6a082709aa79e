#include "fuzz/Generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/CommandTable.h"
#include "app/MainFrame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The replay tool refuses coordinates beyond a million pixels.
constexpr double kMaxPixel = 999999.0;

struct Pt {
    double x = 0.0;
    double y = 0.0;
};

// The accelerator keys in table order.
std::vector<char> AcceleratorKeys() {
    std::vector<char> keys;
    for (const CommandDef& command : kCommands)
        if (command.key != 0) keys.push_back(command.key);
    return keys;
}

// The script names of the View menu's commands, its submenus' included, in table order.
std::vector<std::string> ViewMenuItems() {
    std::vector<std::string> items;
    for (const CommandDef& command : kCommands) {
        const MenuDef* menu = FindMenuDef(command.menu);
        const bool inView = command.menu == IDM_VIEW || (menu && menu->parent == IDM_VIEW);
        if (inView && command.scriptName != nullptr) items.push_back(command.scriptName);
    }
    return items;
}

Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Pt operator*(double s, Pt a) { return {s * a.x, s * a.y}; }
double Norm(Pt a) { return std::sqrt(a.x * a.x + a.y * a.y); }

// What the generator believes about the program, enough to aim strokes at the body
// and at its curves. Positions are in view-plane units (y up, origin at the centre
// of the client area), so they survive zooms and resizes; rotations make the belief
// rough, which is fine: a near miss is a test case too.
class Session {
public:
    // Undo and redo draw from a stream of their own, so that between them a seed's
    // gestures stay the ones it always had.
    Session(uint64_t seed, const GeneratorOptions& options)
        : m_r(seed), m_history(seed ^ 0x5DEECE66Dull), m_o(options) {}

    std::vector<std::string> Run() {
        while (static_cast<int>(m_out.size()) < m_o.events) Gesture();
        return std::move(m_out);
    }

private:
    // ---- emitting ----
    void Line(const std::string& text) { m_out.push_back(text); }

    void Mouse(const char* word, Pt p) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%s %d %d", word, ClampPixel(p.x), ClampPixel(p.y));
        Line(buffer);
    }

    static int ClampPixel(double v) {
        if (!(v == v)) return 0;
        return static_cast<int>(std::lround(std::clamp(v, -kMaxPixel, kMaxPixel)));
    }

    // ---- the view as the generator models it ----
    double PixelSize() const {
        const int longer = std::max(m_w, m_h);
        return 2.0 * std::pow(1.001, m_zoom) / longer;
    }
    Pt ToPixel(Pt u) const {
        const double ps = PixelSize();
        return {u.x / ps + (m_w - 1) * 0.5, (m_h - 1) * 0.5 - u.y / ps};
    }
    Pt FromPixel(Pt p) const {
        const double ps = PixelSize();
        return {(p.x - (m_w - 1) * 0.5) * ps, ((m_h - 1) * 0.5 - p.y) * ps};
    }

    Pt Polar(Pt c, double r, double a) const {
        return {c.x + r * std::cos(a), c.y + r * std::sin(a)};
    }
    Pt InBody(double fraction) {
        return Polar(m_body, fraction * m_r.Unit() * m_bodyRadius, m_r.Unit() * 2.0 * kPi);
    }

    // ---- shapes, in view units ----
    // An ellipse from angle a0 over `sweep` radians; a sweep just short of a full turn
    // is a loop let go short of its start, more than a turn comes back over it.
    std::vector<Pt> Ellipse(Pt c, double rx, double ry, double a0, double sweep, double wobble) {
        std::vector<Pt> pts;
        const double step = PixelSize() * m_r.Int(2, 14);
        const double around = std::abs(sweep) * 0.5 * (rx + ry);
        const int n = std::clamp(static_cast<int>(around / step), 2, 600);
        const int lobes = m_r.Int(2, 7);
        for (int i = 0; i <= n; ++i) {
            const double a = a0 + sweep * i / n;
            const double k = 1.0 + wobble * std::sin(lobes * a);
            pts.push_back({c.x + k * rx * std::cos(a), c.y + k * ry * std::sin(a)});
        }
        return pts;
    }

    std::vector<Pt> Loop(Pt c, double r) {
        const double gap = m_r.Chance(15) ? -0.3 * m_r.Unit() : 0.05 + 0.45 * m_r.Unit();
        const double ry = r * (0.5 + m_r.Unit());
        const double wobble = m_r.Chance(30) ? 0.3 * m_r.Unit() : 0.0;
        const double dir = m_r.Chance(50) ? 1.0 : -1.0;
        return Ellipse(c, r, ry, m_r.Unit() * 2.0 * kPi, dir * (2.0 * kPi - gap), wobble);
    }

    std::vector<Pt> Segment(Pt a, Pt b) {
        std::vector<Pt> pts;
        const double step = PixelSize() * m_r.Int(2, 20);
        const int n = std::clamp(static_cast<int>(Norm(b - a) / step), 1, 600);
        for (int i = 0; i <= n; ++i) pts.push_back(a + (static_cast<double>(i) / n) * (b - a));
        return pts;
    }

    std::vector<Pt> Scribble(Pt start, double reach) {
        std::vector<Pt> pts{start};
        double heading = m_r.Unit() * 2.0 * kPi;
        const int n = m_r.Int(3, 120);
        for (int i = 0; i < n; ++i) {
            heading += (m_r.Unit() - 0.5) * (m_r.Chance(20) ? 6.0 : 1.2);
            const double len = reach * 0.05 * (0.2 + m_r.Unit());
            pts.push_back(Polar(pts.back(), len, heading));
        }
        return pts;
    }

    // Turns that tighten towards the middle keep coming near their own earlier path.
    std::vector<Pt> Spiral(Pt c, double r) {
        std::vector<Pt> pts;
        const double turns = 1.0 + 2.5 * m_r.Unit();
        const int n = m_r.Int(40, 300);
        const double a0 = m_r.Unit() * 2.0 * kPi;
        const bool inward = m_r.Chance(60);
        for (int i = 0; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double rr = r * (inward ? 1.0 - 0.9 * t : 0.1 + 0.9 * t);
            pts.push_back(Polar(c, rr, a0 + turns * 2.0 * kPi * t));
        }
        return pts;
    }

    std::vector<Pt> FigureEight(Pt c, double r) {
        std::vector<Pt> pts;
        const int n = m_r.Int(30, 200);
        const double end = 2.0 * kPi * (0.85 + 0.2 * m_r.Unit());
        for (int i = 0; i <= n; ++i) {
            const double a = end * i / n;
            pts.push_back({c.x + r * std::sin(a), c.y + 0.5 * r * std::sin(2.0 * a)});
        }
        return pts;
    }

    // Back and forth over nearly the same line.
    std::vector<Pt> ZigZag(Pt c, double r) {
        std::vector<Pt> pts;
        const double a = m_r.Unit() * kPi;
        const Pt along{std::cos(a), std::sin(a)};
        const Pt across{-along.y, along.x};
        const int n = m_r.Int(2, 12);
        const double drift = r * 0.15 * m_r.Unit();
        for (int i = 0; i <= n; ++i) {
            const double s = (i % 2 == 0 ? -r : r);
            pts.push_back(c + s * along + (drift * i) * across);
        }
        return pts;
    }

    // Along a window edge, or just past it, in pixels; converted to units.
    std::vector<Pt> EdgeStroke() {
        const double w = std::max(m_w, 1);
        const double h = std::max(m_h, 1);
        const double off = m_r.Chance(50) ? 0.0 : (m_r.Chance(50) ? -1.0 : 1.0) * m_r.Int(1, 400);
        Pt a;
        Pt b;
        switch (m_r.Int(0, 3)) {
        case 0:
            a = {off, 0};
            b = {off, h - 1};
            break;
        case 1:
            a = {w - 1 + off, 0};
            b = {w - 1 + off, h - 1};
            break;
        case 2:
            a = {0, off};
            b = {w - 1, off};
            break;
        default:
            a = {0, h - 1 + off};
            b = {w - 1, h - 1 + off};
            break;
        }
        if (m_r.Chance(50)) std::swap(a, b);
        std::vector<Pt> pts = Segment(FromPixel(a), FromPixel(b));
        if (m_r.Chance(30))
            pts.push_back(
                FromPixel({m_r.Int(-200000, 200000) * 1.0, m_r.Int(-200000, 200000) * 1.0}));
        return pts;
    }

    // A short stroke from just inside the window to its last pixel or beyond: where
    // the stroke's end meets the window's edge, a body that runs past it is cut off.
    std::vector<Pt> ToEdge() {
        const int w = std::max(m_w, 1);
        const int h = std::max(m_h, 1);
        const int inside = m_r.Int(2, 60);
        const int past = m_r.Chance(50) ? 0 : m_r.Int(1, 40);
        const double along = m_r.Unit();
        Pt a;
        Pt b;
        switch (m_r.Int(0, 3)) {
        case 0:
            a = {w - 1.0 - inside, along * (h - 1)};
            b = {w - 1.0 + past, a.y + m_r.Int(-30, 30)};
            break;
        case 1:
            a = {1.0 * inside, along * (h - 1)};
            b = {-1.0 * past, a.y + m_r.Int(-30, 30)};
            break;
        case 2:
            a = {along * (w - 1), h - 1.0 - inside};
            b = {a.x + m_r.Int(-30, 30), h - 1.0 + past};
            break;
        default:
            a = {along * (w - 1), 1.0 * inside};
            b = {a.x + m_r.Int(-30, 30), -1.0 * past};
            break;
        }
        std::vector<Pt> pts;
        const int n = m_r.Int(1, 5);
        for (int i = 0; i <= n; ++i) pts.push_back(FromPixel(a + (1.0 * i / n) * (b - a)));
        if (m_r.Chance(50)) pts.push_back(pts.back());  // held still at the edge
        return pts;
    }

    // A big window at the farthest zoom: the largest bodies the view allows, tens of
    // thousands of vertices, and outlines that run past the window's edges.
    void HugeScene() {
        static const int kBig[][2] = {{1200, 900}, {1600, 1000}, {1920, 1080}, {900, 1200}};
        const int k = m_r.Int(0, 3);
        m_w = kBig[k][0];
        m_h = kBig[k][1];
        Line("size " + std::to_string(m_w) + " " + std::to_string(m_h));
        Line("wheel " + std::to_string(kMinZoom - kMaxZoom));  // all the way out
        m_zoom = kMaxZoom;
    }

    // ---- gestures ----
    void Interrupt() {
        // Held buttons make undo wait: it must do nothing then.
        if (m_history.Chance(10)) return Line(m_history.Chance(50) ? "menu undo" : "menu redo");
        switch (m_r.Int(0, 9)) {
        case 0:
            Key();
            break;
        case 1:
            Line("menu new");
            m_bodyDrawn = false;
            m_loop.clear();
            break;
        case 2:
            Wheel();
            break;
        case 3:
            Resize();
            break;
        case 4:
            Line(m_r.Chance(50) ? "rdown 10 10" : "rup 10 10");
            break;
        case 5:
            ViewMenu();
            break;
        case 6:
            Save();
            break;
        case 7:
            Mouse("down", ToPixel(m_body));
            break;
        default:
            Key();
            break;
        }
    }

    void Key() {
        const char k = m_keys[m_r.Int(0, static_cast<int>(m_keys.size()) - 1)];
        Line(std::string("key ") + k);
        if (k == 'P' || k == 'E' || k == 'D' || k == 'C') m_tool = k;
    }

    // A stroke through the handlers: press, moves, release, with now and then
    // something else in the middle or a release the window never sees.
    void Stroke(const std::vector<Pt>& pts) {
        if (pts.empty()) return;
        Mouse("down", ToPixel(pts.front()));
        // One stroke in five is interrupted once, anywhere along it.
        const size_t interruptAt =
            m_r.Chance(20) ? static_cast<size_t>(m_r.Int(1, static_cast<int>(pts.size()))) : 0;
        for (size_t i = 1; i < pts.size(); ++i) {
            if (i == interruptAt) Interrupt();
            Mouse("move", ToPixel(pts[i]));
        }
        if (m_r.Chance(4)) return;  // let go outside the window
        Mouse("up", ToPixel(pts.back()));
    }

    void PenStroke(const std::vector<Pt>& pts) {
        if (m_tool != 'P' || m_r.Chance(5)) {
            Line(m_r.Chance(50) ? "key P" : "menu pen");
            m_tool = 'P';
        }
        Stroke(pts);
    }

    void DrawBody() {
        const bool huge = m_r.Chance(6);
        if (huge) HugeScene();
        const double ps = PixelSize();
        const int shorter = std::max(std::min(m_w, m_h), 40);
        const double r = ps * shorter * (huge ? 0.3 + 0.25 * m_r.Unit() : 0.1 + 0.3 * m_r.Unit());
        // A huge outline is centred near an edge, so that part of it runs past.
        const double spread = huge ? 0.9 : 0.4;
        const double from = 0.5 - spread / 2;
        const Pt c = FromPixel({(m_w - 1) * (from + spread * m_r.Unit()),
                                (m_h - 1) * (from + spread * m_r.Unit())});
        std::vector<Pt> pts =
            m_r.Chance(80) ? Loop(c, r) : Ellipse(c, r, r, 0, kPi * (0.6 + m_r.Unit()), 0);
        m_outline = pts;
        PenStroke(pts);
        m_body = c;
        m_bodyRadius = r;
        m_bodyDrawn = true;
        m_loop.clear();
    }

    void DrawOnBody() {
        const double r = m_bodyRadius;
        switch (m_r.Int(0, 10)) {
        case 0:
        case 1:
        case 2: {
            // A closed curve on the body; near the silhouette it can take a profile.
            const bool nearRim = m_r.Chance(50);
            const Pt c = nearRim ? m_body : InBody(0.4);
            const double rr =
                nearRim ? r * (0.82 + 0.12 * m_r.Unit()) : r * (0.15 + 0.4 * m_r.Unit());
            std::vector<Pt> pts = nearRim ? Ellipse(c, rr, rr, m_r.Unit() * 2 * kPi,
                                                    2 * kPi - 0.08 - 0.1 * m_r.Unit(), 0)
                                          : Loop(c, rr);
            PenStroke(pts);
            m_loop = pts;
            break;
        }
        case 3:
            PenStroke(Ellipse(InBody(0.5), r * 0.5, r * 0.3, m_r.Unit() * 6, m_r.Unit() * 4, 0));
            break;
        case 4:
            PenStroke(Segment(InBody(1.0), InBody(1.0)));
            break;
        case 5:
            PenStroke(Scribble(InBody(0.8), r * 2));
            break;
        case 6:
            PenStroke(Spiral(InBody(0.3), r * (0.3 + 0.7 * m_r.Unit())));
            break;
        case 7:
            PenStroke(FigureEight(InBody(0.3), r * (0.3 + 0.8 * m_r.Unit())));
            break;
        case 8:
            PenStroke(ZigZag(InBody(0.6), r * (0.1 + 0.6 * m_r.Unit())));
            break;
        case 9:
            PenStroke(ToEdge());
            break;
        default: {
            // Across the silhouette, either way.
            Pt in = InBody(0.7);
            Pt out = Polar(m_body, r * (1.1 + m_r.Unit()), m_r.Unit() * 2 * kPi);
            if (m_r.Chance(30)) std::swap(in, out);
            PenStroke(Segment(in, out));
            break;
        }
        }
    }

    // After a closed curve: a cut from the body outward, a profile from one curve
    // vertex to another beside the body, or a click to accept.
    void UseLoop() {
        switch (m_r.Int(0, 5)) {
        case 0:
        case 1: {
            PenStroke(Segment(InBody(0.6), Polar(m_body, m_bodyRadius * (1.2 + m_r.Unit()),
                                                 m_r.Unit() * 2 * kPi)));
            break;
        }
        case 2: {
            Pt p =
                m_loop.empty() ? m_body : m_loop[m_r.Int(0, static_cast<int>(m_loop.size()) - 1)];
            PenStroke({p});
            break;
        }
        default:
            Profile();
            break;
        }
    }

    Pt Outward(Pt p, double extra) {
        Pt d = p - m_body;
        const double len = Norm(d);
        if (!(len > 0)) return p;
        return m_body + ((m_bodyRadius + extra) / len) * d;
    }

    void Profile() {
        if (m_loop.size() < 4) {
            PenStroke(Segment(Outward(InBody(1.0), 5), Outward(InBody(1.0), 5)));
            return;
        }
        const int n = static_cast<int>(m_loop.size());
        const int i = m_r.Int(0, n - 1);
        const int j = (i + m_r.Int(1, std::max(1, n / 3))) % n;
        const double margin = PixelSize() * m_r.Int(1, 8);
        const Pt s = Outward(m_loop[i], margin);
        const Pt e = Outward(m_loop[j], margin);
        Pt chord = e - s;
        Pt normal{-chord.y, chord.x};
        const double len = Norm(normal);
        if (len > 0) normal = (1.0 / len) * normal;
        if ((0.5 * (s + e) - m_body).x * normal.x + (0.5 * (s + e) - m_body).y * normal.y < 0)
            normal = -1.0 * normal;
        const double height = m_bodyRadius * (0.1 + 1.2 * m_r.Unit());
        std::vector<Pt> pts;
        const int steps = m_r.Int(3, 60);
        for (int k = 0; k <= steps; ++k) {
            const double t = static_cast<double>(k) / steps;
            pts.push_back(s + t * chord + (height * std::sin(kPi * t)) * normal);
        }
        PenStroke(pts);
    }

    void OtherPen() {
        const Pt anywhere = FromPixel({m_r.Int(-50, m_w + 50) * 1.0, m_r.Int(-50, m_h + 50) * 1.0});
        const double r = PixelSize() * m_r.Int(3, 250);
        switch (m_r.Int(0, 6)) {
        case 0:
            PenStroke({anywhere});
            break;
        case 1: {
            // A click that wanders a pixel or two.
            const Pt p = ToPixel(anywhere);
            Mouse("down", p);
            Mouse("move", {p.x + m_r.Int(-2, 2), p.y + m_r.Int(-2, 2)});
            Mouse("up", {p.x + m_r.Int(-2, 2), p.y + m_r.Int(-2, 2)});
            break;
        }
        case 2:
            PenStroke(EdgeStroke());
            break;
        case 3:
            PenStroke(Scribble(anywhere, r * 3));
            break;
        case 4:
            PenStroke(Spiral(anywhere, r));
            break;
        case 5:
            PenStroke(Segment(anywhere, anywhere + Pt{r, r * (m_r.Unit() - 0.5)}));
            break;
        default:
            PenStroke(Loop(anywhere, r));
            break;
        }
    }

    // Eraser, Drag or Change over the curves the generator drew.
    void ToolStroke() {
        static constexpr char kTools[] = "EDC";
        const char tool = kTools[m_r.Int(0, 2)];
        if (m_tool != tool || m_r.Chance(10)) {
            Line(std::string("key ") + tool);
            m_tool = tool;
        }
        const std::vector<Pt>& curve = (!m_loop.empty() && m_r.Chance(50)) ? m_loop : m_outline;
        Pt at = curve.empty() ? m_body : curve[m_r.Int(0, static_cast<int>(curve.size()) - 1)];
        if (m_r.Chance(20)) at = InBody(1.0);
        switch (tool) {
        case 'D': {
            const double reach = m_bodyRadius * (m_r.Chance(20) ? 3.0 : 0.6) * m_r.Unit();
            const Pt to = Polar(at, reach, m_r.Unit() * 2 * kPi);
            std::vector<Pt> pts = Segment(at, to);
            if (m_r.Chance(30)) {
                std::vector<Pt> back = Segment(to, at);
                pts.insert(pts.end(), back.begin(), back.end());
            }
            Stroke(pts);
            break;
        }
        case 'E':
            Stroke(m_r.Chance(50) ? Segment(at, InBody(1.2)) : Scribble(at, m_bodyRadius));
            break;
        default:
            Stroke(m_r.Chance(60) ? std::vector<Pt>{at} : Segment(at, InBody(1.1)));
            break;
        }
    }

    void Rotate() {
        const Pt start{m_r.Int(0, std::max(m_w, 1)) * 1.0, m_r.Int(0, std::max(m_h, 1)) * 1.0};
        Mouse("rdown", start);
        Pt p = start;
        const int n = m_r.Int(1, 30);
        for (int i = 0; i < n; ++i) {
            p = p + Pt{m_r.Int(-40, 40) * 1.0, m_r.Int(-40, 40) * 1.0};
            if (m_r.Chance(3)) p = {m_r.Int(-5000, 5000) * 1.0, m_r.Int(-5000, 5000) * 1.0};
            if (m_r.Chance(3)) Interrupt();
            Mouse("move", p);
        }
        if (!m_r.Chance(5)) Mouse("rup", p);
    }

    void Wheel() {
        int delta = 120 * m_r.Int(-3, 3);
        if (m_r.Chance(10)) delta = m_r.Chance(50) ? 32767 : -32768;
        if (m_r.Chance(10)) delta = m_r.Int(-200, 200);
        Line("wheel " + std::to_string(delta));
        if (m_r.Chance(10)) return;
        m_zoom = std::clamp(m_zoom - delta, kMinZoom, kMaxZoom);
    }

    void ViewMenu() {
        const std::string& item = m_viewItems[m_r.Int(0, static_cast<int>(m_viewItems.size()) - 1)];
        Line("menu " + item);
        if (item == "autocenter") m_body = {0, 0};
    }

    void Save() {
        switch (m_r.Int(0, 4)) {
        case 0:
            Line("menu saveas " + m_o.savePath);
            break;
        case 1:
            Line("menu saveas no-such-folder/fuzz.obj");
            break;
        case 2:
            Line("menu saveas .");
            break;
        default:
            Line("menu saveas");
            break;
        }
    }

    void Resize() {
        static const int kSizes[][2] = {{0, 0},     {1, 1},    {0, 600},      {600, 0},
                                        {2, 3},     {100, 60}, {1200, 800},   {601, 599},
                                        {600, 600}, {40, 900}, {16384, 16384}};
        const int k = m_r.Int(0, 10);
        Line("size " + std::to_string(kSizes[k][0]) + " " + std::to_string(kSizes[k][1]));
        // A zero size keeps the last projection in the program; the generator keeps
        // aiming with the old one.
        if (kSizes[k][0] > 0 && kSizes[k][1] > 0) {
            m_w = kSizes[k][0];
            m_h = kSizes[k][1];
        }
    }

    // A few steps back, now and then forward again. The generator's belief about the
    // body is not taken back with them: its next strokes are near misses at worst.
    void UndoRedo() {
        const int back = m_history.Chance(70) ? 1 : m_history.Int(2, 6);
        for (int i = 0; i < back; ++i) Line("menu undo");
        const int forward = m_history.Chance(50) ? 0 : m_history.Int(1, back + 1);
        for (int i = 0; i < forward; ++i) Line("menu redo");
    }

    void Gesture() {
        if (m_history.Chance(8)) return UndoRedo();
        const int roll = m_r.Int(0, 99);
        if (!m_bodyDrawn) {
            if (roll < 55) return DrawBody();
            if (roll < 75) return OtherPen();
        } else {
            if (roll < 30) return DrawOnBody();
            if (roll < 45) return UseLoop();
            if (roll < 58) return ToolStroke();
            if (roll < 64) return OtherPen();
        }
        const int other = m_r.Int(0, 99);
        if (other < 30) return Rotate();
        if (other < 45) return Wheel();
        if (other < 65) return ViewMenu();
        if (other < 72) return Key();
        if (other < 80) return Resize();
        if (other < 85) return Save();
        if (other < 90) {
            Line("menu new");
            m_bodyDrawn = false;
            m_loop.clear();
            return;
        }
        if (other < 95)
            return Mouse("move", {m_r.Int(-10, m_w + 10) * 1.0, m_r.Int(-10, m_h + 10) * 1.0});
        // A release or press out of turn.
        static const char* const kStray[] = {"up", "rup", "down", "rdown"};
        Mouse(kStray[m_r.Int(0, 3)], {m_r.Int(0, m_w) * 1.0, m_r.Int(0, m_h) * 1.0});
    }

    FuzzRandom m_r;
    FuzzRandom m_history;
    const GeneratorOptions& m_o;
    const std::vector<char> m_keys = AcceleratorKeys();
    const std::vector<std::string> m_viewItems = ViewMenuItems();
    std::vector<std::string> m_out;
    int m_w = 600;
    int m_h = 600;
    int m_zoom = kMinZoom;
    char m_tool = 'P';
    bool m_bodyDrawn = false;
    Pt m_body;
    double m_bodyRadius = 50.0;
    std::vector<Pt> m_outline;
    std::vector<Pt> m_loop;
};

}  // namespace

uint64_t FuzzRandom::Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int FuzzRandom::Int(int lo, int hi) {
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    return static_cast<int>(lo + static_cast<int64_t>(Next() % span));
}

double FuzzRandom::Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

std::vector<std::string> GenerateSequence(uint64_t seed, const GeneratorOptions& options) {
    Session session(seed, options);
    return session.Run();
}
