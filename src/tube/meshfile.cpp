#include "meshfile.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <memory>

namespace tubrix {

namespace {

// Binary STL and PLY for size, OBJ without a material file so one file is the whole mesh, and
// binary glTF for the web. Binary STL is written here, not by Assimp: it is fifty bytes a
// triangle, and Assimp's writer (a copy of the scene, a stream write for every number) took
// several times as long as the whole mesh build.
constexpr MeshFormat Formats[] = {
    {".stl", nullptr}, {".obj", "objnomtl"}, {".ply", "plyb"}, {".glb", "glb2"}};

// The grey of the viewer's tube, for the formats that carry a colour.
constexpr float TubeGrey = 70.0f / 127.0f;

bool FitsFloat(Vec3 p) {
    return std::isfinite(static_cast<float>(p.X)) && std::isfinite(static_cast<float>(p.Y)) &&
           std::isfinite(static_cast<float>(p.Z));
}

aiVector3D ToAi(Vec3 v) {
    return {static_cast<ai_real>(v.X), static_cast<ai_real>(v.Y), static_cast<ai_real>(v.Z)};
}

aiMesh* AiMeshOf(const TubeMesh& mesh) {
    auto* out = new aiMesh;
    out->mName = "tube";
    out->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    out->mMaterialIndex = 0;
    out->mNumVertices = static_cast<unsigned>(mesh.Positions.size());
    out->mVertices = new aiVector3D[out->mNumVertices];
    out->mNormals = new aiVector3D[out->mNumVertices];
    for (unsigned i = 0; i < out->mNumVertices; ++i) {
        out->mVertices[i] = ToAi(mesh.Positions[i]);
        out->mNormals[i] = ToAi(mesh.Normals[i]);
    }
    out->mNumFaces = static_cast<unsigned>(mesh.Triangles.size());
    out->mFaces = new aiFace[out->mNumFaces];
    for (unsigned i = 0; i < out->mNumFaces; ++i) {
        aiFace& face = out->mFaces[i];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        std::copy(mesh.Triangles[i].begin(), mesh.Triangles[i].end(), face.mIndices);
    }
    return out;
}

aiMaterial* TubeMaterial() {
    auto* material = new aiMaterial;
    const aiString name("tube");
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D grey(TubeGrey, TubeGrey, TubeGrey);
    material->AddProperty(&grey, 1, AI_MATKEY_COLOR_DIFFUSE);
    return material;
}

// One node holding one mesh with one material: what every writer expects at the least. The
// scene owns and frees all of it.
std::unique_ptr<aiScene> SceneOf(const TubeMesh& mesh) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("tube");
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { TubeMaterial() };
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { AiMeshOf(mesh) };
    return scene;
}

char* PutWord(char* out, std::uint32_t word) {
    out[0] = static_cast<char>(word & 0xff);
    out[1] = static_cast<char>((word >> 8) & 0xff);
    out[2] = static_cast<char>((word >> 16) & 0xff);
    out[3] = static_cast<char>(word >> 24);
    return out + 4;
}

char* PutPoint(char* out, Vec3 p) {
    out = PutWord(out, std::bit_cast<std::uint32_t>(static_cast<float>(p.X)));
    out = PutWord(out, std::bit_cast<std::uint32_t>(static_cast<float>(p.Y)));
    return PutWord(out, std::bit_cast<std::uint32_t>(static_cast<float>(p.Z)));
}

// Binary STL: an 80-byte header that must not begin with "solid" (readers would take the file
// for text), the triangle count, then per triangle its unit normal, its three corners and a
// 16-bit attribute word, all little-endian. The facet normals come from each triangle's
// winding, which faces outward.
std::string BinaryStl(const TubeMesh& mesh) {
    std::string bytes(84 + 50 * mesh.Triangles.size(), '\0');
    const std::string_view header = "Tubrix tube, binary STL";
    std::copy(header.begin(), header.end(), bytes.begin());
    char* out = PutWord(bytes.data() + 80, static_cast<std::uint32_t>(mesh.Triangles.size()));
    for (const auto& t : mesh.Triangles) {
        const Vec3 a = mesh.Positions[t[0]], b = mesh.Positions[t[1]], c = mesh.Positions[t[2]];
        out = PutPoint(out, Normalized(Cross(b - a, c - a)));
        out = PutPoint(out, a);
        out = PutPoint(out, b);
        out = PutPoint(out, c) + 2;
    }
    return bytes;
}

Result<std::string> AssimpEncoded(const TubeMesh& mesh, const MeshFormat& format) {
    const std::unique_ptr<aiScene> scene = SceneOf(mesh);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), format.ExporterId);
    if (blob == nullptr) {
        return Failed(std::string("the ") + format.Extension +
                      " writer failed: " + exporter.GetErrorString());
    }
    return std::string(static_cast<const char*>(blob->data), blob->size);
}

} // namespace

std::span<const MeshFormat> MeshFormats() {
    return Formats;
}

Result<MeshFormat> MeshFormatFor(const std::string& path) {
    const auto unknown = [&] {
        return Failed("the mesh file must end in one of " + MeshExtensionList() + ", not \"" +
                      path + "\"");
    };
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return unknown();
    }
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const MeshFormat& format : Formats) {
        if (extension == format.Extension) {
            return format;
        }
    }
    return unknown();
}

std::string MeshExtensionList() {
    std::string list;
    for (const MeshFormat& format : Formats) {
        list += (list.empty() ? "" : ", ") + std::string(format.Extension);
    }
    return list;
}

Result<std::string> EncodeMesh(const TubeMesh& mesh, const MeshFormat& format) {
    if (mesh.Triangles.empty()) {
        return Failed("there is no surface to write: the tube has no length, or its numbers "
                      "overflow");
    }
    if (!std::all_of(mesh.Positions.begin(), mesh.Positions.end(), FitsFloat)) {
        return Failed("the tube reaches beyond the range of a mesh file's numbers");
    }
    if (format.ExporterId == nullptr) {
        return BinaryStl(mesh);
    }
    return AssimpEncoded(mesh, format);
}

} // namespace tubrix
