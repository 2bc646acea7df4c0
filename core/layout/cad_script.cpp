#include "layout/cad_script.h"

#include "coil/coil_formulas.h"
#include "design/text_io.h"
#include "layout/layout_edit.h"
#include "layout/parts.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::layout {

namespace {

constexpr double kRowGap = 0.25; // between the three rows, inches

bool isChip(PartKind k) {
    return k == PartKind::ShuntChip || k == PartKind::CouplingChip;
}
bool isHairpin(PartKind k) {
    return k == PartKind::SeriesHairpin || k == PartKind::ShuntHairpin;
}
bool isShuntWound(PartKind k) {
    return k == PartKind::ShuntCoil || k == PartKind::ShuntHairpin;
}

struct Primitive {
    enum Type { Polyline, Arc, Line } type = Line;
    std::vector<Point> points;
    bool closed = false;
};

struct Drawing {
    PlacedPart part;
    std::vector<Primitive> prims;
};

// Wire diameter of a coil or hairpin description; a coil wound of a wire
// given by its diameter names gauge 0, then half the pitch stands in for it.
double wireOf(const std::string& text, double pitch) {
    int g = descriptionGauge(text);
    return g > 0 ? coil::awgDiameter(g) : pitch * 0.5;
}

void coilPrims(Drawing& dr, const std::string& text, double e) {
    const double D = dr.part.width, len = dr.part.length;
    long turns = std::lround(descriptionTurns(text));
    if (turns < 1) turns = 1; // a coil of less than one turn is drawn with one
    const double p = len / static_cast<double>(turns);
    const double dw = std::min(wireOf(text, p), D * 0.5);
    const double h = std::min(dw, 0.4 * p);
    double r = (D - dw) / 2.0;
    if (!(r > 0.0)) r = D / 2.0;
    const double yc = D / 2.0, lo = yc - r, hi = yc + r;
    auto arc = [&](Point a, Point m, Point b) {
        dr.prims.push_back({Primitive::Arc, {a, m, b}, false});
    };
    auto line = [&](Point a, Point b) { dr.prims.push_back({Primitive::Line, {a, b}, false}); };
    if (e > 0.0) dr.prims.push_back({Primitive::Polyline, {{-e, lo}, {0.0, lo}}, false});
    for (long k = 0; k < turns; ++k) {
        double a = static_cast<double>(k) * p;
        arc({a, lo}, {a + h / 2, lo - h / 2}, {a + h, lo});
        line({a + h, lo}, {a + p / 2, hi});
        arc({a + p / 2, hi}, {a + p / 2 + h / 2, hi + h / 2}, {a + p / 2 + h, hi});
        line({a + p / 2 + h, hi}, {a + p, lo});
    }
    if (e > 0.0) dr.prims.push_back({Primitive::Polyline, {{len, lo}, {len + e, lo}}, false});
}

void hairpinPrims(Drawing& dr, const std::string& text, double e) {
    const double s = dr.part.width, l = dr.part.length;
    const double dw = wireOf(text, s);
    const double r = dw / 2.0;
    dr.prims.push_back({Primitive::Polyline,
                        {{-r, r},
                         {-e, r},
                         {-e, -r},
                         {r, -r},
                         {r, l},
                         {s - r, l},
                         {s - r, -r},
                         {s + e, -r},
                         {s + e, r},
                         {s + r, r},
                         {s + r, l},
                         {s - r, l + dw},
                         {r, l + dw},
                         {-r, l}},
                        true});
    dr.part.boxMin = {-e - r, -dw};
    dr.part.boxMax = {s + e + r, l + dw + r};
}

void swapXY(Drawing& dr) {
    for (auto& pr : dr.prims)
        for (auto& p : pr.points) std::swap(p.x, p.y);
    Point a = dr.part.boxMin, b = dr.part.boxMax;
    dr.part.boxMin = {std::min(a.y, b.y), std::min(a.x, b.x)};
    dr.part.boxMax = {std::max(a.y, b.y), std::max(a.x, b.x)};
}

// Width of a label of n characters of height h, generously estimated.
double labelWidth(const PlacedPart& p, int branch) {
    int chars = 1 + (branch >= 100 ? 3 : branch >= 10 ? 2 : 1);
    return chars * p.labelHeight * 0.9;
}

void includeLabel(PlacedPart& p) {
    p.boxMin.x = std::min(p.boxMin.x, p.labelAt.x);
    p.boxMin.y = std::min(p.boxMin.y, p.labelAt.y);
    p.boxMax.x = std::max(p.boxMax.x, p.labelAt.x + labelWidth(p, p.branch));
    p.boxMax.y = std::max(p.boxMax.y, p.labelAt.y + p.labelHeight);
}

void boundingBox(Drawing& dr, double margin) {
    Point lo{1e300, 1e300}, hi{-1e300, -1e300};
    for (auto& pr : dr.prims)
        for (auto& p : pr.points) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
        }
    dr.part.boxMin = lo;
    dr.part.boxMax = hi;
    includeLabel(dr.part);
    dr.part.boxMin = {dr.part.boxMin.x - margin, dr.part.boxMin.y - margin};
    dr.part.boxMax = {dr.part.boxMax.x + margin, dr.part.boxMax.y + margin};
}

