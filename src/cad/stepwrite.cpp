#include "stepwrite.h"

#include "occtmessages.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepLib.hxx>
#include <BRepOffsetAPI_MakePipe.hxx>
#include <Interface_Static.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <StepData_StepModel.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Circ.hxx>
#include <gp_Pln.hxx>

#include <cmath>
#include <numbers>

namespace tubrix {

namespace {

gp_Pnt ToPnt(Vec3 v) {
    return {v.X, v.Y, v.Z};
}
gp_Dir ToDir(Vec3 v) {
    return {v.X, v.Y, v.Z};
}

Vec3 StartHeading(const TubePiece& piece) {
    return piece.Kind == PieceKind::Straight
               ? Normalized(piece.To - piece.From)
               : Normalized(Cross(piece.Axis, piece.From - piece.Centre));
}

TopoDS_Wire Circle(Vec3 centre, Vec3 normal, double radius) {
    const gp_Circ circle(gp_Ax2(ToPnt(centre), ToDir(normal)), radius);
    return BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(circle).Edge()).Wire();
}

Result<TopoDS_Wire> Spine(const std::vector<TubePiece>& pieces) {
    BRepBuilderAPI_MakeWire wire;
    for (const TubePiece& piece : pieces) {
        if (piece.Kind == PieceKind::Straight) {
            if (Length(piece.To - piece.From) > 0) {
                wire.Add(BRepBuilderAPI_MakeEdge(ToPnt(piece.From), ToPnt(piece.To)).Edge());
            }
            continue;
        }
        const Vec3 x = Normalized(piece.From - piece.Centre);
        const gp_Circ arc(gp_Ax2(ToPnt(piece.Centre), ToDir(piece.Axis), ToDir(x)),
                          piece.BendRadius);
        wire.Add(BRepBuilderAPI_MakeEdge(arc, 0, piece.Degrees * std::numbers::pi / 180).Edge());
        if (!wire.IsDone()) {
            return Failed("face " + std::to_string(piece.Face) +
                          ": the bend does not follow on from the piece before it");
        }
    }
    if (!wire.IsDone()) {
        return Failed("the tube's centre line does not join up");
    }
    return wire.Wire();
}

} // namespace

Result<TopoDS_Shape> BuildTubeSolid(const std::vector<TubePiece>& pieces) {
    if (pieces.empty()) {
        return Failed("a tube needs at least one piece");
    }
    try {
        const Result<TopoDS_Wire> spine = Spine(pieces);
        if (!spine) {
            return spine.Failure();
        }
        const TubePiece& first = pieces.front();
        const Vec3 heading = StartHeading(first);
        BRepBuilderAPI_MakeFace section(Circle(first.From, heading, first.TubeRadius), true);
        if (first.InnerRadius > 0) {
            TopoDS_Wire bore = Circle(first.From, heading, first.InnerRadius);
            bore.Reverse();
            section.Add(bore);
        }
        BRepOffsetAPI_MakePipe pipe(*spine, section.Face());
        pipe.Build();
        if (!pipe.IsDone()) {
            return Failed("Open CASCADE could not sweep the tube's section along its centre line");
        }
        TopExp_Explorer solids(pipe.Shape(), TopAbs_SOLID);
        if (!solids.More()) {
            return Failed("sweeping the tube's section made no solid");
        }
        TopoDS_Solid solid = TopoDS::Solid(solids.Current());
        BRepLib::OrientClosedSolid(solid);
        return TopoDS_Shape(solid);
    } catch (const Standard_Failure& failure) {
        return Failed(std::string("Open CASCADE could not build the solid: ") +
                      failure.GetMessageString());
    }
}

Result<void> WriteStepFile(const TopoDS_Shape& shape, const std::string& path, StepUnit unit) {
    const OcctFailureLog log;
    STEPControl_Writer writer;
    // Open CASCADE 7.6 writes in write.step.unit only when the model's own write unit agrees.
    Interface_Static::SetCVal("write.step.unit", unit.Name);
    writer.Model()->SetWriteLengthUnit(unit.Millimetres);
    if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) {
        return Failed("Open CASCADE could not put the solid into STEP: " + log.First());
    }
    if (writer.Write(path.c_str()) != IFSelect_RetDone) {
        return Failed("Open CASCADE could not write " + path + ": " + log.First());
    }
    return {};
}

} // namespace tubrix
