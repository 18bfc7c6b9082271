// The fake host keeps a host's word, so that the tests that run the walk
// against it test the walk: it fills the plug-in's buffer with no more points
// than the count it reported, and its selection calls act on its own current
// object only.
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "test_support/fake_host.h"

namespace {

const std::vector<Point3f> kRow = {{-2, 0, 0}, {-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}};

}  // namespace

TEST(FakeHost, WritesNoMorePointsThanReported)
{
    // As many points as the count reported, never more than it has: a
    // negative count is none.
    const struct {
        int32_t count;
        size_t written;
    } cases[] = {{-1, 0}, {INT32_MIN, 0}, {0, 0}, {2, 2}, {9, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count));
        FakeHost host;
        host.SetPoints(kRow);
        host.overrideCount = true;
        host.reportedCount = c.count;
        const Point3f canary = {7, 7, 7};
        std::vector<Point3f> buffer(8, canary);
        host.MQObj_GetVertexArray(host.object, buffer.data());
        size_t written = 0;
        while (written < buffer.size() && buffer[written].x != canary.x) ++written;
        EXPECT_EQ(written, c.written);
        for (size_t i = written; i < buffer.size(); ++i) EXPECT_EQ(buffer[i].x, canary.x) << i;
    }
}

TEST(FakeHost, SelectionCallsActOnTheCurrentObjectOnly)
{
    FakeHost host;
    host.SetPoints(kRow);
    const HostDocument other = reinterpret_cast<HostDocument>(0xBAD);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(other, host.currentIndex, 1), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex + 1, 1), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex, 5), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex, -1), 0);
    EXPECT_EQ(host.SelectedCount(), 0) << "a call for another document, object or vertex";
    EXPECT_TRUE(host.wrongCall);
    EXPECT_EQ(host.log.size(), 4u) << "every call is logged, the wrong ones too";
    EXPECT_EQ(host.MQDoc_GetObject(other, host.currentIndex), nullptr);
    EXPECT_EQ(host.MQDoc_GetObject(host.doc, host.currentIndex), host.object);
}
