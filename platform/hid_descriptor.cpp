#include "platform/hid_descriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace kivu::platform {

namespace {

struct Globals {
    std::uint16_t usagePage = 0;
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

constexpr std::size_t kMaxLocalUsages = 256;

struct Locals {
    std::uint32_t usageCount = 0;
    std::array<std::uint16_t, kMaxLocalUsages> usages{};  // the first ones, in order
    std::uint16_t firstUsage = 0;
    std::uint16_t firstUsagePage = 0;  // from an extended (32-bit) usage; 0 when none
    bool hasMin = false, hasMax = false;
    std::uint16_t usageMin = 0, usageMax = 0;
};

constexpr std::size_t kMaxPushDepth = 32;
constexpr std::uint32_t kMaxFieldValue = 0xFFFF;

// Bits per report id and report kind inside one top-level collection.
struct ReportBits {
    std::map<std::uint8_t, std::uint64_t> bits[3];
};

std::uint16_t ReportByteLength(const std::map<std::uint8_t, std::uint64_t>& bits) {
    std::uint64_t longest = 0;
    for (const auto& [id, count] : bits) longest = std::max(longest, (count + 7) / 8);
    if (bits.empty()) return 0;
    // Windows counts the report id byte even for a collection without report ids.
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(longest + 1, 0xFFFF));
}

}  // namespace

