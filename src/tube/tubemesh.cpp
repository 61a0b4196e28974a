#include "tubemesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tubrix {

namespace {

// Where one ring of vertices sits: its centre on the centre line, the tangent there, and the
// direction of the ring's first vertex, square to the tangent.
struct RingPlace {
    Vec3 Centre;
    Vec3 Tangent;
    Vec3 Across;
};

// v turned by the angle (given by its cosine and sine) about the unit axis, right-handed.
Vec3 Turned(Vec3 v, Vec3 axis, double cosine, double sine) {
    return v * cosine + Cross(axis, v) * sine + axis * (Dot(axis, v) * (1 - cosine));
}

// The ring's first direction made square to its tangent again, so rounding cannot tilt the
// rings off the surface as they are carried along.
RingPlace Squared(RingPlace place) {
    place.Across = Normalized(place.Across - place.Tangent * Dot(place.Across, place.Tangent));
    return place;
}

// The rings along a bend after its start: the centre line's arc cut into equal parts, each
// ring's first direction turned with the tube about the bend's axis, so the surface follows
// the tube without twisting. The last ring sits on the walk's own bend end.
void AddBendRings(std::vector<RingPlace>& places, const WalkBend& bend, Vec3 heading,
                  double tubeRadius, int segments) {
    const int parts = BendParts(bend.Degrees, bend.Radius, tubeRadius, segments);
    const double sweep = bend.Degrees * std::numbers::pi / 180;
    const Vec3 across = places.back().Across;
    for (int i = 1; i <= parts; ++i) {
        const double t = sweep * i / parts;
        const double cosine = std::cos(t), sine = std::sin(t);
        RingPlace place;
        place.Centre =
            i == parts ? bend.End
                       : bend.Centre + (bend.FromCentre * cosine + heading * sine) * bend.Radius;
        place.Tangent = heading * cosine - bend.FromCentre * sine;
        place.Across = Turned(across, bend.Axis, cosine, sine);
        places.push_back(Squared(place));
    }
}

// The rings along the whole centre line: one at the start, one at the end of every straight
// that has length (a straight of none would only repeat the ring before it), and those of every
// bend. The walk's first frame gives the first ring its direction; along a straight it is kept.
std::vector<RingPlace> CentreLineRings(const TubeWalk& walk, double tubeRadius, int segments) {
    std::vector<RingPlace> places;
    if (walk.Steps.empty()) {
        return places;
    }
    const WalkStep& first = walk.Steps.front();
    places.push_back(
        Squared({first.StraightStart, first.Heading, first.Start.Direction({1, 0, 0})}));
    for (const WalkStep& step : walk.Steps) {
        if (Length(step.StraightEnd - step.StraightStart) > 0) {
            places.push_back(Squared({step.StraightEnd, step.Heading, places.back().Across}));
        }
        if (step.Bend) {
            AddBendRings(places, *step.Bend, step.Heading, tubeRadius, segments);
        }
    }
    return places;
}

// One ring of vertices on the surface: the outward unit directions start along `Across` and
// turn right-handed about the tangent, so the wall's winding faces outward.
void AddRing(TubeMesh& mesh, const RingPlace& place, double tubeRadius,
             const std::vector<double>& cosines, const std::vector<double>& sines) {
    const Vec3 side = Cross(place.Tangent, place.Across);
    for (std::size_t k = 0; k < cosines.size(); ++k) {
        const Vec3 out = place.Across * cosines[k] + side * sines[k];
        mesh.Positions.push_back(place.Centre + out * tubeRadius);
        mesh.Normals.push_back(out);
    }
}

// The wall between each pair of consecutive rings, two triangles a facet, wound so that their
// normals point away from the centre line.
void AddWall(TubeMesh& mesh) {
    const auto n = static_cast<std::uint32_t>(mesh.Segments);
    for (std::uint32_t ring = 0; ring + 1 < static_cast<std::uint32_t>(mesh.Rings); ++ring) {
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t a = ring * n + k, a1 = ring * n + (k + 1) % n;
            const std::uint32_t b = a + n, b1 = a1 + n;
            mesh.Triangles.push_back({a, a1, b1});
            mesh.Triangles.push_back({a, b1, b});
        }
    }
}

