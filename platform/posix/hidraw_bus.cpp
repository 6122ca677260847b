// The Linux HID bus: hidraw nodes found through sysfs, feature reports through the hidraw
// ioctls. Each hidraw node is one USB HID interface; its report descriptor may hold several
// top-level collections, each of which becomes one record with the node's path.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/hid_bus.h"
#include "platform/hid_descriptor.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {

namespace fs = std::filesystem;

std::string ReadSmallFile(const fs::path& path, std::size_t limit = 65536) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string content(limit, '\0');
    in.read(content.data(), static_cast<std::streamsize>(limit));
    content.resize(static_cast<std::size_t>(in.gcount()));
    return content;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// HID_ID=0003:0000093A:0000822A (bus, vendor, product in hex).
bool ParseHidId(const std::string& uevent, std::uint16_t& vendor, std::uint16_t& product) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        unsigned bus = 0, v = 0, p = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &v, &p) != 3) return false;
        vendor = static_cast<std::uint16_t>(v);
        product = static_cast<std::uint16_t>(p);
        return true;
    }
    return false;
}

std::string UeventValue(const std::string& uevent, const std::string& key) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0) return Trimmed(line.substr(key.size() + 1));
    }
    return {};
}

class HidrawHandle final : public HidHandle {
public:
    explicit HidrawHandle(int fd) : fd_(fd) {}
    ~HidrawHandle() override { close(fd_); }
    bool SetFeature(const std::uint8_t* report, std::size_t length) override {
        return ioctl(fd_, HIDIOCSFEATURE(length), report) >= 0;
    }
    bool GetFeature(std::uint8_t* report, std::size_t length) override {
        return ioctl(fd_, HIDIOCGFEATURE(length), report) >= 0;
    }

private:
    int fd_;
};

class HidrawBus final : public HidBus {
public:
    HidrawBus(std::string sysfsRoot, std::string deviceRoot)
        : sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)) {}

    std::vector<HidInterfaceInfo> Enumerate() override {
        std::vector<fs::path> nodes;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(sysfsRoot_, error)) {
            if (entry.path().filename().string().rfind("hidraw", 0) == 0) nodes.push_back(entry.path());
        }
        // hidraw2 before hidraw10, so that the order is stable and natural.
        std::sort(nodes.begin(), nodes.end(), [](const fs::path& a, const fs::path& b) {
            std::string x = a.filename().string(), y = b.filename().string();
            return x.size() != y.size() ? x.size() < y.size() : x < y;
        });
        std::vector<HidInterfaceInfo> result;
        for (const fs::path& node : nodes) AddNode(node, result);
        return result;
    }

    std::unique_ptr<HidHandle> Open(const std::u16string& path, HidAccess access) override {
        const std::string native = Utf16ToUtf8(path);
        // O_PATH stands in for an open without access rights: the node is held, but every
        // report call through it fails.
        int fd = open(native.c_str(), (access == HidAccess::kReadWrite ? O_RDWR : O_PATH) | O_CLOEXEC);
        if (fd < 0) return nullptr;
        return std::make_unique<HidrawHandle>(fd);
    }

private:
    void AddNode(const fs::path& node, std::vector<HidInterfaceInfo>& result) const {
        const fs::path device = node / "device";
        const std::string uevent = ReadSmallFile(device / "uevent");
        std::uint16_t vendor = 0, product = 0;
        if (!ParseHidId(uevent, vendor, product)) return;
        const std::string descriptor = ReadSmallFile(device / "report_descriptor", 4096);

        HidInterfaceInfo info;
        info.path = Utf8ToUtf16(deviceRoot_ + "/" + node.filename().string());
        info.vendorId = vendor;
        info.productId = product;
        info.product = Utf8ToUtf16(UeventValue(uevent, "HID_NAME"));
        // The USB device above the interface carries the strings and the release number.
        std::error_code error;
        fs::path usb = fs::canonical(device, error);
        for (int up = 0; !error && up < 8 && !usb.empty() && usb != usb.root_path(); ++up, usb = usb.parent_path()) {
            if (!fs::exists(usb / "idVendor")) continue;
            const std::string manufacturer = Trimmed(ReadSmallFile(usb / "manufacturer", 512));
            const std::string productName = Trimmed(ReadSmallFile(usb / "product", 512));
            if (!productName.empty()) info.product = Utf8ToUtf16(productName);
            info.manufacturer = Utf8ToUtf16(manufacturer);
            info.versionNumber = static_cast<std::uint16_t>(std::strtoul(ReadSmallFile(usb / "bcdDevice", 16).c_str(), nullptr, 16));
            break;
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(descriptor.data());
        for (HidCollection& collection : ParseReportDescriptor({bytes, descriptor.size()})) {
            HidInterfaceInfo record = info;
            record.collection = std::move(collection);
            result.push_back(std::move(record));
        }
    }

    std::string sysfsRoot_;
    std::string deviceRoot_;
};

}  // namespace

std::unique_ptr<HidBus> MakeSystemHidBus(const std::string& sysfsRoot, const std::string& deviceRoot) {
    return std::make_unique<HidrawBus>(sysfsRoot, deviceRoot);
}

}  // namespace kivu::platform
