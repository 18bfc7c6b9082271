#include "standin_host/obj_file.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Reads one "v X Y Z [more]" line's three coordinates as strtof reads them
// (so "inf", "nan" and numbers beyond a float's range, read as infinity, are
// kept). "" when they are there, else what is wrong: fewer than three numbers,
// or a number with text stuck to it.
static std::string ReadVertexLine(const char *text, Point3f &p)
{
    float *coordinates[3] = {&p.x, &p.y, &p.z};
    for (float *c : coordinates) {
        char *end = nullptr;
        *c = strtof(text, &end);
        if (end == text) return "a vertex needs three numbers";
        if (*end && *end != ' ' && *end != '\t') {
            const char *number = text + strspn(text, " \t");
            const size_t stuck = strcspn(end, " \t");
            return "unexpected \"" + std::string(end, stuck) + "\" after the number \"" +
                   std::string(number, static_cast<size_t>(end - number)) + "\"";
        }
        text = end;
    }
    return "";
}

bool ReadObjVertices(const wchar_t *path, std::vector<Point3f> &points, std::string &error)
{
    points.clear();
    FILE *file = _wfopen(path, L"rb");
    if (!file) {
        error = strerror(errno);
        return false;
    }
    std::string all;
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0) all.append(block, got);
    const bool readFailed = ferror(file) != 0;
    fclose(file);
    if (readFailed) {
        error = "read error";
        return false;
    }
    size_t start = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 byte-order mark
    for (int number = 1; start < all.size(); ++number) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] != 'v' || first + 1 >= line.size() ||
            (line[first + 1] != ' ' && line[first + 1] != '\t'))
            continue;  // not a vertex: faces, normals, comments and the rest
        Point3f p;
        const std::string problem = ReadVertexLine(line.c_str() + first + 1, p);
        if (!problem.empty()) {
            if (line.size() > 60) line = line.substr(0, 57) + "...";
            error = "line " + std::to_string(number) + ": " + problem + ": \"" + line + "\"";
            return false;
        }
        points.push_back(p);
    }
    if (points.empty()) {
        error = "holds no vertex (no line \"v X Y Z\")";
        return false;
    }
    return true;
}
