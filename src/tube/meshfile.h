#pragma once

#include "error.h"
#include "tubemesh.h"

#include <span>
#include <string>

namespace tubrix {

// The tube's mesh as the bytes of a file, in the program's length units. The format follows the
// file's extension. Assimp writes OBJ, PLY and glTF, so those files are what other tools expect
// of them; binary STL, fixed records and nothing to get wrong, is written here for speed.

struct MeshFormat {
    const char* Extension;  // with its dot, lower case
    const char* ExporterId; // Assimp's name for the writer; null for binary STL, written here
};

std::span<const MeshFormat> MeshFormats();

// The format for a file name's extension, in any case; any other extension is an error that
// lists the known ones.
Result<MeshFormat> MeshFormatFor(const std::string& path);

// The known extensions, for a message: ".stl, .obj, .ply, .glb".
std::string MeshExtensionList();

// The whole file for the mesh. Coordinates go into the file as 32-bit floats, the only numbers
// these formats share; a coordinate beyond their range is an error, not an infinity in a file.
Result<std::string> EncodeMesh(const TubeMesh& mesh, const MeshFormat& format);

} // namespace tubrix
