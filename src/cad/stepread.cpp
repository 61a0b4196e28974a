#include "stepread.h"

#include "numbertext.h"
#include "occtmessages.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepTools.hxx>
#include <Bnd_Box.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <gp_Cylinder.hxx>
#include <gp_Torus.hxx>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tubrix {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

Vec3 ToVec(const gp_XYZ& p) {
    return {p.X(), p.Y(), p.Z()};
}

// A stretch of a piece's parameter (length along an axis, or angle about a torus's axis) that
// one face covers, with the face's number and radius.
struct Span {
    double Low = 0;
    double High = 0;
    int Face = 0;
    double Radius = 0;
};

// Faces on one axis line (straights) or on one torus (bends).
struct FaceGroup {
    PieceKind Kind = PieceKind::Straight;
    Vec3 Origin; // a point of the axis, or the torus's centre
    Vec3 Axis;   // unit
    Vec3 X;      // bends: where angles are counted from, across the axis
    double BendRadius = 0;
    std::vector<Span> Spans;
};

const char* SurfaceName(GeomAbs_SurfaceType type) {
    switch (type) {
    case GeomAbs_Cone:
        return "a cone";
    case GeomAbs_Sphere:
        return "a sphere";
    case GeomAbs_BezierSurface:
        return "a Bezier surface";
    case GeomAbs_BSplineSurface:
        return "a B-spline surface";
    case GeomAbs_SurfaceOfRevolution:
        return "a surface of revolution";
    case GeomAbs_SurfaceOfExtrusion:
        return "a surface of extrusion";
    case GeomAbs_OffsetSurface:
        return "an offset surface";
    default:
        return "a surface of another kind";
    }
}

// Spans that meet or overlap are one; a turn's spans also meet across 2 pi.
std::vector<Span> MergeSpans(std::vector<Span> spans, double tolerance, bool circular) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.Low < b.Low; });
    std::vector<Span> merged;
    for (const Span& span : spans) {
        if (!merged.empty() && span.Low <= merged.back().High + tolerance) {
            Span& last = merged.back();
            last.High = std::max(last.High, span.High);
            last.Face = std::min(last.Face, span.Face);
            last.Radius = std::max(last.Radius, span.Radius);
            continue;
        }
        merged.push_back(span);
    }
    if (circular && merged.size() > 1 &&
        merged.back().High >= merged.front().Low + TwoPi - tolerance) {
        merged.front().Low = merged.back().Low - TwoPi;
        merged.front().High = std::max(merged.front().High, merged.back().High - TwoPi);
        merged.front().Face = std::min(merged.front().Face, merged.back().Face);
        merged.pop_back();
    }
    return merged;
}

std::string DiameterText(double radius) {
    return FormatNumber(2 * radius, 6);
}

// The faces within a merged span give the tube's radius (the largest) and its bore's (the
// smallest). A bore is one only where its faces run the whole length of the outer ones: a bar
// of 20 turned down to 16 for part of its length has faces of both radii on one centre line,
// and that is a diameter that changes, not a wall. So is a third radius. The reason, naming the
// face, or empty.
std::string RadiiWithin(const std::vector<Span>& faces, const Span& run, double tolerance,
                        double radiusTolerance, bool circular, TubePiece& piece) {
    std::vector<Span> within;
    for (const Span& face : faces) {
        double low = face.Low;
        if (circular && low < run.Low - tolerance) {
            low += TwoPi;
        }
        if (low >= run.Low - tolerance && low <= run.High + tolerance) {
            within.push_back(face);
        }
    }
    double outer = 0, inner = 0;
    for (const Span& face : within) {
        outer = std::max(outer, face.Radius);
        inner = inner == 0 ? face.Radius : std::min(inner, face.Radius);
    }
    piece.TubeRadius = outer;
    piece.InnerRadius = outer - inner > radiusTolerance ? inner : 0;
    if (piece.InnerRadius == 0) {
        return {};
    }
    // Each radius's faces, and how far along the run they reach together.
    const auto firstFace = [&](double radius) {
        int first = 0;
        for (const Span& face : within) {
            if (std::fabs(face.Radius - radius) <= radiusTolerance &&
                (first == 0 || face.Face < first)) {
                first = face.Face;
            }
        }
        return first;
    };
    const auto changes = [&](int face, double from, double to) {
        return "face " + std::to_string(face) + ": the diameter changes from " +
               DiameterText(from) + " (face " + std::to_string(firstFace(from)) + ") to " +
               DiameterText(to);
    };
    for (const Span& face : within) {
        if (std::fabs(face.Radius - outer) > radiusTolerance &&
            std::fabs(face.Radius - inner) > radiusTolerance) {
            return changes(face.Face, outer, face.Radius);
        }
    }
    const auto coversRun = [&](double radius) {
        std::vector<Span> same;
        for (const Span& face : within) {
            if (std::fabs(face.Radius - radius) <= radiusTolerance) {
                same.push_back(face);
            }
        }
        const std::vector<Span> merged = MergeSpans(same, tolerance, circular);
        return merged.size() == 1 &&
               std::fabs((merged[0].High - merged[0].Low) - (run.High - run.Low)) <= tolerance;
    };
    if (!coversRun(inner)) {
        return changes(firstFace(inner), outer, inner);
    }
    if (!coversRun(outer)) {
        return changes(firstFace(outer), inner, outer);
    }
    return {};
}

