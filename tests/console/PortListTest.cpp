// The port box's entries: present devices that open, in a stable order, and the port of the
// settings when it opens.

#include "link/PortList.h"

#include <QSet>

#include <gtest/gtest.h>

namespace kvir {
namespace {

TEST(PortList, DevicePathsSortNumbersByValue) {
    EXPECT_EQ(SortDevicePaths({"/dev/ttyUSB1", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0",
                               "/dev/ttyS2", "", "/dev/ttyUSB0", "/dev/rfcomm"}),
              (QStringList{"/dev/rfcomm", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10",
                           "/dev/ttyUSB0", "/dev/ttyUSB1"}));
}

TEST(PortList, EntriesAreTheDevicesThatOpenPlusTheConfiguredPort) {
    const QStringList system{"/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyS0"};
    const struct {
        const char* name;
        QSet<QString> opening;
        QString configured;
        QStringList entries;
    } cases[] = {
        {"all open",
         {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"},
         "/dev/ttyS1",
         {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}},
        {"busy ones left out", {"/dev/ttyUSB0"}, "", {"/dev/ttyUSB0"}},
        {"simulator link added last",
         {"/dev/ttyS0", "/tmp/kvir-sim"},
         "/tmp/kvir-sim",
         {"/dev/ttyS0", "/tmp/kvir-sim"}},
        {"configured port that does not open", {"/dev/ttyS0"}, "COM0", {"/dev/ttyS0"}},
        {"configured but enumerated and busy", {}, "/dev/ttyS1", {}},
        {"none", {}, "", {}},
    };
    for (const auto& c : cases) {
        QStringList probed;
        const QStringList entries =
            BuildPortEntries(system, c.configured, [&](const QString& name) {
                probed.append(name);
                return c.opening.contains(name);
            });
        EXPECT_EQ(entries, c.entries) << c.name;
        // Every device is probed once at most.
        EXPECT_EQ(QSet<QString>(probed.begin(), probed.end()).size(), probed.size()) << c.name;
    }
}

}  // namespace
}  // namespace kvir
