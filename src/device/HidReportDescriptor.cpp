// SPDX-License-Identifier: GPL-2.0-or-later
// HID report descriptor parser (HID 1.11, section 6.2.2): walks the items once, without recursion,
// and sums the report bits per top-level collection and report ID.
//
// Policy: lenient where the Linux HID core is lenient and nothing we compute depends on it
// (reserved tags, unknown main items such as trailing 0x00 padding, Usage Page values above 16
// bits), strict where report routing or sizing would otherwise be guessed: data items outside
// any collection, data items without a report ID in a descriptor that numbers its reports,
// report ID 0, unbalanced collections, absurd report sizes.
#include "device/HidReportDescriptor.h"

#include <array>
#include <cstdio>
#include <utility>

namespace {

// Item prefixes (HID 1.11, 6.2.2.2): bits 0-1 size code, bits 2-3 type, bits 4-7 tag.
enum ItemType : uint8_t { kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2, kTypeReserved = 3 };

enum MainTag : uint8_t {
    kMainInput = 0x8,
    kMainOutput = 0x9,
    kMainCollection = 0xA,
    kMainFeature = 0xB,
    kMainEndCollection = 0xC,
};

enum GlobalTag : uint8_t {
    kGlobalUsagePage = 0x0,
    kGlobalReportSize = 0x7,
    kGlobalReportId = 0x8,
    kGlobalReportCount = 0x9,
    kGlobalPush = 0xA,
    kGlobalPop = 0xB,
};

enum LocalTag : uint8_t { kLocalUsage = 0x0 };

constexpr uint8_t kLongItemPrefix = 0xFE;

// Nesting limits: real descriptors nest collections 3 to 5 deep and rarely push at all.
constexpr unsigned kMaxCollectionDepth = 64;
constexpr size_t kMaxPushDepth = 16;
// The longest report whose byte length, report ID byte included, still fits the uint16_t fields.
constexpr uint64_t kMaxReportBits = (UINT16_MAX - 1) * 8ull;

enum ReportType { kInput = 0, kOutput = 1, kFeature = 2, kReportTypeCount = 3 };

struct GlobalState {
    uint16_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// Bits declared so far for one report ID in the current top-level collection.
struct ReportBits {
    std::array<uint32_t, kReportTypeCount> bits{};
    std::array<bool, kReportTypeCount> present{};
};

class CParser {
  public:
    explicit CParser(std::span<const uint8_t> descriptor) : m_data(descriptor) {}

    HidDescriptorInfo Run() {
        if (m_data.empty()) {
            Fail("empty descriptor");
            return Finish();
        }
        size_t pos = 0;
        while (pos < m_data.size()) {
            const size_t itemOffset = pos;
            const uint8_t prefix = m_data[pos++];
            if (prefix == kLongItemPrefix) {
                // Long item: bDataSize, bLongItemTag, data. No long item tags are defined; skip.
                if (m_data.size() - pos < 2) {
                    FailAt("truncated long item", itemOffset);
                    return Finish();
                }
                const size_t dataSize = m_data[pos];
                pos += 2;
                if (m_data.size() - pos < dataSize) {
                    FailAt("truncated long item data", itemOffset);
                    return Finish();
                }
                pos += dataSize;
                continue;
            }
            static constexpr size_t kSizes[4] = {0, 1, 2, 4};
            const size_t size = kSizes[prefix & 0x3];
            if (m_data.size() - pos < size) {
                FailAt("truncated item", itemOffset);
                return Finish();
            }
            uint32_t value = 0;
            for (size_t i = 0; i < size; ++i)
                value |= static_cast<uint32_t>(m_data[pos + i]) << (8 * i);
            pos += size;

            const uint8_t type = (prefix >> 2) & 0x3;
            const uint8_t tag = prefix >> 4;
            bool ok = true;
            switch (type) {
                case kTypeMain:
                    ok = Main(tag, itemOffset);
                    break;
                case kTypeGlobal:
                    ok = Global(tag, value, size, itemOffset);
                    break;
                case kTypeLocal:
                    Local(tag, value, size);
                    break;
                default:
                    break;  // reserved item type: ignored
            }
            if (!ok)
                return Finish();
        }
        if (m_depth != 0) {
            char text[96];
            std::snprintf(text, sizeof text, "%u collection(s) not closed at end of descriptor",
                          m_depth);
            Fail(text);
        } else if (m_info.collections.empty()) {
            Fail("no top-level collection");
        } else {
            m_info.ok = true;
        }
        return Finish();
    }

