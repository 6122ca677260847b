// Kivu Updata devices [--json]: the present HID interfaces, one per top-level collection.
#include <cstdio>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "platform/hid_bus.h"

namespace kivu::cli {

int RunDevicesCommand(std::span<const std::string> args) {
    bool json = false;
    if (!ParseJsonOnly(args, "devices", json)) return kExitUsage;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const std::vector<platform::HidInterfaceInfo> interfaces = platform::CurrentHidBus().Enumerate();
    for (const platform::HidInterfaceInfo& info : interfaces) {
        const platform::HidCaps& caps = info.collection.caps;
        const auto& featureValues = info.collection.valueCaps[static_cast<int>(platform::HidReportType::kFeature)];
        nlohmann::ordered_json reportId = nullptr;
        if (!featureValues.empty()) reportId = featureValues.front().reportId;
        if (json) {
            list.push_back({{"path", Utf8(info.path)},
                            {"vid", info.vendorId},
                            {"pid", info.productId},
                            {"product", Utf8(info.product)},
                            {"manufacturer", Utf8(info.manufacturer)},
                            {"usage_page", caps.usagePage},
                            {"usage", caps.usage},
                            {"input_length", caps.inputReportByteLength},
                            {"output_length", caps.outputReportByteLength},
                            {"feature_length", caps.featureReportByteLength},
                            {"feature_value_report_id", reportId}});
        } else {
            std::printf("%s  %04X:%04X  usage %04X:%04X  input %u output %u feature %u  feature report %s  %s / %s\n",
                        Utf8(info.path).c_str(), info.vendorId, info.productId, caps.usagePage, caps.usage,
                        caps.inputReportByteLength, caps.outputReportByteLength, caps.featureReportByteLength,
                        reportId.is_null() ? "-" : std::to_string(reportId.get<int>()).c_str(),
                        Utf8(info.manufacturer).c_str(), Utf8(info.product).c_str());
        }
    }
    if (json) {
        PrintJson(list);
    } else if (interfaces.empty()) {
        std::printf("No HID interface is present.\n");
    }
    return kExitOk;
}

}  // namespace kivu::cli