// A flat cap over ring `ring`: a rim of its own with the cap's normal and a fan about the
// centre, facing back along the tangent at the start and along it at the end.
void AddCap(TubeMesh& mesh, int ring, const RingPlace& place, bool atEnd) {
    const auto n = static_cast<std::uint32_t>(mesh.Segments);
    const Vec3 normal = atEnd ? place.Tangent : place.Tangent * -1;
    const auto rim = static_cast<std::uint32_t>(mesh.Positions.size());
    for (std::uint32_t k = 0; k < n; ++k) {
        mesh.Positions.push_back(mesh.Positions[static_cast<std::uint32_t>(ring) * n + k]);
        mesh.Normals.push_back(normal);
    }
    const auto centre = static_cast<std::uint32_t>(mesh.Positions.size());
    mesh.Positions.push_back(place.Centre);
    mesh.Normals.push_back(normal);
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint32_t here = rim + k, next = rim + (k + 1) % n;
        if (atEnd) {
            mesh.Triangles.push_back({centre, here, next});
        } else {
            mesh.Triangles.push_back({centre, next, here});
        }
    }
}

bool AllFinite(const std::vector<Vec3>& points) {
    return std::all_of(points.begin(), points.end(), [](Vec3 p) {
        return std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z);
    });
}

} // namespace

int BendParts(double degrees, double radius, double tubeRadius, int segments) {
    const double sweep = std::fabs(degrees);
    double parts = std::ceil(sweep * segments / 360);
    // The chord over a part of angle a sags radius * (1 - cos(a / 2)).
    const double sagShare = MaxBendSagitta * tubeRadius / std::fabs(radius);
    if (sagShare < 2) {
        const double largestPart = 2 * std::acos(1 - sagShare);
        parts = std::max(parts, std::ceil(sweep * std::numbers::pi / 180 / largestPart));
    }
    if (!(parts >= 1)) {
        return 1;
    }
    return parts < MaxBendParts ? static_cast<int>(parts) : MaxBendParts;
}

TubeMesh BuildTubeMesh(const BendProgram& program, int segments) {
    TubeMesh mesh;
    const double tubeRadius = program.TubeDiameter * 0.5;
    if (!(tubeRadius > 0) || !std::isfinite(tubeRadius)) {
        return mesh;
    }
    mesh.Segments = std::clamp(segments, MinMeshSegments, MaxMeshSegments);
    const TubeWalk walk = WalkTube(program);
    const std::vector<RingPlace> places = CentreLineRings(walk, tubeRadius, mesh.Segments);
    if (places.size() < 2) {
        return mesh;
    }
    std::vector<double> cosines, sines;
    for (int k = 0; k < mesh.Segments; ++k) {
        cosines.push_back(std::cos(2 * std::numbers::pi * k / mesh.Segments));
        sines.push_back(std::sin(2 * std::numbers::pi * k / mesh.Segments));
    }
    mesh.Rings = static_cast<int>(places.size());
    const std::size_t n = static_cast<std::size_t>(mesh.Segments);
    mesh.Positions.reserve(places.size() * n + 2 * n + 2);
    mesh.Normals.reserve(mesh.Positions.capacity());
    mesh.Triangles.reserve(2 * n * places.size());
    for (const RingPlace& place : places) {
        AddRing(mesh, place, tubeRadius, cosines, sines);
    }
    AddWall(mesh);
    AddCap(mesh, 0, places.front(), false);
    AddCap(mesh, mesh.Rings - 1, places.back(), true);
    if (!AllFinite(mesh.Positions) || !AllFinite(mesh.Normals)) {
        return {};
    }
    return mesh;
}

} // namespace tubrix