  private:
    bool Main(uint8_t tag, size_t offset) {
        switch (tag) {
            case kMainInput:
                return Data(kInput, offset);
            case kMainOutput:
                return Data(kOutput, offset);
            case kMainFeature:
                return Data(kFeature, offset);
            case kMainCollection: {
                if (m_depth >= kMaxCollectionDepth)
                    return FailAt("collections nested too deep", offset);
                if (m_depth == 0)
                    OpenTopLevel();
                ++m_depth;
                break;
            }
            case kMainEndCollection: {
                if (m_depth == 0)
                    return FailAt("End Collection without Collection", offset);
                if (--m_depth == 0)
                    CloseTopLevel();
                break;
            }
            default:
                break;  // reserved main tag (e.g. 0x00 padding): ignored, as Linux does
        }
        ClearLocal();
        return true;
    }

    bool Data(ReportType reportType, size_t offset) {
        ClearLocal();
        if (m_depth == 0)
            return FailAt("Input/Output/Feature item outside any collection", offset);
        if (m_global.reportId == 0) {
            if (m_info.usesReportIds)
                return FailAt("Input/Output/Feature item without a Report ID when others have one",
                              offset);
            m_dataWithoutId = true;
        }
        // Both factors are below 2^32, so the product fits in 64 bits.
        const uint64_t fieldBits = uint64_t{m_global.reportSize} * m_global.reportCount;
        ReportBits& report = m_reports[m_global.reportId];
        const uint64_t total = report.bits[reportType] + fieldBits;
        if (fieldBits > kMaxReportBits || total > kMaxReportBits) {
            char text[128];
            std::snprintf(text, sizeof text,
                          "report %u too long (Report Size %u x Report Count %u) at offset %zu",
                          m_global.reportId, m_global.reportSize, m_global.reportCount, offset);
            return Fail(text);
        }
        report.bits[reportType] = static_cast<uint32_t>(total);
        report.present[reportType] = true;
        return true;
    }

    bool Global(uint8_t tag, uint32_t value, size_t size, size_t offset) {
        switch (tag) {
            case kGlobalUsagePage:
                m_global.usagePage = static_cast<uint16_t>(value);
                break;
            case kGlobalReportSize:
                m_global.reportSize = value;
                break;
            case kGlobalReportCount:
                m_global.reportCount = value;
                break;
            case kGlobalReportId: {
                if (size == 0 || value == 0 || value > 0xFF)
                    return FailAt("invalid Report ID (must be 1..255)", offset);
                if (m_dataWithoutId)
                    return FailAt("Report ID after Input/Output/Feature items without one", offset);
                m_global.reportId = static_cast<uint8_t>(value);
                m_info.usesReportIds = true;
                break;
            }
            case kGlobalPush: {
                if (m_stackSize == kMaxPushDepth)
                    return FailAt("Push nested too deep", offset);
                m_stack[m_stackSize++] = m_global;
                break;
            }
            case kGlobalPop: {
                if (m_stackSize == 0)
                    return FailAt("Pop without Push", offset);
                m_global = m_stack[--m_stackSize];
                break;
            }
            default:
                break;  // logical/physical extents, unit, reserved: not needed here
        }
        return true;
    }

