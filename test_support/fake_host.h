// A host for the native tests and the benchmark: one in-memory document with
// one current object, installed behind g_host, that logs every call.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "host_api/host_api.h"

enum class HostCall {
    GetCurrentObjectIndex,
    GetObject,
    GetVertexCount,
    GetVertexArray,
    IsSelect,
    AddSelect,
    DeleteSelect
};

// One logged call. Fields that a call does not take stay at their defaults.
struct LoggedCall {
    HostCall call;
    HostDocument doc = nullptr;
    ObjectIndex object = -1;
    VertexIndex vertex = -1;
    bool operator==(const LoggedCall &o) const
    {
        return call == o.call && doc == o.doc && object == o.object && vertex == o.vertex;
    }
};

std::string Describe(const LoggedCall &c);

struct FakeHost {
    HostDocument doc = reinterpret_cast<HostDocument>(0xD0C0);
    HostObject object = reinterpret_cast<HostObject>(0x0B1E);
    ObjectIndex currentIndex = 3;
    bool objectExists = true;     // MQDoc_GetObject gives null when false
    std::vector<Point3f> points;  // the current object's vertices
    std::vector<bool> selected;   // per vertex
    bool overrideCount = false;   // report reportedCount instead of points.size()
    int32_t reportedCount = 0;
    bool logCalls = true;  // the benchmark turns the log off
    std::vector<LoggedCall> log;
    bool wrongCall = false;  // a call for another document or object
};

// Puts host behind g_host (all 122 slots: the eight real ones and harmless
// placeholders elsewhere); RemoveFakeHost empties the table again.
void InstallFakeHost(FakeHost &host);
void RemoveFakeHost();

// Convenience: a host whose object has these points, none selected.
void SetPoints(FakeHost &host, std::vector<Point3f> points);
int SelectedCount(const FakeHost &host);
