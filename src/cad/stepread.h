#pragma once

#include "tubepieces.h"

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace tubrix {

// A STEP file's bodies, in millimetres: its solids, else its shells (a tube with open ends), else
// its loose faces as one body. Errors say Open CASCADE's reason and name the file as `shown`.
Result<std::vector<CadBody>> ReadStepBodies(const std::string& path, const std::string& shown);

// One body's faces (counted from 1 in TopExp::MapShapes's order) as tube pieces: cylinders on one
// axis whose lengths meet are one straight, faces of one torus whose turns meet one bend, the
// outer faces' radius the tube's and the inner ones' its bore; planes are its caps. A face of
// any other kind makes it no tube, naming the face.
CadBody RecogniseBody(const TopoDS_Shape& body);

} // namespace tubrix
