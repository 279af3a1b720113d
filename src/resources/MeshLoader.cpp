#include "resources/MeshLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>
#include <glm/glm.hpp>

#include "app/Log.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"

namespace BV {

namespace {

// CalcTangentSpace | JoinIdenticalVertices | Triangulate | SortByPType:
// polygons arrive as triangles, and points and lines in meshes of their own.
constexpr unsigned int importFlags = 0x800B;

const std::string shaderFolder = "resources/shader/mesh/";

// The imported scene is released on every way out of load.
using ImportedScene = std::unique_ptr<const aiScene, void (*)(const aiScene*)>;

void fail(Mesh* mesh, const std::string& message)
{
    Log::getInstance().write(message, CRITICAL);
    mesh->setState(Resource::FAILED);
}

std::string toString(const aiString& text)
{
    return std::string(text.data, text.length);
}

// The vertex and fragment shader files a material's name asks for.
std::pair<std::string, std::string> shaderFiles(const aiMaterial* source)
{
    aiString text;
    const bool named = aiGetMaterialString(source, "?mat.name", 0, 0, &text) == aiReturn_SUCCESS;
    std::string name = named ? toString(text) : std::string();
    // The importer names the material it makes up for a file without one
    // (every OBJ file has it); like an empty name, that asks for nothing.
    if (name.empty() || name == AI_DEFAULT_MATERIAL_NAME) {
        return {shaderFolder + "mesh.vert", shaderFolder + "mesh.frag"};
    }
    // Modelling tools append "-material" to the names artists give.
    const std::size_t suffix = name.rfind("-material");
    if (suffix != std::string::npos) {
        name.erase(suffix);
    }
    const std::size_t split = name.find(';');
    if (split == std::string::npos) {
        return {shaderFolder + "mesh.vert", shaderFolder + name + ".frag"};
    }
    return {shaderFolder + name.substr(0, split) + ".vert", shaderFolder + name.substr(split + 1) + ".frag"};
}

// Samplers are numbered from 1 within their kind: diffuse1, diffuse2, normal1.
void addTextures(Material* material, const aiMaterial* source, const std::string& modelPath)
{
    static const std::pair<aiTextureType, const char*> kinds[] = {
        {aiTextureType_DIFFUSE, "diffuse"},
        {aiTextureType_NORMALS, "normal"},
        {aiTextureType_SPECULAR, "specular"},
    };
    for (const auto& kind : kinds) {
        aiString path;
        unsigned int k = 0;
        while (aiGetMaterialTexture(source, kind.first, k, &path, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr) == aiReturn_SUCCESS) {
            const std::string file = MeshLoader::resolveTexturePath(modelPath, toString(path));
            // Not loaded here: the material loads its textures.
            Texture* texture = dynamic_cast<Texture*>(ResourceManager::getInstance()->getResource(file));
            material->addTexture(kind.second + std::to_string(k + 1), texture);
            ++k;
        }
    }
}

// Shininess is stored in the file as a fraction and used by the shaders
// as a whole exponent: 0.25 becomes 25.
void readShininess(Material* material, const aiMaterial* source)
{
    ai_real value = 0;
    unsigned int count = 1;
    if (aiGetMaterialFloatArray(source, "$mat.shininess", 0, 0, &value, &count) != aiReturn_SUCCESS || count < 1) {
        return;
    }
    const double scaled = static_cast<double>(value) * 100.0 + 0.5;
    // A damaged file must not make the conversion undefined.
    if (!std::isfinite(scaled)) {
        return;
    }
    const double lowest = std::numeric_limits<std::int32_t>::min();
    const double highest = std::numeric_limits<std::int32_t>::max();
    material->shininess = static_cast<std::int32_t>(std::fmin(std::fmax(scaled, lowest), highest));
}

// Gives a new material its textures, program and constants from the file.
void fillMaterial(Material* material, const aiMaterial* source, const std::string& modelPath)
{
    addTextures(material, source, modelPath);
    auto* programs = dynamic_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
    if (programs) {
        const auto files = shaderFiles(source);
        material->program = programs->createProgram(files.first.c_str(), files.second.c_str());
    }
    aiColor4D colour;
    if (aiGetMaterialColor(source, "$clr.diffuse", 0, 0, &colour) == aiReturn_SUCCESS) {
        material->kD = glm::vec3(colour.r, colour.g, colour.b);
    }
    if (aiGetMaterialColor(source, "$clr.specular", 0, 0, &colour) == aiReturn_SUCCESS) {
        material->kS = glm::vec3(colour.r, colour.g, colour.b);
    }
    readShininess(material, source);
}

// The loaded material for material i of the model, or null when it does
// not load.
Material* importMaterial(const aiMaterial* source, const std::string& materialName, const std::string& modelPath)
{
    Material* material = dynamic_cast<Material*>(ResourceManager::getInstance()->getResource(materialName));
    if (!material) {
        return nullptr;
    }
    // A model tried again after a failure finds its materials already
    // filled; filling them twice would only repeat every texture.
    if (!material->program) {
        fillMaterial(material, source, modelPath);
    }
    if (material->program) {
        material->program->ensureLoaded();
    }
    return material->ensureLoaded() == Resource::LOADED ? material : nullptr;
}

glm::vec3 swapYZ(const aiVector3D& v)
{
    return glm::vec3(v.x, v.z, v.y);
}

// Writes vertex i of the file's mesh in the 13-float layout. Missing
// normals and texture coordinates are zero; a missing or degenerate
// tangent is zero with handedness +1.
void convertVertex(const aiMesh& source, unsigned int i, float* out)
{
    const glm::vec3 p = swapYZ(source.mVertices[i]);
    const glm::vec3 n = source.mNormals ? swapYZ(source.mNormals[i]) : glm::vec3(0.0f);
    const aiVector3D c = source.mTextureCoords[0] ? source.mTextureCoords[0][i] : aiVector3D(0, 0, 0);
    glm::vec3 tangent(0.0f);
    float handedness = 1.0f;
    if (source.mTangents && source.mBitangents) {
        const glm::vec3 t = swapYZ(source.mTangents[i]);
        const glm::vec3 b = swapYZ(source.mBitangents[i]);
        // Make the tangent perpendicular to the normal; the handedness says
        // whether the bitangent is n x t or its opposite.
        const glm::vec3 projected = t - n * glm::dot(n, t);
        const float length = glm::length(projected);
        // The importer marks tangents it could not compute as NaN.
        if (std::isfinite(length) && length > 1e-12f) {
            tangent = projected / length;
        }
        handedness = glm::dot(glm::cross(n, t), b) < 0.0f ? -1.0f : 1.0f;
    }
    const float values[MeshPart::floatsPerVertex] = {
        p.x,       p.y,       p.z, // position
        n.x,       n.y,       n.z, // normal
        c.x,       c.y,       c.z, // texture coordinate
        tangent.x, tangent.y, tangent.z, handedness,
    };
    std::copy(values, values + MeshPart::floatsPerVertex, out);
}

// The triangles of the file's mesh with their winding reversed. Points and
// lines are left out: the game draws triangles only.
std::vector<std::uint32_t> convertFaces(const aiMesh& source)
{
    std::vector<std::uint32_t> indices;
    indices.reserve(std::size_t{3} * source.mNumFaces);
    for (unsigned int f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        if (face.mNumIndices != 3 || face.mIndices[0] >= source.mNumVertices ||
            face.mIndices[1] >= source.mNumVertices || face.mIndices[2] >= source.mNumVertices) {
            continue;
        }
        indices.insert(indices.end(), {face.mIndices[0], face.mIndices[2], face.mIndices[1]});
    }
    return indices;
}

// Adds the file's mesh to the mesh as one uploaded part, unless it has no
// triangles.
void importMeshPart(const aiMesh& source, Material* material, Mesh* mesh)
{
    if (!source.mVertices || source.mNumVertices == 0) {
        return;
    }
    std::vector<std::uint32_t> indices = convertFaces(source);
    if (indices.empty()) {
        return;
    }
    std::vector<float> vertices(std::size_t{MeshPart::floatsPerVertex} * source.mNumVertices);
    for (unsigned int i = 0; i < source.mNumVertices; ++i) {
        float* vertex = &vertices[std::size_t{MeshPart::floatsPerVertex} * i];
        convertVertex(source, i, vertex);
        mesh->boundingBox.grow(glm::vec3(vertex[0], vertex[1], vertex[2]));
    }
    MeshPart* part = mesh->addPart();
    part->material = material;
    part->vertexCount = source.mNumVertices;
    part->triangleCount = static_cast<std::uint32_t>(indices.size() / 3);
    part->vertices = std::move(vertices);
    part->indices = std::move(indices);
    part->upload();
    // Nothing reads the arrays after the upload: the model lives on the GPU.
    std::vector<float>().swap(part->vertices);
    std::vector<std::uint32_t>().swap(part->indices);
}

} // namespace

Resource* MeshLoader::createResource()
{
    return new Mesh(this);
}

void MeshLoader::load(Resource* resource)
{
    Mesh* mesh = static_cast<Mesh*>(resource);
    // Importing again would add every part a second time.
    if (mesh->isLoaded()) {
        return;
    }
    const std::string& name = mesh->getName();
    ImportedScene scene(aiImportFile(name.c_str(), importFlags), aiReleaseImport);
    if (!scene) {
        fail(mesh, "Failed to import Mesh: " + name);
        return;
    }
    std::vector<Material*> materials;
    for (unsigned int i = 0; i < scene->mNumMaterials; ++i) {
        const std::string materialName = name + "_mat_" + std::to_string(i) + ".mmat";
        Material* material = importMaterial(scene->mMaterials[i], materialName, name);
        if (!material) {
            fail(mesh, "Failed to load Mesh: " + name + " (Failed to load Material: " + materialName + ")");
            return;
        }
        materials.push_back(material);
    }
    // Checked before any part exists, so a failed model holds no parts.
    for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
        if (scene->mMeshes[m]->mMaterialIndex >= materials.size()) {
            fail(mesh, "Failed to load Mesh: " + name + " (Material index out of range)");
            return;
        }
    }
    for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& source = *scene->mMeshes[m];
        importMeshPart(source, materials[source.mMaterialIndex], mesh);
    }
    mesh->setState(Resource::LOADED);
}

void MeshLoader::destroyResource(Resource* resource)
{
    resource->releaseGL();
    delete resource;
}

std::string MeshLoader::resolveTexturePath(const std::string& modelPath, const std::string& texturePath)
{
    const std::size_t slash = modelPath.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : modelPath.substr(0, slash);
    std::string rest = texturePath;
    for (;;) {
        if (rest.compare(0, 2, "./") == 0) {
            rest.erase(0, 2);
            continue;
        }
        if (rest.compare(0, 3, "../") != 0) {
            break;
        }
        // A folder that is empty, "." or ".." cannot be climbed by cutting
        // text; the "../" then stays in the path.
        const std::size_t last = folder.rfind('/');
        const std::string lastName = last == std::string::npos ? folder : folder.substr(last + 1);
        if (lastName.empty() || lastName == "." || lastName == "..") {
            break;
        }
        rest.erase(0, 3);
        folder.erase(last == std::string::npos ? 0 : last);
    }
    if (!rest.empty() && rest[0] == '/') {
        return rest;
    }
    return folder.empty() ? rest : folder + "/" + rest;
}

} // namespace BV
