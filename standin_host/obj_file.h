// The mesh host.exe reads as the document's current object: the vertices of
// a Wavefront OBJ file.
#pragma once

#include <string>
#include <vector>

#include "host_api/host_api.h"

// Reads the "v X Y Z" lines of a Wavefront OBJ file into points, whatever
// their length, after an optional UTF-8 byte-order mark, with LF or CRLF line
// ends. Coordinates are read as strtof reads them: "inf", "nan" and numbers
// beyond a float's range (as infinity) are kept, for trying the plug-in on
// them. False with the reason in error (naming the line where there is one)
// when the file cannot be read, a "v" line lacks its three numbers or has
// text stuck to one of them, or it holds no vertex.
bool ReadObjVertices(const wchar_t *path, std::vector<Point3f> &points, std::string &error);
