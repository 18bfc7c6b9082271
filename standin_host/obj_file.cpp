// The one OBJ reader of the project: host.exe's mesh, and the faces its
// --json hands to the picture.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "standin_host/host_core.h"

// A "v X Y Z [more]" line's coordinates: "" or what is wrong with them.
static std::string ReadVertex(const char *text, Point3f &p)
{
    for (float *c : {&p.x, &p.y, &p.z}) {
        char *end = nullptr;
        *c = strtof(text, &end);
        if (end == text) return "a vertex needs three numbers";
        if (*end && *end != ' ' && *end != '\t') {
            const char *number = text + strspn(text, " \t");
            return "unexpected \"" + std::string(end, strcspn(end, " \t")) +
                   "\" after the number \"" + std::string(number, end - number) + "\"";
        }
        text = end;
    }
    return "";
}

// An "f A B C ..." line's vertices, each token's number before its first "/",
// 1-based or counted back from the last of the known vertices when negative.
static bool ReadFace(const char *text, size_t known, std::vector<uint32_t> &face)
{
    face.clear();
    for (text += strspn(text, " \t"); *text; text += strspn(text, " \t")) {
        char *end = nullptr;
        const long n = strtol(text, &end, 10);
        const long index = n < 0 ? static_cast<long>(known) + n : n - 1;
        if (end == text || (*end && !strchr("/ \t", *end)) || n == 0 || index < 0 ||
            index >= static_cast<long>(known))
            return false;
        face.push_back(static_cast<uint32_t>(index));
        text = end + strcspn(end, " \t");
    }
    return face.size() >= 3;
}

bool ReadObj(const std::string &all, ObjMesh &mesh, std::string &error)
{
    mesh = ObjMesh();
    size_t start = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 byte-order mark
    std::vector<uint32_t> face;
    for (int number = 1; start < all.size(); ++number) {
        const size_t end = std::min(all.find('\n', start), all.size());
        std::string line = all.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == line.npos || first + 1 >= line.size() ||
            (line[first + 1] != ' ' && line[first + 1] != '\t'))
            continue;  // no "v" or "f" line: normals, comments and the rest
        const char *rest = line.c_str() + first + 1;
        if (line[first] == 'f' && ReadFace(rest, mesh.points.size(), face))
            mesh.faces.push_back(face);
        if (line[first] != 'v') continue;
        Point3f p;
        const std::string problem = ReadVertex(rest, p);
        if (!problem.empty()) {
            if (line.size() > 60) line = line.substr(0, 57) + "...";
            error = "line " + std::to_string(number) + ": " + problem + ": \"" + line + "\"";
            return false;
        }
        mesh.points.push_back(p);
    }
    if (mesh.points.empty()) error = "holds no vertex (no line \"v X Y Z\")";
    return !mesh.points.empty();
}