void translate(Drawing& dr, double tx, double ty) {
    for (auto& pr : dr.prims)
        for (auto& p : pr.points) p = {p.x + tx, p.y + ty};
    PlacedPart& p = dr.part;
    p.base = {p.base.x + tx, p.base.y + ty};
    p.boxMin = {p.boxMin.x + tx, p.boxMin.y + ty};
    p.boxMax = {p.boxMax.x + tx, p.boxMax.y + ty};
    p.labelAt = {p.labelAt.x + tx, p.labelAt.y + ty};
}

// Local drawing of a coil or hairpin about base point (0, 0).
Drawing woundPart(const PlacedPart& part, const std::string& text, double e) {
    Drawing dr;
    dr.part = part;
    PlacedPart& p = dr.part;
    if (isHairpin(p.kind)) {
        hairpinPrims(dr, text, e);
        double r = wireOf(text, p.width) / 2.0;
        p.labelHeight = 0.2 * p.width;
        if (isShuntWound(p.kind)) {
            swapXY(dr);
            p.labelAt = {r, r + p.width / 2.0};
        } else {
            p.labelAt = {r, r};
        }
        includeLabel(p);
    } else {
        coilPrims(dr, text, e);
        double margin = std::max(0.05 * std::max(p.width, p.length), 0.01);
        if (isShuntWound(p.kind)) {
            swapXY(dr);
            p.labelHeight = p.width / 7.0;
            p.labelAt = {-p.width / 2.0, -e / 2.0};
        } else {
            p.labelHeight = p.length / 7.0;
            p.labelAt = {-e, -p.width / 3.0};
        }
        boundingBox(dr, margin);
    }
    return dr;
}

PartKind kindOf(const BranchRecord& b) {
    bool series = isSeries(b);
    switch (b.letter) {
    case 'C':
        return series ? PartKind::CouplingChip : PartKind::ShuntChip;
    case 'L':
        return series ? PartKind::SeriesCoil : PartKind::ShuntCoil;
    default:
        return series ? PartKind::SeriesHairpin : PartKind::ShuntHairpin;
    }
}

std::vector<Drawing> planDrawings(const LayoutDesign& d, double e) {
    std::vector<Drawing> out;
    double depth[2] = {0.0, 0.0}; // shunt and coupling rows
    for (int i = 1; i < d.count; ++i) {
        const BranchRecord& b = d.branches[i];
        double w, l;
        if (!d.isPartBranch(i) || !descriptionSize(b.description, w, l)) continue;
        PartKind k = kindOf(b);
        if (k == PartKind::ShuntChip) depth[0] = std::max(depth[0], 1.1 * l);
        if (k == PartKind::CouplingChip) depth[1] = std::max(depth[1], 1.1 * l);
    }
    const double rowY[2] = {0.0, -kRowGap - depth[1]};
    const double woundTop = rowY[1] - kRowGap;
    double x[3] = {0.0, 0.0, 0.0};
    for (int i = 1; i < d.count; ++i) {
        const BranchRecord& b = d.branches[i];
        PlacedPart p;
        if (!d.isPartBranch(i) || !descriptionSize(b.description, p.width, p.length)) continue;
        p.branch = i;
        p.kind = kindOf(b);
        p.label = b.letter == 'D' ? 'L' : b.letter;
        if (isChip(p.kind)) {
            int row = p.kind == PartKind::ShuntChip ? 0 : 1;
            p.layer = row + 1;
            Drawing dr;
            double x0 = x[row], y0 = rowY[row], w = p.width, l = p.length;
            dr.prims.push_back({Primitive::Polyline,
                                {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + l}, {x0, y0 + l}},
                                true});
            p.base = {x0 + w / 2, y0 + l / 2};
            p.boxMin = {x0 - 0.05 * w, y0 - 0.05 * l};
            p.boxMax = {x0 + 1.05 * w, y0 + 1.05 * l};
            p.labelHeight = 0.2 * w;
            p.labelAt = {x0 + 0.1 * w, y0 + 0.1 * w};
            dr.part = p;
            out.push_back(dr);
            x[row] += 1.1 * w + kPartSpacing;
        } else {
            p.layer = 3;
            Drawing dr = woundPart(p, b.description, e);
            double tx = x[2] - dr.part.boxMin.x, ty = woundTop - dr.part.boxMax.y;
            translate(dr, tx, ty);
            x[2] += dr.part.boxMax.x - dr.part.boxMin.x + kPartSpacing;
            out.push_back(dr);
        }
    }
    return out;
}

