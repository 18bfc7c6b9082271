// The stand-in host: the modelling host's side of the plug-in boundary, for
// the Wine tests and the demo. It exports all 122 host functions by their
// plain names (stdcall), keeps one in-memory document whose current object's
// vertices and selection the eight called functions work on, and logs every
// call. It is test support and never part of the shipped DLL.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "host_api/host_api.h"

struct HostCallRecord {
    std::string function;
    HostDocument doc;
    ObjectIndex object;    // -1 where the call takes none
    VertexIndex vertex;    // -1 where the call takes none
    unsigned long thread;  // the calling thread's identifier
};

struct StandinDocument {
    std::vector<Point3f> points;
    std::vector<bool> selected;
    ObjectIndex currentIndex = 0;  // negative: no current object
    bool objectExists = true;      // MQDoc_GetObject answers null when false
    HostWindow mainWindow = nullptr;
    bool overrideCount = false;  // report reportedCount as the vertex count
    int32_t reportedCount = 0;
};

// The one document, its handle, and the log of calls into the host.
StandinDocument &TheDocument();
HostDocument TheDocumentHandle();
std::vector<HostCallRecord> &CallLog();
// Calls to any of the 114 functions the plug-in must never call.
std::vector<std::string> &UnexpectedCalls();

// A fresh document with these points, none selected, object 0 current.
void ResetDocument(const std::vector<Point3f> &points);
int SelectedCount();

// Reads the "v X Y Z" lines of a Wavefront OBJ file into points, whatever
// their length, after an optional UTF-8 byte-order mark, with LF or CRLF line
// ends. False with the reason in error (naming the line where there is one)
// when the file cannot be read, a "v" line lacks its three numbers, or it
// holds no vertex.
bool ReadObjVertices(const wchar_t *path, std::vector<Point3f> &points, std::string &error);