std::vector<HidCollection> ParseReportDescriptor(std::span<const std::uint8_t> d) {
    std::vector<HidCollection> collections;
    std::vector<ReportBits> bits;
    Globals globals;
    std::vector<Globals> stack;
    Locals locals;
    std::size_t depth = 0;
    bool inCollection = false;  // inside a top-level collection that was kept

    std::size_t i = 0;
    while (i < d.size()) {
        const std::uint8_t prefix = d[i];
        if (prefix == 0xFE) {
            // A long item: its data size is in the next byte; no long item tags are defined.
            if (i + 2 >= d.size()) break;
            i += 3 + d[i + 1];
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + size > d.size()) break;
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < size; ++k) value |= static_cast<std::uint32_t>(d[i + 1 + k]) << (8 * k);
        std::int32_t signedValue = static_cast<std::int32_t>(value);
        if (size == 1) signedValue = static_cast<std::int8_t>(value);
        if (size == 2) signedValue = static_cast<std::int16_t>(value);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        i += 1 + size;

        if (type == 1) {  // global
            switch (tag) {
                case 0: globals.usagePage = static_cast<std::uint16_t>(value); break;
                case 1: globals.logicalMin = signedValue; break;
                case 2:
                    // A maximum written without its sign bit in mind (0xFF for 0..255) reads unsigned.
                    globals.logicalMax = (globals.logicalMin >= 0 && signedValue < 0) ? static_cast<std::int32_t>(value) : signedValue;
                    break;
                case 7: globals.reportSize = std::min(value, kMaxFieldValue); break;
                case 8: globals.reportId = static_cast<std::uint8_t>(value); break;
                case 9: globals.reportCount = std::min(value, kMaxFieldValue); break;
                case 10:
                    if (stack.size() < kMaxPushDepth) stack.push_back(globals);
                    break;
                case 11:
                    if (!stack.empty()) {
                        globals = stack.back();
                        stack.pop_back();
                    }
                    break;
                default: break;
            }
            continue;
        }
        if (type == 2) {  // local
            const auto usage = static_cast<std::uint16_t>(value & 0xFFFF);
            const auto page = size == 4 ? static_cast<std::uint16_t>(value >> 16) : std::uint16_t{0};
            if (tag == 0) {
                if (locals.usageCount == 0) {
                    locals.firstUsage = usage;
                    locals.firstUsagePage = page;
                }
                if (locals.usageCount < kMaxLocalUsages) locals.usages[locals.usageCount] = usage;
                if (locals.usageCount < 0xFFFFFFFFu) ++locals.usageCount;
            } else if (tag == 1) {
                locals.hasMin = true;
                locals.usageMin = usage;
                if (locals.firstUsagePage == 0) locals.firstUsagePage = page;
            } else if (tag == 2) {
                locals.hasMax = true;
                locals.usageMax = usage;
            }
            continue;
        }
        if (type != 0) continue;  // reserved

        switch (tag) {
            case 0xA:  // collection
                if (depth == 0) {
                    inCollection = collections.size() < kMaxHidCollections;
                    if (inCollection) {
                        HidCollection collection;
                        collection.caps.usagePage = locals.firstUsagePage != 0 ? locals.firstUsagePage : globals.usagePage;
                        collection.caps.usage = locals.usageCount > 0 ? locals.firstUsage : locals.usageMin;
                        collections.push_back(std::move(collection));
                        bits.emplace_back();
                    }
                }
                if (depth < 0xFFFF) ++depth;
                break;
            case 0xC:  // end collection
                if (depth > 0) --depth;
                if (depth == 0) inCollection = false;
                break;
            case 0x8:
            case 0x9:
            case 0xB: {
                if (!inCollection) break;
                const int kind = tag == 0x8 ? 0 : tag == 0x9 ? 1 : 2;
                HidCollection& collection = collections.back();
                bits.back().bits[kind][globals.reportId] +=
                    static_cast<std::uint64_t>(globals.reportSize) * globals.reportCount;
                const bool constant = value & 1;
                if (constant) break;
                const bool array = !(value & 2);
                HidCapRecord cap;
                cap.usagePage = locals.firstUsagePage != 0 ? locals.firstUsagePage : globals.usagePage;
                cap.reportId = globals.reportId;
                cap.bitSize = static_cast<std::uint16_t>(globals.reportSize);
                cap.reportCount = static_cast<std::uint16_t>(globals.reportCount);
                cap.logicalMin = globals.logicalMin;
                cap.logicalMax = globals.logicalMax;
                auto& target = (array || globals.reportSize == 1) ? collection.buttonCaps[kind] : collection.valueCaps[kind];
                std::size_t total = 0;
                for (int k = 0; k < 3; ++k) total += collection.buttonCaps[k].size() + collection.valueCaps[k].size();
                auto add = [&](HidCapRecord record) {
                    if (total < kMaxHidCapsPerCollection) {
                        target.push_back(record);
                        ++total;
                    }
                };
                const std::size_t listed = std::min<std::size_t>(locals.usageCount, kMaxLocalUsages);
                if ((locals.hasMin && locals.hasMax) || listed == 0) {
                    cap.isRange = locals.hasMin && locals.hasMax;
                    cap.usageMin = locals.usageMin;
                    cap.usageMax = cap.isRange ? locals.usageMax : locals.usageMin;
                    add(cap);
                } else if (array) {
                    // An array of listed usages: one record per usage, as the Windows parser makes.
                    for (std::size_t u = 0; u < listed; ++u) {
                        cap.usageMin = cap.usageMax = locals.usages[u];
                        add(cap);
                    }
                } else {
                    // Variable fields take the listed usages in turn; the last usage takes the rest.
                    const std::size_t fields = std::max<std::size_t>(1, std::min<std::size_t>(listed, globals.reportCount));
                    for (std::size_t u = 0; u < fields; ++u) {
                        cap.usageMin = cap.usageMax = locals.usages[u];
                        cap.reportCount = static_cast<std::uint16_t>(
                            u + 1 < fields ? 1 : std::max<std::uint32_t>(1, globals.reportCount - static_cast<std::uint32_t>(fields - 1)));
                        add(cap);
                    }
                }
                break;
            }
            default: break;
        }
        locals = Locals{};
    }

    for (std::size_t c = 0; c < collections.size(); ++c) {
        HidCaps& caps = collections[c].caps;
        caps.inputReportByteLength = ReportByteLength(bits[c].bits[0]);
        caps.outputReportByteLength = ReportByteLength(bits[c].bits[1]);
        caps.featureReportByteLength = ReportByteLength(bits[c].bits[2]);
        caps.numberInputButtonCaps = static_cast<std::uint16_t>(collections[c].buttonCaps[0].size());
        caps.numberOutputButtonCaps = static_cast<std::uint16_t>(collections[c].buttonCaps[1].size());
        caps.numberFeatureButtonCaps = static_cast<std::uint16_t>(collections[c].buttonCaps[2].size());
        caps.numberInputValueCaps = static_cast<std::uint16_t>(collections[c].valueCaps[0].size());
        caps.numberOutputValueCaps = static_cast<std::uint16_t>(collections[c].valueCaps[1].size());
        caps.numberFeatureValueCaps = static_cast<std::uint16_t>(collections[c].valueCaps[2].size());
    }
    return collections;
}

}  // namespace kivu::platform
