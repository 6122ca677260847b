#include "updater/hid/hid_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "emulator/hid/emulated_bus.h"
#include "platform/hid_descriptor.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kivu::hid {
namespace {

using platform::HidCapRecord;

HidInterfaceRecord Record(const char16_t* path, std::uint16_t featureLength, std::vector<std::uint8_t> valueIds,
                          std::vector<std::uint8_t> buttonIds = {}) {
    HidInterfaceRecord record;
    record.path = path;
    record.capabilities.featureReportByteLength = featureLength;
    for (std::uint8_t id : valueIds) record.featureValueCaps.push_back(HidCapRecord{.reportId = id});
    for (std::uint8_t id : buttonIds) record.featureButtonCaps.push_back(HidCapRecord{.reportId = id});
    return record;
}

TEST(SelectCollection, FirstPassingRecordOnFeatureReport3) {
    struct Case {
        const char* label;
        std::vector<HidInterfaceRecord> records;
        bool selected;
        std::u16string path;
        std::uint16_t length;
    } cases[] = {
        {"empty list", {}, false, u"", 0},
        {"first passing wins",
         {Record(u"a", 8, {}), Record(u"b", 64, {3, 4}), Record(u"c", 32, {3})}, true, u"b", 64},
        {"only the first value capability counts", {Record(u"a", 64, {4, 3})}, false, u"", 0},
        {"button capabilities are not values", {Record(u"a", 64, {}, {3})}, false, u"", 0},
        {"no report 3", {Record(u"a", 64, {1}), Record(u"b", 64, {2})}, false, u"", 0},
        {"a report longer than 260 bytes is refused", {Record(u"a", 261, {3}), Record(u"b", 260, {3})}, true, u"b", 260},
    };
    for (Case& c : cases) {
        HidInterfaceList list;
        list.interfaces = c.records;
        list.count = static_cast<std::int32_t>(c.records.size());
        HidLink link;
        link.featureValueReportId = 3;
        EXPECT_EQ(SelectCollection(list, link), c.selected) << c.label;
        EXPECT_EQ(link.path, c.path) << c.label;
        if (c.selected) {
            EXPECT_EQ(link.selectedReportLength, c.length) << c.label;
        }
    }
}

TEST(SelectCollection, UsageAndLengthCriteria) {
    HidInterfaceList list;
    HidInterfaceRecord mouse = Record(u"mouse", 0, {});
    mouse.capabilities.usagePage = 1;
    mouse.capabilities.usage = 2;
    mouse.capabilities.inputReportByteLength = 4;
    HidInterfaceRecord vendor = Record(u"vendor", 64, {3});
    vendor.capabilities.usagePage = 0xFF00;
    vendor.capabilities.usage = 1;
    list.interfaces = {mouse, vendor};
    HidLink byUsage;
    byUsage.usagePage = 0xFF00;
    byUsage.usage = 1;
    ASSERT_TRUE(SelectCollection(list, byUsage));
    EXPECT_EQ(byUsage.path, u"vendor");
    HidLink byLength;
    byLength.inputReportLength = 4;
    ASSERT_TRUE(SelectCollection(list, byLength));
    EXPECT_EQ(byLength.path, u"mouse");
    EXPECT_EQ(byLength.selectedReportLength, 4);
}

class BusTest : public ::testing::Test {
protected:
    void Install(std::vector<emulator::EmulatedDeviceConfig> devices) {
        bus_ = std::make_unique<emulator::EmulatedBus>(std::move(devices));
        platform::SetHidBus(bus_.get());
    }
    void TearDown() override { platform::SetHidBus(nullptr); }
    std::unique_ptr<emulator::EmulatedBus> bus_;
};

TEST_F(BusTest, EnumerateSelectAndOpenThroughTheBus) {
    emulator::EmulatedDeviceConfig mouse;
    mouse.vendorId = 0x093A;
    mouse.productId = 0x822A;
    mouse.product = "Kivu Mouse";
    mouse.manufacturer = "Kivu";
    mouse.ota = emulator::OtaConfig{};
    emulator::EmulatedDeviceConfig other;
    other.vendorId = 0x1234;
    other.productId = 0x5678;
    Install({other, mouse});

    HidInterfaceList list;
    ASSERT_TRUE(EnumerateInterfaces(list, 0x093A, 0x822A));
    EXPECT_EQ(list.count, 2);  // the mouse collection and the vendor collection
    EXPECT_EQ(list.productName, u"Kivu Mouse");
    EXPECT_EQ(list.lastAttributes.vendorId, 0x093A);
    HidLink link;
    link.featureValueReportId = 3;
    ASSERT_TRUE(SelectCollection(list, link));
    EXPECT_EQ(link.selectedReportLength, 65);
    ASSERT_TRUE(OpenLink(link));
    EXPECT_NE(link.handle, nullptr);

    // Enumerating other identifiers replaces the list.
    EXPECT_FALSE(EnumerateInterfaces(list, 0xABCD, 0x1234));
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(list.interfaces.empty());

    // A device that answers nothing: the set is not reported, the read fails.
    std::uint8_t report[65] = {3};
    HidLink plain;
    plain.path = u"emulated:0";
    ASSERT_TRUE(OpenLink(plain));
    EXPECT_TRUE(SendData2Dev(plain.handle.get(), report, sizeof report, 1000));
    EXPECT_FALSE(ReadReport(plain.handle.get(), report, sizeof report));
    HidLink missing;
    missing.path = u"emulated:9";
    EXPECT_FALSE(OpenLink(missing));
}

// A fake sysfs tree: hidraw nodes whose device links lead into a USB device folder.
TEST(HidrawBus, EnumeratesAFakeSysfsTree) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    auto write = [](const fs::path& file, const std::string& bytes) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    };
    const fs::path usb = dir.path() / "devices" / "usb1" / "1-1";
    write(usb / "idVendor", "093a\n");
    write(usb / "manufacturer", "Kivu\n");
    write(usb / "product", "Kivu Receiver\n");
    write(usb / "bcdDevice", "0102\n");
    const fs::path hid = usb / "1-1:1.1" / "0003:093A:822A.0002";
    write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=0003:0000093A:0000822A\nHID_NAME=Kivu Kivu Receiver\n");
    const std::vector<std::uint8_t> vendor = emulator::DefaultReportDescriptor(64);
    write(hid / "report_descriptor", std::string(vendor.begin(), vendor.end()));
    const fs::path plainHid = dir.path() / "devices" / "virtual" / "0003:1234:5678.0001";
    write(plainHid / "uevent", "HID_ID=0003:00001234:00005678\nHID_NAME=Some Keyboard\n");
    write(plainHid / "report_descriptor", std::string("\x05\x01\x09\x06\xA1\x01\x75\x08\x95\x08\x81\x02\xC0", 13));
    fs::create_directories(dir.path() / "class");
    fs::create_directories(dir.path() / "class" / "hidraw10");
    fs::create_directories(dir.path() / "class" / "hidraw2");
    fs::create_directory_symlink(hid, dir.path() / "class" / "hidraw10" / "device");
    fs::create_directory_symlink(plainHid, dir.path() / "class" / "hidraw2" / "device");
    fs::create_directories(dir.path() / "class" / "hidraw3");  // no device: skipped

    auto bus = platform::MakeSystemHidBus((dir.path() / "class").string(), "/dev");
    std::vector<platform::HidInterfaceInfo> interfaces = bus->Enumerate();
    ASSERT_EQ(interfaces.size(), 3u);
    EXPECT_EQ(interfaces[0].path, u"/dev/hidraw2");
    EXPECT_EQ(interfaces[0].vendorId, 0x1234);
    EXPECT_EQ(interfaces[0].product, u"Some Keyboard");
    EXPECT_EQ(interfaces[0].collection.caps.inputReportByteLength, 9);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(interfaces[i].path, u"/dev/hidraw10");
        EXPECT_EQ(interfaces[i].vendorId, 0x093A);
        EXPECT_EQ(interfaces[i].productId, 0x822A);
        EXPECT_EQ(interfaces[i].manufacturer, u"Kivu");
        EXPECT_EQ(interfaces[i].product, u"Kivu Receiver");
        EXPECT_EQ(interfaces[i].versionNumber, 0x0102);
    }
    EXPECT_EQ(interfaces[2].collection.caps.featureReportByteLength, 64);
    EXPECT_EQ(interfaces[2].collection.valueCaps[2].front().reportId, 3);
    EXPECT_EQ(bus->Open(u"/nonexistent/hidraw0", platform::HidAccess::kReadWrite), nullptr);
}

}  // namespace
}  // namespace kivu::hid