// ---- Writers ----------------------------------------------------------------

const char* kAcadLayer[] = {"", "shunts", "coupling", "coils"};
const char* kGcaddLayer[] = {"", "LC,14,YC,1; Layer 1", "LC,11,YC,2; Layer 2",
                             "LC,10,YC,3; layer 3"};

class Writer {
public:
    explicit Writer(const ScriptOptions& o) : acad_(o.cad == CadProgram::AutoCad) {}
    std::string text;

    void line(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        text += buf;
        text += "\r\n";
    }
    void prim(const Primitive& p) {
        const auto& q = p.points;
        if (p.type == Primitive::Line) {
            if (acad_)
                line("LINE %g,%g %g,%g ", q[0].x, q[0].y, q[1].x, q[1].y);
            else
                line("L1,%g,%g,%g,%g;", q[0].x, q[0].y, q[1].x, q[1].y);
        } else if (p.type == Primitive::Arc) {
            if (acad_)
                line("arc %g,%g %g,%g %g,%g", q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y);
            else
                line("A3,%g,%g,%g,%g,%g,%g;", q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y);
        } else if (acad_) {
            std::string s = "PLINE ";
            for (const auto& pt : q) s += formatText("%g,%g ", pt.x, pt.y);
            if (p.closed) s += "C";
            line("%s", s.c_str());
        } else {
            std::string s = "LI";
            std::vector<Point> pts = q;
            if (p.closed) pts.push_back(q.front());
            for (std::size_t k = 0; k < pts.size(); ++k) {
                s += formatText(",%g,%g", pts[k].x, pts[k].y);
                if ((k + 1) % 8 == 0 && k + 1 < pts.size()) s += ";\r\n";
            }
            s += ";PU;";
            line("%s", s.c_str());
        }
    }

private:
    bool acad_;
};

} // namespace

double scriptLeadLength(const LayoutDesign& d, double leadMils) {
    if (leadMils > 0.0) return leadMils / 1000.0;
    double sum = 0.0;
    int n = 0;
    for (int i = 1; i < d.count; ++i) {
        const BranchRecord& b = d.branches[i];
        if (b.letter != 'L' && b.letter != 'D') continue;
        int g = descriptionGauge(b.description);
        if (g <= 0) continue;
        sum += g;
        ++n;
    }
    return n ? 3.0 * coil::awgDiameter(sum / n) : 0.0;
}

std::vector<PlacedPart> planParts(const LayoutDesign& d, double lead) {
    std::vector<PlacedPart> out;
    for (auto& dr : planDrawings(d, lead)) out.push_back(dr.part);
    return out;
}

std::string scriptPath(const std::string& cadPath, const std::string& name,
                       const ScriptOptions& opt) {
    const char* ext = opt.cad == CadProgram::AutoCad ? ".scr" : ".mcr";
    if (opt.changedOnly) return cadPath + "mod" + ext;
    return cadPath + name + ext;
}

