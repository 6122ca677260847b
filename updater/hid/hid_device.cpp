#include "updater/hid/hid_device.h"

#include <string>

#include "platform/debug_output.h"
#include "platform/text.h"

namespace kivu::hid {

using platform::HidReportType;

bool EnumerateInterfaces(HidInterfaceList& list, std::uint16_t vendorId, std::uint16_t productId) {
    list = HidInterfaceList{};
    list.wantedVendorId = vendorId;
    list.wantedProductId = productId;
    bool found = false;
    for (platform::HidInterfaceInfo& info : platform::CurrentHidBus().Enumerate()) {
        if (info.vendorId != vendorId || info.productId != productId) continue;
        found = true;
        list.lastAttributes = {12, info.vendorId, info.productId, info.versionNumber};
        HidInterfaceRecord record;
        record.path = info.path;
        record.capabilities = info.collection.caps;
        record.inputButtonCaps = std::move(info.collection.buttonCaps[0]);
        record.outputButtonCaps = std::move(info.collection.buttonCaps[1]);
        record.featureButtonCaps = std::move(info.collection.buttonCaps[2]);
        record.inputValueCaps = std::move(info.collection.valueCaps[0]);
        record.outputValueCaps = std::move(info.collection.valueCaps[1]);
        record.featureValueCaps = std::move(info.collection.valueCaps[2]);
        // The strings are held in 256 units, as the platform's string queries fill them.
        list.productName = info.product.substr(0, 255);
        list.manufacturerName = info.manufacturer.substr(0, 255);
        list.interfaces.push_back(std::move(record));
        list.count = static_cast<std::int32_t>(list.interfaces.size());
    }
    return found;
}

namespace {

std::uint16_t ByteLength(const HidInterfaceRecord& record, HidReportType type) {
    switch (type) {
        case HidReportType::kInput: return record.capabilities.inputReportByteLength;
        case HidReportType::kOutput: return record.capabilities.outputReportByteLength;
        default: return record.capabilities.featureReportByteLength;
    }
}

const std::vector<platform::HidCapRecord>& Caps(const HidInterfaceRecord& record, HidReportType type, bool value) {
    switch (type) {
        case HidReportType::kInput: return value ? record.inputValueCaps : record.inputButtonCaps;
        case HidReportType::kOutput: return value ? record.outputValueCaps : record.outputButtonCaps;
        default: return value ? record.featureValueCaps : record.featureButtonCaps;
    }
}

struct Criterion {
    HidReportType type;
    bool value;               // value capabilities (else buttons)
    std::uint8_t reportId;
    std::uint16_t length;
};

}  // namespace

bool SelectCollection(const HidInterfaceList& list, HidLink& link) {
    const Criterion criteria[] = {
        {HidReportType::kInput, true, link.inputValueReportId, link.inputReportLength},
        {HidReportType::kOutput, true, link.outputValueReportId, link.outputReportLength},
        {HidReportType::kFeature, true, link.featureValueReportId, link.featureReportLength},
        {HidReportType::kInput, false, link.inputButtonReportId, link.inputButtonReportLength},
        {HidReportType::kOutput, false, link.outputButtonReportId, link.outputButtonReportLength},
        {HidReportType::kFeature, false, link.featureButtonReportId, link.featureButtonReportLength},
    };
    for (const HidInterfaceRecord& record : list.interfaces) {
        bool passes = true;
        if (link.usage != 0 && link.usagePage != 0) {
            passes = record.capabilities.usage == link.usage && record.capabilities.usagePage == link.usagePage;
        }
        for (const Criterion& c : criteria) {
            if (c.reportId != 0) {
                const auto& caps = Caps(record, c.type, c.value);
                passes = passes && !caps.empty() && caps.front().reportId == c.reportId;
                link.selectedReportLength = passes ? ByteLength(record, c.type) : 0;
                // A report that cannot fit lastReply would overflow it: such a device is refused.
                if (link.selectedReportLength > kMaxReportLength) {
                    passes = false;
                    link.selectedReportLength = 0;
                }
            }
            if (c.length != 0) {
                passes = passes && ByteLength(record, c.type) == c.length;
                link.selectedReportLength = passes ? ByteLength(record, c.type) : 0;
            }
        }
        if (passes) {
            link.path = record.path;
            return true;
        }
    }
    return false;
}

bool OpenLink(HidLink& link) {
    link.handle.reset();
    platform::HidBus& bus = platform::CurrentHidBus();
    link.handle = bus.Open(link.path, platform::HidAccess::kReadWrite);
    if (!link.handle) link.handle = bus.Open(link.path, platform::HidAccess::kNone);
    return link.handle != nullptr;
}

bool SendData2Dev(platform::HidHandle* handle, const std::uint8_t* report, std::size_t length,
                  std::int32_t retryLimit) {
    if (handle == nullptr || !handle->SetFeature(report, length)) {
        platform::DebugOutput(u"SendData2Dev false,Count:" + platform::Utf8ToUtf16(std::to_string(retryLimit)));
    }
    return true;
}

bool ReadReport(platform::HidHandle* handle, std::uint8_t* report, std::size_t length) {
    return handle != nullptr && handle->GetFeature(report, length);
}

}  // namespace kivu::hid
