#pragma once

// STEP parts for the tests, made with Open CASCADE the way a CAD system makes a bent tube: a
// circle (a ring, for a hollow tube) swept along the lines and arcs of its centre line, which
// runs through the given XYZ points with the bend radius at each corner.
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_MakePipe.hxx>
#include <BRep_Builder.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_StepModel.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Circ.hxx>
#include <gp_Pln.hxx>

#include <cmath>
#include <string>
#include <vector>

namespace steptest {

struct Point {
    double X, Y, Z;
};

inline gp_Vec Unit(const Point& a, const Point& b) {
    return gp_Vec(b.X - a.X, b.Y - a.Y, b.Z - a.Z).Normalized();
}
inline gp_Pnt At(const Point& p) {
    return {p.X, p.Y, p.Z};
}

// The centre line through the points: legs joined by arcs of `radius` tangent to both legs,
// each starting d = R tan(turn / 2) before its corner.
inline TopoDS_Wire CentreLine(const std::vector<Point>& points, double radius) {
    BRepBuilderAPI_MakeWire wire;
    gp_Pnt from = At(points.front());
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const gp_Vec in = Unit(points[i - 1], points[i]), out = Unit(points[i], points[i + 1]);
        const double turn = in.Angle(out);
        const double d = radius * std::tan(turn / 2);
        const gp_Pnt corner = At(points[i]);
        const gp_Pnt start = corner.Translated(-d * in), end = corner.Translated(d * out);
        if (from.Distance(start) > 1e-9) { // legs that are all bend have no line
            wire.Add(BRepBuilderAPI_MakeEdge(from, start).Edge());
        }
        wire.Add(BRepBuilderAPI_MakeEdge(GC_MakeArcOfCircle(start, in, end).Value()).Edge());
        from = end;
    }
    wire.Add(BRepBuilderAPI_MakeEdge(from, At(points.back())).Edge());
    return wire.Wire();
}

inline TopoDS_Wire Ring(const gp_Pnt& centre, const gp_Vec& normal, double radius) {
    const gp_Circ circle(gp_Ax2(centre, gp_Dir(normal)), radius);
    return BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(circle).Edge()).Wire();
}

// The section swept: a disc, a ring of wall `wall`, or (`open`) the circle alone, which makes a
// shell with open ends.
inline TopoDS_Shape Section(const gp_Pnt& centre, const gp_Vec& heading, double diameter,
                            double wall, bool open) {
    const TopoDS_Wire outer = Ring(centre, heading, diameter / 2);
    if (open) {
        return outer;
    }
    BRepBuilderAPI_MakeFace face(outer, true);
    if (wall > 0) {
        TopoDS_Wire bore = Ring(centre, heading, diameter / 2 - wall);
        bore.Reverse();
        face.Add(bore);
    }
    return face.Face();
}

inline TopoDS_Shape SweptTube(const TopoDS_Wire& spine, const gp_Pnt& start, const gp_Vec& heading,
                              double diameter, double wall = 0, bool open = false) {
    BRepOffsetAPI_MakePipe pipe(spine, Section(start, heading, diameter, wall, open));
    pipe.Build();
    return pipe.Shape();
}

inline TopoDS_Shape TubeThrough(const std::vector<Point>& points, double radius, double diameter,
                                double wall = 0, bool open = false) {
    return SweptTube(CentreLine(points, radius), At(points.front()), Unit(points[0], points[1]),
                     diameter, wall, open);
}

inline TopoDS_Shape Together(const std::vector<TopoDS_Shape>& shapes) {
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& shape : shapes) {
        builder.Add(compound, shape);
    }
    return compound;
}

// Writes the shape, whose lengths are mm, as a STEP file in mm or in inches. Open CASCADE 7.6
// writes in write.step.unit only when the model's own write unit says the same.
inline bool WriteStep(const TopoDS_Shape& shape, const std::string& path, bool inches = false) {
    Message::DefaultMessenger()->ChangePrinters().Clear(); // its report would fill the test log
    STEPControl_Writer writer;
    Interface_Static::SetCVal("write.step.unit", inches ? "INCH" : "MM");
    writer.Model()->SetWriteLengthUnit(inches ? 25.4 : 1.0);
    return writer.Transfer(shape, STEPControl_AsIs) == IFSelect_RetDone &&
           writer.Write(path.c_str()) == IFSelect_RetDone;
}

} // namespace steptest
