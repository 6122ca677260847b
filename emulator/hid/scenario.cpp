// Reading a scenario file into the emulated bus's devices.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "emulator/hid/emulated_bus.h"

namespace kivu::emulator {

namespace {

using nlohmann::json;

struct ScenarioError {
    std::string message;
};

// A number written as a JSON number or as a text ("0x093A", "258").
std::uint64_t Number(const json& value, const std::string& where, std::uint64_t maximum) {
    std::uint64_t number = 0;
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
        number = value.get<std::uint64_t>();
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::size_t used = 0;
        try {
            number = std::stoull(text, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size()) throw ScenarioError{where + ": '" + text + "' is not a number"};
    } else {
        throw ScenarioError{where + ": a number is expected"};
    }
    if (number > maximum) throw ScenarioError{where + ": " + std::to_string(number) + " is too large"};
    return number;
}

std::string Text(const json& value, const std::string& where) {
    if (!value.is_string()) throw ScenarioError{where + ": a text is expected"};
    return value.get<std::string>();
}

std::string PathBeside(const std::filesystem::path& folder, const std::string& name) {
    std::filesystem::path path(name);
    return (path.is_absolute() ? path : folder / path).string();
}

std::vector<std::uint8_t> HexBytes(const std::string& text, const std::string& where) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits.push_back(c);
        } else if (c != ' ' && c != ',' && c != '\n' && c != '\t') {
            throw ScenarioError{where + ": '" + std::string(1, c) + "' is not a hex digit"};
        }
        if (digits.size() == 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    if (!digits.empty()) throw ScenarioError{where + ": an odd number of hex digits"};
    if (bytes.size() > 4096) throw ScenarioError{where + ": longer than 4096 bytes"};
    return bytes;
}

OtaFault ReadFault(const json& item, const std::string& where) {
    if (!item.is_object()) throw ScenarioError{where + ": an object is expected"};
    OtaFault fault;
    const std::string kind = Text(item.value("kind", json()), where + ".kind");
    if (kind == "drop_reply") {
        fault.kind = OtaFault::Kind::kDropReply;
    } else if (kind == "status") {
        fault.kind = OtaFault::Kind::kStatus;
        fault.value = static_cast<std::uint8_t>(Number(item.value("value", json(1)), where + ".value", 255));
    } else if (kind == "stale_echo") {
        fault.kind = OtaFault::Kind::kStaleEcho;
    } else if (kind == "unplug_after_content") {
        fault.kind = OtaFault::Kind::kUnplugAfterContent;
        fault.packets = static_cast<int>(Number(item.value("packets", json()), where + ".packets", 1u << 30));
        fault.times = 1;
        return fault;
    } else {
        throw ScenarioError{where + ".kind: unknown fault '" + kind + "'"};
    }
    if (item.contains("command")) fault.command = static_cast<int>(Number(item["command"], where + ".command", 255));
    fault.times = static_cast<int>(Number(item.value("times", json(1)), where + ".times", 1u << 30));
    fault.skip = static_cast<int>(Number(item.value("skip", json(0)), where + ".skip", 1u << 30));
    return fault;
}

EmulatedDeviceConfig ReadDevice(const json& item, const std::filesystem::path& folder, const std::string& where) {
    if (!item.is_object()) throw ScenarioError{where + ": an object is expected"};
    EmulatedDeviceConfig device;
    device.vendorId = static_cast<std::uint16_t>(Number(item.value("vid", json()), where + ".vid", 0xFFFF));
    device.productId = static_cast<std::uint16_t>(Number(item.value("pid", json()), where + ".pid", 0xFFFF));
    if (item.contains("version")) {
        device.versionNumber = static_cast<std::uint16_t>(Number(item["version"], where + ".version", 0xFFFF));
    }
    if (item.contains("product")) device.product = Text(item["product"], where + ".product");
    if (item.contains("manufacturer")) device.manufacturer = Text(item["manufacturer"], where + ".manufacturer");
    if (item.contains("feature_length")) {
        device.featureLength = static_cast<std::uint16_t>(Number(item["feature_length"], where + ".feature_length", 0xFFFF));
        if (device.featureLength < 2) throw ScenarioError{where + ".feature_length: at least 2"};
    }
    if (item.contains("report_descriptor")) {
        device.reportDescriptor = HexBytes(Text(item["report_descriptor"], where + ".report_descriptor"),
                                           where + ".report_descriptor");
    }
    if (item.contains("ota")) {
        const json& ota = item["ota"];
        const std::string at = where + ".ota";
        if (!ota.is_object()) throw ScenarioError{at + ": an object is expected"};
        OtaConfig config;
        if (ota.contains("object_size")) config.objectSize = static_cast<std::uint32_t>(Number(ota["object_size"], at + ".object_size", 0xFFFFFFFF));
        if (ota.contains("chunk_size")) config.chunkSize = static_cast<std::uint16_t>(Number(ota["chunk_size"], at + ".chunk_size", 0xFFFF));
        if (ota.contains("packets_per_check")) config.packetsPerCheck = static_cast<std::uint16_t>(Number(ota["packets_per_check"], at + ".packets_per_check", 0xFFFF));
        if (ota.contains("info_text")) config.infoText = Text(ota["info_text"], at + ".info_text");
        if (ota.contains("info_number")) config.infoNumber = static_cast<std::uint16_t>(Number(ota["info_number"], at + ".info_number", 0xFFFF));
        if (ota.contains("trace")) device.tracePath = PathBeside(folder, Text(ota["trace"], at + ".trace"));
        if (ota.contains("received_image")) config.receivedImagePath = PathBeside(folder, Text(ota["received_image"], at + ".received_image"));
        if (ota.contains("faults")) {
            if (!ota["faults"].is_array()) throw ScenarioError{at + ".faults: an array is expected"};
            for (std::size_t k = 0; k < ota["faults"].size(); ++k) {
                config.faults.push_back(ReadFault(ota["faults"][k], at + ".faults[" + std::to_string(k) + "]"));
            }
        }
        device.ota = std::move(config);
    }
    return device;
}

}  // namespace

std::unique_ptr<EmulatedBus> EmulatedBus::FromScenarioFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the scenario file " + path;
        return nullptr;
    }
    try {
        const json scenario = json::parse(in);
        if (!scenario.is_object() || !scenario.contains("devices") || !scenario["devices"].is_array()) {
            throw ScenarioError{"the scenario needs an array \"devices\""};
        }
        const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
        std::vector<EmulatedDeviceConfig> devices;
        for (std::size_t i = 0; i < scenario["devices"].size(); ++i) {
            devices.push_back(ReadDevice(scenario["devices"][i], folder, "devices[" + std::to_string(i) + "]"));
        }
        return std::make_unique<EmulatedBus>(std::move(devices));
    } catch (const json::exception& e) {
        error = path + ": " + e.what();
    } catch (const ScenarioError& e) {
        error = path + ": " + e.message;
    }
    return nullptr;
}

}  // namespace kivu::emulator
