#pragma once

#include "bendprogram.h"
#include "tubewalk.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tubrix {

// The bent tube's outer surface as one closed triangle mesh, for files that leave Tubrix (CAD, a
// fixture check, a 3D print). It follows the forward walk exactly: rings of vertices around the
// walk's centre line, every vertex on the true surface, a flat cap at each end, no markers.

inline constexpr int DefaultMeshSegments = 48;
inline constexpr int MinMeshSegments = 8;
inline constexpr int MaxMeshSegments = 256;
// However large and gentle a bend, it is cut into no more parts than this.
inline constexpr int MaxBendParts = 1024;
// A bend is cut finely enough that the centre line's chord over one part lies no further from
// its arc than this share of the tube radius.
inline constexpr double MaxBendSagitta = 0.005;

struct TubeMesh {
    std::vector<Vec3> Positions;
    std::vector<Vec3> Normals; // unit and outward, one for each position
    // Counter-clockwise seen from outside; every edge joins exactly two triangles once the caps'
    // rims are welded to the end rings (see below).
    std::vector<std::array<std::uint32_t, 3>> Triangles;
    // The wall is one run of Rings rings of Segments vertices, ring i's vertex k at
    // i * Segments + k, consecutive pieces sharing the ring where they meet. Each cap follows
    // with a rim of its own, bit for bit the positions of its end ring but with the cap's flat
    // normal, so the ends shade flat in every viewer, and its centre; a reader that welds equal
    // positions, as STL readers do, sees one closed surface.
    int Rings = 0;
    int Segments = 0;
};

// The number of parts a bend of `degrees` and centre-line `radius` is cut into, for a tube of
// `tubeRadius` with `segments` facets around: at least one part per facet angle, more while the
// chord over one part sags further than MaxBendSagitta of the tube radius, at most MaxBendParts.
int BendParts(double degrees, double radius, double tubeRadius, int segments);

// The mesh of the program's tube with `segments` facets around (held within MinMeshSegments and
// MaxMeshSegments). Empty when there is nothing to enclose: a tube of no length, a diameter not
// above 0, or numbers that do not give finite coordinates.
TubeMesh BuildTubeMesh(const BendProgram& program, int segments = DefaultMeshSegments);

} // namespace tubrix