FaceGroup& GroupFor(std::vector<FaceGroup>& groups, const FaceGroup& wanted, double tolerance) {
    for (FaceGroup& group : groups) {
        if (group.Kind != wanted.Kind || Length(Cross(group.Axis, wanted.Axis)) > 1e-9) {
            continue;
        }
        const Vec3 offset = wanted.Origin - group.Origin;
        if (wanted.Kind == PieceKind::Straight) {
            if (Length(Cross(offset, group.Axis)) <= tolerance) {
                return group;
            }
        } else if (Length(offset) <= tolerance &&
                   std::fabs(group.BendRadius - wanted.BendRadius) <= tolerance) {
            return group;
        }
    }
    groups.push_back(wanted);
    return groups.back();
}

void AddCylinder(std::vector<FaceGroup>& groups, const BRepAdaptor_Surface& surface,
                 const TopoDS_Face& face, int number, double tolerance) {
    const gp_Cylinder cylinder = surface.Cylinder();
    const gp_Ax1 axis = cylinder.Axis();
    FaceGroup wanted;
    wanted.Origin = ToVec(axis.Location().XYZ());
    wanted.Axis = ToVec(axis.Direction().XYZ());
    FaceGroup& group = GroupFor(groups, wanted, tolerance);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    const auto along = [&](double v) {
        return Dot(wanted.Origin + wanted.Axis * v - group.Origin, group.Axis);
    };
    const double a = along(v0), b = along(v1);
    group.Spans.push_back({std::min(a, b), std::max(a, b), number, cylinder.Radius()});
}

void AddTorus(std::vector<FaceGroup>& groups, const BRepAdaptor_Surface& surface,
              const TopoDS_Face& face, int number, double tolerance) {
    const gp_Torus torus = surface.Torus();
    const gp_Ax3& frame = torus.Position();
    const Vec3 x = ToVec(frame.XDirection().XYZ()), y = ToVec(frame.YDirection().XYZ());
    FaceGroup wanted;
    wanted.Kind = PieceKind::Arc;
    wanted.Origin = ToVec(frame.Location().XYZ());
    wanted.Axis = Cross(x, y); // the sense in which u turns
    wanted.X = x;
    wanted.BendRadius = torus.MajorRadius();
    FaceGroup& group = GroupFor(groups, wanted, tolerance);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    const Vec3 start = x * std::cos(u0) + y * std::sin(u0);
    const Vec3 groupY = Cross(group.Axis, group.X);
    double low = std::atan2(Dot(start, groupY), Dot(start, group.X));
    double sweep = (u1 - u0) * (Dot(wanted.Axis, group.Axis) > 0 ? 1 : -1);
    if (sweep < 0) {
        low += sweep;
        sweep = -sweep;
    }
    low = std::fmod(low + 2 * TwoPi, TwoPi);
    group.Spans.push_back({low, low + sweep, number, torus.MinorRadius()});
}

