// The stand-in host: the modelling host's side of the plug-in boundary, for
// host.exe and the Wine tests. It exports all 122 host functions by their
// plain names (stdcall): the eight the plug-in calls answer from the one fake
// host (test_support/fake_host.h), each holding a lock for its length and
// logging the calling thread's id; a call to any of the 114 others is noted
// and ends the process. It is test support and never part of the shipped DLL.
#pragma once

#include <vector>

#include "host_api/host_api.h"
#include "test_support/fake_host.h"

// The one host the exports answer for, with its document and call log.
FakeHost &TheHost();

// TheHost().Reset(points): a fresh document with these points, none
// selected, object 0 current, and an empty log.
void ResetDocument(const std::vector<Point3f> &points);