std::string buildScript(const LayoutDesign& d, const ScriptOptions& opt, std::vector<int>* drawn) {
    const bool acad = opt.cad == CadProgram::AutoCad;
    const bool all = !opt.changedOnly;
    const double e = scriptLeadLength(d, opt.leadLength);
    std::vector<Drawing> plan = planDrawings(d, e);
    Writer w(opt);
    if (all) {
        if (acad) {
            w.line("LAYER N shunts,coupling,coils,jumpers,housing ");
            w.line("LAYER C 7 shunts C 4 coupling C 3 coils C 6 jumpers C 7 housing ");
            w.line("osnap NON");
        } else {
            w.line("/MSP,++,MO,!,UN,I,AL,++,CZ,1,1,TS,S,0.0,!;");
        }
    } else if (!acad) {
        w.line("/MSP,++;");
    }

    std::vector<const Drawing*> done;
    int layer = 0;
    for (const Drawing& dr : plan) {
        const PlacedPart& p = dr.part;
        if (opt.changedOnly && !d.branches[p.branch].changed) continue;
        if (p.layer != layer) {
            layer = p.layer;
            if (acad)
                w.line("LAYER S %s ", kAcadLayer[layer]);
            else
                w.line("%s", kGcaddLayer[layer]);
        }
        for (const Primitive& pr : dr.prims) w.prim(pr);
        if (acad) {
            w.line("TEXT %g,%g %f  %c%d", p.labelAt.x, p.labelAt.y, p.labelHeight, p.label,
                   p.branch);
        } else {
            w.line("TS,Z,%g,C,15,!,!; Text settings", p.labelHeight);
            w.line("TP,%g,%g,%c%d#;", p.labelAt.x, p.labelAt.y, p.label, p.branch);
        }
        if (opt.blocks) {
            // The window is given smallest corner first: a left-to-right
            // window takes only what lies wholly inside it.
            const Point& a = p.boxMin;
            const Point& b = p.boxMax;
            if (acad) {
                if (opt.changedOnly) {
                    w.line("zoom w %g,%g %g,%g", a.x, a.y, b.x, b.y);
                    w.line("block %c%d", p.label, p.branch);
                    w.line("Y %g,%g %g,%g %g,%g ", p.base.x, p.base.y, a.x, a.y, b.x, b.y);
                } else {
                    w.line("zoom e");
                    w.line("block %c%d", p.label, p.branch);
                    w.line("%g,%g %g,%g %g,%g ", p.base.x, p.base.y, a.x, a.y, b.x, b.y);
                }
            } else {
                if (opt.changedOnly) {
                    w.line("CX,_%c%d,Y;", p.label, p.branch);
                    w.line("YC,%d;", p.layer);
                    w.line("ZW,%g,%g,%g,%g;", a.x, a.y, b.x, b.y);
                } else {
                    w.line("ZA;");
                }
                w.line("CW,%g,%g,%g,%g,_%c%d,%g,%g,!;", a.x, a.y, b.x, b.y, p.label, p.branch,
                       p.base.x, p.base.y);
                w.line("WE,%g,%g,%g,%g;", a.x, a.y, b.x, b.y);
            }
        }
        done.push_back(&dr);
    }

    if (opt.blocks) {
        for (const Drawing* dr : done) {
            const PlacedPart& p = dr->part;
            if (!all && acad) continue; // the redefined blocks update their inserts
            if (acad) {
                w.line("LAYER S %s ", kAcadLayer[p.layer]);
                w.line("insert %c%d", p.label, p.branch);
                w.line("%g,%g 1 1 0", p.base.x, p.base.y);
            } else {
                w.line("YC,%d;", p.layer);
                w.line("CP,_%c%d,%g,%g;", p.label, p.branch, p.base.x, p.base.y);
            }
        }
    }

    if (all) {
        bool first = true;
        for (const Drawing& dr : plan) {
            const PlacedPart& p = dr.part;
            int target = d.branches[p.branch].sitsOn;
            if (target <= 0) continue;
            auto on = std::find_if(plan.begin(), plan.end(), [&](const Drawing& x) {
                return x.part.branch == target && x.part.kind == PartKind::ShuntChip;
            });
            if (on == plan.end()) continue;
            if (first) {
                if (acad)
                    w.line("LAYER S jumpers ");
                else
                    w.line("LC,7,YC,4;");
                first = false;
            }
            Point a = p.base, b = on->part.base;
            if (acad)
                w.line("LINE %g,%g %g,%g ", a.x, a.y, b.x, b.y);
            else
                w.line("L1,%g,%g,%g,%g;", a.x, a.y, b.x, b.y);
        }
    }

    if (!acad && all) {
        w.line("YN,3,Coils,YN,4,Jumpers; Name layers");
        w.line("YN,0,Housing,YN,1,Shunts,YN,2,Coupling;");
    }
    if (acad) {
        w.line("ZOOM E");
        w.line("LAYER S jumpers ");
    } else {
        w.line("ZA;");
        w.line("LC,7,YC,4,AL,++,/MSP,--;");
    }
    if (drawn) {
        drawn->clear();
        for (const Drawing* dr : done) drawn->push_back(dr->part.branch);
    }
    return w.text;
}

bool writeScript(const std::string& path, LayoutDesign& d, const ScriptOptions& opt,
                 ui::Toolkit& tk) {
    std::vector<int> drawn;
    std::string text = buildScript(d, opt, &drawn);
    // AtomicTextFile ends every line itself; hand it the lines.
    AtomicTextFile f(path);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        f.line(text.substr(pos, end - pos));
        pos = end + 2;
    }
    if (!f.commit()) {
        tk.notice(formatText("Bad file: %s", path.c_str()));
        return false;
    }
    for (int b : drawn) d.branches[b].changed = false;
    return true;
}

} // namespace tanvex::layout