// The group's pieces, or why they make no tube.
std::string PiecesOfGroup(const FaceGroup& group, double tolerance,
                          std::vector<TubePiece>& pieces) {
    const bool bend = group.Kind == PieceKind::Arc;
    const double spanTolerance = bend ? tolerance / group.BendRadius : tolerance;
    for (const Span& run : MergeSpans(group.Spans, spanTolerance, bend)) {
        TubePiece piece;
        piece.Kind = group.Kind;
        piece.Face = run.Face;
        if (std::string why = RadiiWithin(group.Spans, run, spanTolerance, tolerance, bend, piece);
            !why.empty()) {
            return why;
        }
        if (!bend) {
            piece.From = group.Origin + group.Axis * run.Low;
            piece.To = group.Origin + group.Axis * run.High;
        } else {
            const Vec3 y = Cross(group.Axis, group.X);
            const auto at = [&](double angle) {
                return group.Origin +
                       (group.X * std::cos(angle) + y * std::sin(angle)) * group.BendRadius;
            };
            piece.From = at(run.Low);
            piece.To = at(run.High);
            piece.Centre = group.Origin;
            piece.Axis = group.Axis;
            piece.BendRadius = group.BendRadius;
            piece.Degrees = std::min(run.High - run.Low, TwoPi) * 180 / std::numbers::pi;
        }
        pieces.push_back(piece);
    }
    return {};
}

std::string NoFacesMessage(const TopoDS_Shape& shape) {
    if (TopExp_Explorer(shape, TopAbs_EDGE).More()) {
        return "no tube: the file holds wires, not faces";
    }
    if (TopExp_Explorer(shape, TopAbs_VERTEX).More()) {
        return "no tube: the file holds points, not faces";
    }
    return "no tube: the file holds no shape";
}

} // namespace

CadBody RecogniseBody(const TopoDS_Shape& body) {
    CadBody result;
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(body, TopAbs_FACE, faces);
    result.Faces = faces.Extent();
    Bnd_Box box;
    BRepBndLib::Add(body, box);
    result.BoxDiagonal = box.IsVoid() ? 0 : std::sqrt(box.SquareExtent());
    // OCCT's own precision, or a share of the part's size for a large one.
    const double tolerance = std::max(1e-7, 1e-9 * result.BoxDiagonal) * 10;

    std::vector<FaceGroup> groups;
    for (int i = 1; i <= faces.Extent(); ++i) {
        const TopoDS_Face& face = TopoDS::Face(faces(i));
        const BRepAdaptor_Surface surface(face, false);
        switch (surface.GetType()) {
        case GeomAbs_Plane:
            break; // the caps
        case GeomAbs_Cylinder:
            AddCylinder(groups, surface, face, i, tolerance);
            break;
        case GeomAbs_Torus:
            AddTorus(groups, surface, face, i, tolerance);
            break;
        default:
            result.NotATube = "face " + std::to_string(i) + ": " + SurfaceName(surface.GetType()) +
                              "; a tube is read from cylinders, tori and planes";
            return result;
        }
    }
    for (const FaceGroup& group : groups) {
        if (std::string why = PiecesOfGroup(group, tolerance, result.Pieces); !why.empty()) {
            result.Pieces.clear();
            result.NotATube = std::move(why);
            return result;
        }
    }
    std::sort(result.Pieces.begin(), result.Pieces.end(),
              [](const TubePiece& a, const TubePiece& b) { return a.Face < b.Face; });
    return result;
}

Result<std::vector<CadBody>> ReadStepBodies(const std::string& path, const std::string& shown) {
    const OcctFailureLog log;
    STEPControl_Reader reader;
    const IFSelect_ReturnStatus status = reader.ReadFile(path.c_str());
    if (status != IFSelect_RetDone) {
        const std::string why = log.First();
        return FileError(shown, 0, 0,
                         "not a readable STEP file: " +
                             (why.empty() ? std::string("Open CASCADE gives status ") +
                                                std::to_string(static_cast<int>(status))
                                          : why));
    }
    reader.TransferRoots();
    const TopoDS_Shape shape = reader.OneShape();
    std::vector<TopoDS_Shape> bodies;
    for (TopExp_Explorer solids(shape, TopAbs_SOLID); solids.More(); solids.Next()) {
        bodies.push_back(solids.Current());
    }
    for (TopExp_Explorer shells(shape, TopAbs_SHELL, TopAbs_SOLID); shells.More(); shells.Next()) {
        bodies.push_back(shells.Current());
    }
    if (bodies.empty() && TopExp_Explorer(shape, TopAbs_FACE).More()) {
        bodies.push_back(shape);
    }
    if (bodies.empty()) {
        const std::string why = log.First();
        return FileError(shown, 0, 0,
                         NoFacesMessage(shape) + (why.empty() ? "" : " (" + why + ")"));
    }
    std::vector<CadBody> read;
    for (const TopoDS_Shape& body : bodies) {
        read.push_back(RecogniseBody(body));
    }
    return read;
}

} // namespace tubrix