    void Local(uint8_t tag, uint32_t value, size_t size) {
        // Only the usage of a collection matters here, and a collection takes the first usage of
        // its local state (Linux hid-core does the same). A 4-byte usage carries its own page;
        // a shorter one takes the Usage Page in force when the main item comes.
        if (tag != kLocalUsage || m_hasUsage)
            return;
        m_hasUsage = true;
        m_usageExtended = size == 4;
        m_usage = value;
    }

    void ClearLocal() { m_hasUsage = false; }

    void OpenTopLevel() {
        HidTopLevelCollection collection;
        if (!m_hasUsage) {
            collection.usagePage = m_global.usagePage;
        } else if (m_usageExtended) {
            collection.usagePage = static_cast<uint16_t>(m_usage >> 16);
            collection.usage = static_cast<uint16_t>(m_usage);
        } else {
            collection.usagePage = m_global.usagePage;
            collection.usage = static_cast<uint16_t>(m_usage);
        }
        m_info.collections.push_back(std::move(collection));
        m_reports.fill(ReportBits{});
        m_open = true;
    }

    // Turns the bit counts of the current top-level collection into its report IDs and lengths.
    void CloseTopLevel() {
        if (!m_open)
            return;
        m_open = false;
        HidTopLevelCollection& collection = m_info.collections.back();
        std::array<uint16_t*, kReportTypeCount> lengths = {&collection.inputReportLength,
                                                           &collection.outputReportLength,
                                                           &collection.featureReportLength};
        for (size_t id = 0; id < m_reports.size(); ++id) {
            const ReportBits& report = m_reports[id];
            bool used = false;
            for (size_t type = 0; type < kReportTypeCount; ++type) {
                if (!report.present[type])
                    continue;
                used = true;
                // The report ID byte is counted even without report IDs, as Windows does.
                const uint32_t bytes = (report.bits[type] + 7) / 8 + 1;
                if (bytes > *lengths[type])
                    *lengths[type] = static_cast<uint16_t>(bytes);
            }
            if (used && id != 0)
                collection.reportIds.push_back(static_cast<uint8_t>(id));
        }
    }

    // Both record the first error and return false, for "return Fail(...)" in the handlers.
    bool FailAt(const char* what, size_t offset) {
        char text[128];
        std::snprintf(text, sizeof text, "%s at offset %zu", what, offset);
        return Fail(text);
    }

    bool Fail(const std::string& text) {
        m_info.ok = false;
        m_info.error = text;
        return false;
    }

    // Keeps what was parsed so far (for diagnostics), the open collection included.
    HidDescriptorInfo Finish() {
        CloseTopLevel();
        return std::move(m_info);
    }

    std::span<const uint8_t> m_data;
    HidDescriptorInfo m_info;
    GlobalState m_global;
    std::array<GlobalState, kMaxPushDepth> m_stack{};
    size_t m_stackSize = 0;
    unsigned m_depth = 0;
    bool m_open = false;  // a top-level collection is open and m_reports belongs to it
    bool m_dataWithoutId = false;
    bool m_hasUsage = false;
    bool m_usageExtended = false;
    uint32_t m_usage = 0;
    std::array<ReportBits, 256> m_reports{};
};

}  // namespace

int HidDescriptorInfo::CollectionOfInputReport(uint8_t reportId) const {
    if (collections.empty())
        return -1;
    // Without report IDs the HID rules allow one top-level collection; its reports are all ID 0.
    if (!usesReportIds)
        return 0;
    for (size_t i = 0; i < collections.size(); ++i) {
        for (uint8_t id : collections[i].reportIds)
            if (id == reportId)
                return static_cast<int>(i);
    }
    return -1;
}

HidDescriptorInfo ParseHidReportDescriptor(std::span<const uint8_t> descriptor) {
    try {
        return CParser(descriptor).Run();
    } catch (...) {  // only std::bad_alloc can get here
        HidDescriptorInfo info;
        info.error = "out of memory while parsing the report descriptor";
        return info;
    }
}
