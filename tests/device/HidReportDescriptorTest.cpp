// SPDX-License-Identifier: GPL-2.0-or-later
// HID report descriptor parser: real descriptors of mice, receivers and keyboards (fixtures under
// tests/fixtures/descriptors, expected values worked out by hand from the items), item-level
// cases, and malformed input that must fail cleanly.
#include "device/HidReportDescriptor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef KESTRUNE_FIXTURES_DIR
#error "KESTRUNE_FIXTURES_DIR must name the tests/fixtures directory"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// Fixture format: hex byte pairs separated by white space; '#' starts a comment. A comment
// "# N bytes" states the descriptor length and is checked.
Bytes LoadDescriptorFixture(const std::string& name) {
    const std::string path = std::string(KESTRUNE_FIXTURES_DIR) + "/descriptors/" + name;
    std::ifstream file(path);
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    Bytes bytes;
    long statedLength = -1;
    std::string line;
    while (std::getline(file, line)) {
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            std::istringstream comment(line.substr(hash + 1));
            long n = 0;
            std::string word, extra;
            if (comment >> n >> word && word == "bytes" && !(comment >> extra))
                statedLength = n;
            line.resize(hash);
        }
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            if (token.size() != 2 || !std::isxdigit(static_cast<unsigned char>(token[0])) ||
                !std::isxdigit(static_cast<unsigned char>(token[1]))) {
                ADD_FAILURE() << path << ": bad token '" << token << "'";
                return {};
            }
            bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
        }
    }
    EXPECT_EQ(statedLength, static_cast<long>(bytes.size())) << path << ": '# N bytes' line";
    return bytes;
}

HidDescriptorInfo Parse(std::initializer_list<uint8_t> bytes) {
    const Bytes data(bytes);
    return ParseHidReportDescriptor(data);
}

HidDescriptorInfo Parse(const Bytes& bytes) {
    return ParseHidReportDescriptor(bytes);
}

// The invariants every result keeps, valid or not.
void ExpectConsistent(const HidDescriptorInfo& info) {
    if (info.ok) {
        EXPECT_TRUE(info.error.empty()) << info.error;
        EXPECT_FALSE(info.collections.empty());
    } else {
        EXPECT_FALSE(info.error.empty());
    }
    for (const HidTopLevelCollection& c : info.collections) {
        for (size_t i = 1; i < c.reportIds.size(); ++i)
            EXPECT_LT(c.reportIds[i - 1], c.reportIds[i]) << "report IDs ascending and unique";
        for (uint8_t id : c.reportIds)
            EXPECT_NE(id, 0);
        if (!info.usesReportIds) {
            EXPECT_TRUE(c.reportIds.empty());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Real descriptors

struct ExpectedCollection {
    uint16_t usagePage;
    uint16_t usage;
    std::vector<uint8_t> reportIds;
    uint16_t input;
    uint16_t output;
    uint16_t feature;
};

struct RealDescriptorCase {
    const char* file;
    bool usesReportIds;
    std::vector<ExpectedCollection> collections;
};

void PrintTo(const RealDescriptorCase& c, std::ostream* os) {
    *os << c.file;
}

// Lengths count the report ID byte, also without report IDs. Worked out per report ID as
// ceil(sum of Report Size x Report Count / 8) + 1; the longest report of a type wins.
const std::vector<RealDescriptorCase> kRealDescriptors = {
    // Wireless receiver, keyboard interface: 8 modifier bits + 8 reserved + 6 x 8 keys = 8 bytes;
    // LEDs 5 + 3 padding bits = 1 byte.
    {"receiver_a_if0_boot_keyboard.hex", false, {{0x0001, 0x0006, {}, 9, 2, 0}}},
    // Mouse report 2: 16 buttons + 2 x 12 (X/Y) + wheel 8 + AC pan 8 = 56 bits.
    // Consumer 3: 2 x 16. System 4: 2 + 6 bits. Vendor 8: 8 bits.
    {"receiver_a_if1_mouse_consumer_system_vendor.hex",
     true,
     {{0x0001, 0x0002, {2}, 8, 0, 0},
      {0x000C, 0x0001, {3}, 5, 0, 0},
      {0x0001, 0x0080, {4}, 2, 0, 0},
      {0xFFBC, 0x0088, {8}, 2, 0, 0}}},
    // Vendor 0x10: 6 bytes, 0x11: 19 bytes, 0x20: 14 bytes and 0x21: 31 bytes, in and out.
    {"receiver_a_if2_vendor_short_long.hex",
     true,
     {{0xFF00, 0x0001, {0x10}, 7, 7, 0},
      {0xFF00, 0x0002, {0x11}, 20, 20, 0},
      {0xFF00, 0x0004, {0x20, 0x21}, 32, 32, 0}}},
    // Keyboard 1: 8 + 14 x 8 bits in, 3 + 5 bits out. Mouse 10: 6 + 2 + 2 x 8 + 8 + 2 x 16 bits.
    // Consumer 2: 16 + 13 x 8. System 3: 3 + 5 + 14 x 8. Reports 4, 5, 8, 9: 15 x 8 bits.
    {"receiver_b_combo_8_collections.hex",
     true,
     {{0x0001, 0x0006, {1}, 16, 2, 0},
      {0x0001, 0x0002, {10}, 9, 0, 0},
      {0x000C, 0x0001, {2}, 16, 0, 0},
      {0x0001, 0x0080, {3}, 16, 0, 0},
      {0x0001, 0x0000, {4}, 16, 0, 0},
      {0x0001, 0x0000, {5}, 16, 0, 0},
      {0x0001, 0x0000, {8}, 16, 0, 0},
      {0x0001, 0x0000, {9}, 16, 0, 0}}},
    // Features 1: 16 + 5 x 32 bits; 2: 16; 3: 16 + 5 x 32 + 5 x 8; 4: 2 x 8 + 8 x 16 + 24 x 8;
    // 5: 8 + 2 x 16 + 3 x 8; 6: 8; 7: 63 x 8 (the longest, 64 bytes). Consumer 8: 8 x 1 bit.
    {"receiver_b_lighting_consumer.hex",
     true,
     {{0x0059, 0x0001, {1, 2, 3, 4, 5, 6, 7}, 0, 0, 64}, {0x000C, 0x0001, {8}, 2, 0, 0}}},
    // Mouse input 0x1a: 5 + 3 + 2 x 16 + wheel 16 + AC pan 16 = 72 bits; feature 0x12 holds the
    // two resolution multipliers (2 + 2 bits) and 4 padding bits. Consumer: input 0x1f 16 bits,
    // feature 0x17: 2 x 2 + 1 + 3 bits.
    {"receiver_c_if1_mouse_consumer.hex",
     true,
     {{0x0001, 0x0002, {0x12, 0x1A}, 10, 0, 2}, {0x000C, 0x0001, {0x17, 0x1F}, 3, 0, 2}}},
    // Mouse 1: 5 + 3 + wheel 8 + AC pan 8 bits; 2: 2 x 12 bits. Consumer 3: 8 x 1 bit.
    {"receiver_d_mouse_consumer.hex",
     true,
     {{0x0001, 0x0002, {1, 2}, 4, 0, 0}, {0x000C, 0x0001, {3}, 2, 0, 0}}},
    // 5 + 3 bits, 2 x 8 vendor, wheel 8, 2 x 16 = 8 bytes; feature 90 bytes.
    {"gaming_mouse_a_if0_mouse_vendor_feature.hex", false, {{0x0001, 0x0002, {}, 9, 0, 91}}},
    // Keyboard 1: 8 + 6 x 8 bits. Consumer 2: 3 x 8 x 1 bit. Vendor 4: 519-byte feature,
    // vendor 7: 7-byte input, vendor 5: 5-byte feature.
    {"gaming_mouse_b_if1_keyboard_consumer_vendor.hex",
     true,
     {{0x0001, 0x0006, {1}, 8, 0, 0},
      {0x000C, 0x0001, {2}, 4, 0, 0},
      {0xFF00, 0x0001, {4}, 0, 0, 520},
      {0xFF00, 0x0001, {7}, 8, 0, 0},
      {0xFF00, 0x0001, {5}, 0, 0, 6}}},
    {"gaming_mouse_c_vendor_no_ids.hex", false, {{0xFF00, 0xFF00, {}, 33, 33, 9}}},
    // 8 + 8 + 6 x 8 bits in, 3 + 5 bits out.
    {"keyboard_a_if0_boot.hex", false, {{0x0001, 0x0006, {}, 9, 2, 0}}},
    {"keyboard_a_if1_vendor_64.hex", false, {{0xFF00, 0x0001, {}, 65, 65, 0}}},
    // System 1: 3 + 5 bits. Consumer 2: 18 x 1 + 14 bits. NKRO keyboard 4: 8 + 232 x 1 bits.
    {"keyboard_a_if2_system_consumer_nkro.hex",
     true,
     {{0x0001, 0x0080, {1}, 2, 0, 0},
      {0x000C, 0x0001, {2}, 5, 0, 0},
      {0x0001, 0x0006, {4}, 31, 0, 0}}},
    // 9 one-bit keys + 7 padding bits.
    {"keyboard_b_if1_media_keys.hex", false, {{0x000C, 0x0001, {}, 3, 0, 0}}},
};

class RealDescriptorTest : public testing::TestWithParam<RealDescriptorCase> {};

TEST_P(RealDescriptorTest, CollectionsReportIdsAndLengths) {
    const RealDescriptorCase& expected = GetParam();
    const Bytes bytes = LoadDescriptorFixture(expected.file);
    ASSERT_FALSE(bytes.empty());
    const HidDescriptorInfo info = Parse(bytes);
    ASSERT_TRUE(info.ok) << info.error;
    ExpectConsistent(info);
    EXPECT_EQ(info.usesReportIds, expected.usesReportIds);
    ASSERT_EQ(info.collections.size(), expected.collections.size());
    for (size_t i = 0; i < expected.collections.size(); ++i) {
        SCOPED_TRACE("collection " + std::to_string(i));
        const HidTopLevelCollection& got = info.collections[i];
        const ExpectedCollection& want = expected.collections[i];
        EXPECT_EQ(got.usagePage, want.usagePage);
        EXPECT_EQ(got.usage, want.usage);
        EXPECT_EQ(got.reportIds, want.reportIds);
        EXPECT_EQ(got.inputReportLength, want.input);
        EXPECT_EQ(got.outputReportLength, want.output);
        EXPECT_EQ(got.featureReportLength, want.feature);
    }
}

TEST_P(RealDescriptorTest, InputReportsMapToTheirCollection) {
    const RealDescriptorCase& expected = GetParam();
    const HidDescriptorInfo info = Parse(LoadDescriptorFixture(expected.file));
    ASSERT_TRUE(info.ok) << info.error;
    if (!expected.usesReportIds) {
        EXPECT_EQ(info.CollectionOfInputReport(0), 0);
        return;
    }
    for (size_t i = 0; i < expected.collections.size(); ++i)
        for (uint8_t id : expected.collections[i].reportIds)
            EXPECT_EQ(info.CollectionOfInputReport(id), static_cast<int>(i)) << "report " << +id;
    EXPECT_EQ(info.CollectionOfInputReport(0), -1);
    EXPECT_EQ(info.CollectionOfInputReport(0xFF), -1);
}

// Every truncation of a real descriptor parses without reading past the end. A prefix is only
// valid when it ends between top-level collections, and then holds the first of them unchanged.
TEST_P(RealDescriptorTest, EveryPrefixIsHandled) {
    const Bytes bytes = LoadDescriptorFixture(GetParam().file);
    ASSERT_FALSE(bytes.empty());
    const std::vector<ExpectedCollection>& all = GetParam().collections;
    for (size_t n = 0; n < bytes.size(); ++n) {
        const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        const HidDescriptorInfo info = Parse(prefix);
        ExpectConsistent(info);
        if (info.ok) {
            SCOPED_TRACE("valid prefix of " + std::to_string(n) + " bytes");
            ASSERT_LT(info.collections.size(), all.size());
            for (size_t i = 0; i < info.collections.size(); ++i) {
                EXPECT_EQ(info.collections[i].usage, all[i].usage);
                EXPECT_EQ(info.collections[i].reportIds, all[i].reportIds);
                EXPECT_EQ(info.collections[i].inputReportLength, all[i].input);
                EXPECT_EQ(info.collections[i].outputReportLength, all[i].output);
                EXPECT_EQ(info.collections[i].featureReportLength, all[i].feature);
            }
        }
        if (GetParam().collections.size() == 1) {
            EXPECT_FALSE(info.ok) << n << " bytes";
        }
    }
}

// Bytes in a separate buffer of exactly the descriptor's size, so that ASan catches overreads.
TEST_P(RealDescriptorTest, SingleByteCorruptionsAreHandled) {
    const Bytes bytes = LoadDescriptorFixture(GetParam().file);
    ASSERT_FALSE(bytes.empty());
    static constexpr uint8_t kValues[] = {0x00, 0x01, 0x03, 0x7F, 0x80, 0xA1, 0xC0, 0xFE, 0xFF};
    for (size_t pos = 0; pos < bytes.size(); ++pos) {
        for (uint8_t value : kValues) {
            Bytes corrupted = bytes;
            corrupted[pos] = value;
            ExpectConsistent(Parse(corrupted));
        }
    }
}

std::string FixtureTestName(const testing::TestParamInfo<RealDescriptorCase>& info) {
    std::string name = info.param.file;
    name.resize(name.find('.'));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealDescriptorTest, testing::ValuesIn(kRealDescriptors),
                         FixtureTestName);

// ---------------------------------------------------------------------------------------------
// Item-level behaviour

TEST(HidReportDescriptorTest, BootMouseWithoutReportIds) {
    // HID 1.11 appendix B.2 boot mouse: 3 buttons + 5 padding bits, X, Y.
    const HidDescriptorInfo info =
        Parse({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
               0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
               0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
               0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0});
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_FALSE(info.usesReportIds);
    ASSERT_EQ(info.collections.size(), 1u);
    EXPECT_EQ(info.collections[0].usagePage, 0x0001);
    EXPECT_EQ(info.collections[0].usage, 0x0002);
    EXPECT_TRUE(info.collections[0].reportIds.empty());
    EXPECT_EQ(info.collections[0].inputReportLength, 4);  // 3 data bytes + the (absent) ID byte
    EXPECT_EQ(info.collections[0].outputReportLength, 0);
    EXPECT_EQ(info.collections[0].featureReportLength, 0);
    EXPECT_EQ(info.CollectionOfInputReport(0), 0);
}

// Well-formed descriptors of one top-level collection: what each item kind adds to it, or not.
TEST(HidReportDescriptorTest, OneCollectionWellFormed) {
    const struct {
        const char* what;
        Bytes bytes;
        uint16_t usagePage, usage;
        int inputReportLength;
        bool usesReportIds;
    } cases[] = {
        {"9 bits round up to 2 bytes (+1)",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x09, 0x81, 0x02, 0xC0},
         0xFF00,
         0x0001,
         3,
         false},
        // The page applies when the main item comes, as in Linux hid-core.
        {"short usage before its usage page",
         {0x09, 0x06, 0x05, 0x01, 0xA1, 0x01, 0xC0},
         0x0001,
         0x0006,
         0,
         false},
        {"two-byte usage and usage page",
         {0x06, 0x01, 0xFF, 0x0A, 0x02, 0xFF, 0xA1, 0x01, 0xC0},
         0xFF01,
         0xFF02,
         0,
         false},
        {"collection without usage", {0x05, 0x0C, 0xA1, 0x01, 0xC0}, 0x000C, 0x0000, 0, false},
        {"long items are skipped",
         {
             0xFE, 0x03, 0x10, 0x85, 0x09, 0xC0,  // long item whose data looks like items
             0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xFE, 0x00, 0x20,  // long item without data
             0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0, 0xFE, 0x02,
             0xF0, 0xA1, 0x01,  // after the last collection, still skipped
         },
         0x0001,
         0x0002,
         3,
         false},
        {"reserved items and trailing padding are ignored",
         {
             0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC5, 0x12,  // reserved global tag
             0xF9, 0x34,                                      // reserved local tag
             0x0C,                                            // reserved item type
             0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0, 0x00,
             0x00, 0x00,  // zero padding after the descriptor (reserved main tag 0)
         },
         0x0001,
         0x0002,
         2,
         false},
        // 4-byte Logical Minimum/Maximum, Unit, Unit Exponent, Physical extents, Usage Min/Max.
        {"logical values do not affect sizes",
         {
             0x05, 0x0D, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x17, 0x00, 0x00,
             0x00, 0x80, 0x27, 0xFF, 0xFF, 0xFF, 0x7F, 0x37, 0x00, 0x00, 0x00,
             0x00, 0x47, 0xFF, 0xFF, 0x00, 0x00, 0x55, 0x0E, 0x65, 0x11, 0x19,
             0x01, 0x29, 0x02, 0x75, 0x20, 0x95, 0x02, 0x81, 0x02, 0xC0,
         },
         0x000D,
         0x0004,
         9,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HidDescriptorInfo info = Parse(c.bytes);
        ASSERT_TRUE(info.ok) << info.error;
        ASSERT_EQ(info.collections.size(), 1u);
        EXPECT_EQ(info.collections[0].usagePage, c.usagePage);
        EXPECT_EQ(info.collections[0].usage, c.usage);
        EXPECT_EQ(info.collections[0].inputReportLength, c.inputReportLength);
        EXPECT_EQ(info.usesReportIds, c.usesReportIds);
    }
}

TEST(HidReportDescriptorTest, LongestReportOfEachTypeWins) {
    const HidDescriptorInfo info = Parse({
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor collection
        0x75, 0x08,                                // Report Size 8
        0x85, 0x05, 0x95, 0x03, 0x81, 0x02,        // report 5: 3-byte input
        0x95, 0x10, 0x91, 0x02,                    //           16-byte output
        0x85, 0x02, 0x95, 0x07, 0x81, 0x02,        // report 2: 7-byte input
        0x95, 0x02, 0x91, 0x02,                    //           2-byte output
        0x95, 0x04, 0xB1, 0x02,                    //           4-byte feature
        0xC0,
    });
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 1u);
    EXPECT_EQ(info.collections[0].reportIds, (std::vector<uint8_t>{2, 5}));
    EXPECT_EQ(info.collections[0].inputReportLength, 8);
    EXPECT_EQ(info.collections[0].outputReportLength, 17);
    EXPECT_EQ(info.collections[0].featureReportLength, 5);
}

TEST(HidReportDescriptorTest, PushAndPopRestoreGlobalState) {
    const HidDescriptorInfo info = Parse({
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,
        0x85, 0x01, 0x75, 0x08, 0x95, 0x02,  // report 1, 2 x 8 bits
        0xA4,                                // Push
        0x85, 0x02, 0x75, 0x10, 0x95, 0x03,  // report 2, 3 x 16 bits
        0x05, 0x0C,                          // Usage Page (Consumer), popped again below
        0x81, 0x02,                          // report 2: 48 bits
        0xB4,                                // Pop: report 1, 2 x 8, Generic Desktop
        0x81, 0x02,                          // report 1: 16 bits
        0x09, 0x01, 0xA1, 0x00, 0xC0,        // nested, not top-level
        0xC0, 0x09, 0x80, 0xA1, 0x01,  // second top-level collection: page from the popped state
        0x85, 0x03, 0x81, 0x02, 0xC0,
    });
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[0].reportIds, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(info.collections[0].inputReportLength, 7);  // report 2: 6 bytes + ID
    EXPECT_EQ(info.collections[1].usagePage, 0x0001);
    EXPECT_EQ(info.collections[1].usage, 0x0080);
    EXPECT_EQ(info.collections[1].reportIds, (std::vector<uint8_t>{3}));
    EXPECT_EQ(info.collections[1].inputReportLength, 3);  // 2 x 8 bits again after the Pop
    EXPECT_EQ(info.CollectionOfInputReport(1), 0);
    EXPECT_EQ(info.CollectionOfInputReport(2), 0);
    EXPECT_EQ(info.CollectionOfInputReport(3), 1);
}

TEST(HidReportDescriptorTest, FourByteUsageCarriesItsPage) {
    const HidDescriptorInfo info = Parse({
        0x05, 0x0C,                    // Usage Page (Consumer) in force...
        0x0B, 0x06, 0x00, 0x01, 0x00,  // ...but Usage (Generic Desktop: Keyboard), 4 bytes
        0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81,
        0x02, 0xC0, 0x0B, 0x01, 0xFF, 0x00, 0xFF,  // Usage (page 0xff00, usage 0xff01)
        0xA1, 0x01, 0xC0,
    });
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[0].usagePage, 0x0001);
    EXPECT_EQ(info.collections[0].usage, 0x0006);
    EXPECT_EQ(info.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(info.collections[1].usage, 0xFF01);
    EXPECT_EQ(info.collections[1].inputReportLength, 0);  // no data items at all
}

TEST(HidReportDescriptorTest, CollectionTakesTheFirstUsageOfItsLocalState) {
    // Only the usages since the last main item count, and of those the first (Linux hid-core
    // open_collection uses local.usage[0]). The earlier Usage (Mouse) was used by the Input.
    const HidDescriptorInfo info =
        Parse({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x30, 0x75, 0x08, 0x95,
               0x01, 0x81, 0x06, 0xC0, 0x09, 0x06, 0x09, 0x07, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[1].usage, 0x0006);
}

TEST(HidReportDescriptorTest, AnyCollectionTypeAtDepthZeroIsTopLevel) {
    const HidDescriptorInfo info = Parse({
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x02,              // Logical
        0x09, 0x01, 0xA1, 0x00, 0xA1, 0x02, 0xC0, 0xC0,  // nested: not top-level
        0xC0, 0x09, 0x01, 0xA1, 0x00, 0xC0,              // Physical
        0x09, 0x04, 0xA1, 0x80, 0xC0,                    // vendor-defined collection type
    });
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 3u);
    EXPECT_EQ(info.collections[0].usage, 0x0002);
    EXPECT_EQ(info.collections[1].usage, 0x0001);
    EXPECT_EQ(info.collections[2].usage, 0x0004);
}

TEST(HidReportDescriptorTest, ReportIdCarriesOverIntoTheNextCollection) {
    // Report ID is global state: the second collection keeps report 4.
    const HidDescriptorInfo info =
        Parse({0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x08, 0x95, 0x01,
               0x81, 0x02, 0xC0, 0x09, 0x02, 0xA1, 0x01, 0xB1, 0x02, 0xC0});
    ASSERT_TRUE(info.ok) << info.error;
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[1].reportIds, (std::vector<uint8_t>{4}));
    EXPECT_EQ(info.collections[1].featureReportLength, 2);
    EXPECT_EQ(info.CollectionOfInputReport(4), 0);  // the first collection that uses it
}

TEST(HidReportDescriptorTest, ReportIdItemWithoutDataIsNotListed) {
    // A Report ID set just before End Collection, with no data items, is not a report.
    const HidDescriptorInfo info = Parse(
        {0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x07, 0xC0});
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_EQ(info.collections[0].reportIds, (std::vector<uint8_t>{1}));
    EXPECT_EQ(info.CollectionOfInputReport(7), -1);
}

TEST(HidReportDescriptorTest, LongestAllowedReport) {
    // 65534 data bytes + the ID byte = 65535, the largest length the fields hold.
    const HidDescriptorInfo ok =
        Parse({0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0xB1, 0x02, 0xC0});
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(ok.collections[0].featureReportLength, 65535);
    const HidDescriptorInfo tooLong =
        Parse({0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0xFF, 0xFF, 0xB1, 0x02, 0xC0});
    EXPECT_FALSE(tooLong.ok);
    EXPECT_NE(tooLong.error.find("too long"), std::string::npos) << tooLong.error;
}

TEST(HidReportDescriptorTest, NestingUpToTheLimitIsAccepted) {
    Bytes bytes;
    for (int i = 0; i < 64; ++i)
        bytes.insert(bytes.end(), {0xA1, 0x00});
    bytes.insert(bytes.end(), 64, 0xC0);
    const HidDescriptorInfo info = Parse(bytes);
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_EQ(info.collections.size(), 1u);
}

TEST(HidReportDescriptorTest, CollectionOfInputReportWithoutCollections) {
    const HidDescriptorInfo empty;
    EXPECT_EQ(empty.CollectionOfInputReport(0), -1);
    EXPECT_EQ(empty.CollectionOfInputReport(1), -1);
}

TEST(HidReportDescriptorTest, FailureKeepsCollectionsParsedSoFar) {
    const HidDescriptorInfo info =
        Parse({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08,
               0x95, 0x03, 0x81, 0x02, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1,
               0x01, 0x85, 0x02, 0x95, 0x02, 0x81, 0x02, 0x75});  // truncated
    EXPECT_FALSE(info.ok);
    EXPECT_NE(info.error.find("truncated"), std::string::npos) << info.error;
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[0].inputReportLength, 4);
    EXPECT_EQ(info.collections[1].usagePage, 0x000C);
    EXPECT_EQ(info.collections[1].reportIds, (std::vector<uint8_t>{2}));
}

// ---------------------------------------------------------------------------------------------
// Malformed descriptors

struct MalformedCase {
    const char* name;
    Bytes bytes;
    const char* errorPart;  // a piece of the expected error text
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes Repeat(std::initializer_list<uint8_t> unit, size_t times) {
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), unit);
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

const Bytes kOpen = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01};  // Usage Page, Usage, Collection

const std::vector<MalformedCase> kMalformed = {
    {"Empty", {}, "empty"},
    {"OneByteDataMissing", {0x05}, "truncated item at offset 0"},
    {"TwoByteDataHalf", {0x06, 0x00}, "truncated item"},
    {"FourByteDataShort", {0x07, 0x00, 0x00, 0x00}, "truncated item"},
    {"TruncatedInsideCollection", Concat({kOpen, {0x75, 0x08, 0x96, 0x01}}),
     "truncated item at offset 8"},
    {"TruncatedBeforeEndCollection", Concat({kOpen, {0x75}}), "truncated item"},
    {"LongItemPrefixOnly", {0xFE}, "truncated long item"},
    {"LongItemWithoutTag", {0xFE, 0x04}, "truncated long item"},
    {"LongItemDataShort", {0xFE, 0x04, 0x10, 0xAA, 0xBB, 0xCC}, "truncated long item data"},
    {"LongItemSizeBeyondEnd", Concat({kOpen, {0xC0, 0xFE, 0xFF, 0x00}}), "truncated long item"},
    {"EndCollectionFirst", {0xC0}, "End Collection without Collection"},
    {"OneEndCollectionTooMany", Concat({kOpen, {0xC0, 0xC0}}), "End Collection without"},
    {"UnclosedCollection", kOpen, "not closed"},
    {"UnclosedNestedCollection", Concat({kOpen, {0xA1, 0x00, 0xC0}}), "not closed"},
    {"NoCollection", {0x05, 0x01, 0x75, 0x08, 0x95, 0x01}, "no top-level collection"},
    {"OnlyPadding", {0x00, 0x00, 0x00, 0x00}, "no top-level collection"},
    {"InputOutsideCollection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, "outside any collection"},
    {"FeatureAfterLastCollection", Concat({kOpen, {0xC0, 0xB1, 0x02}}), "outside any collection"},
    {"ReportIdZero", Concat({kOpen, {0x85, 0x00, 0xC0}}), "invalid Report ID"},
    {"ReportIdWithoutData", Concat({kOpen, {0x84, 0xC0}}), "invalid Report ID"},
    {"ReportIdTwoBytes", Concat({kOpen, {0x86, 0x01, 0x01, 0xC0}}), "invalid Report ID"},
    {"ReportIdFourBytesLowByteValid", Concat({kOpen, {0x87, 0x01, 0x00, 0x00, 0x01, 0xC0}}),
     "invalid Report ID"},
    {"DataBeforeFirstReportId",
     Concat({kOpen, {0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x01, 0x81, 0x02, 0xC0}}),
     "Report ID after"},
    {"DataWithoutIdAfterPop",
     Concat(
         {kOpen, {0xA4, 0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xB4, 0x81, 0x02, 0xC0}}),
     "without a Report ID"},
    {"SizeTimesCountOverflows32Bits",
     Concat(
         {kOpen, {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0xC0}}),
     "too long"},
    {"SizeTimesCountJustOver32Bits",
     Concat(
         {kOpen, {0x77, 0x00, 0x00, 0x01, 0x00, 0x97, 0x00, 0x00, 0x01, 0x00, 0x91, 0x02, 0xC0}}),
     "too long"},
    {"HugeReportCount",
     Concat({kOpen, {0x75, 0x01, 0x97, 0x00, 0x00, 0x00, 0x80, 0xB1, 0x02, 0xC0}}), "too long"},
    {"SumOfFieldsTooLong",
     Concat({kOpen, {0x85, 0x03, 0x75, 0x08, 0x96, 0x30, 0x75}, Repeat({0x81, 0x02}, 3), {0xC0}}),
     "report 3 too long"},
    {"NestingTooDeep", Concat({Repeat({0xA1, 0x00}, 65), Bytes(65, 0xC0)}), "nested too deep"},
    {"NestingFarTooDeep", Repeat({0xA1, 0x02}, 100000), "nested too deep"},
    {"PushTooDeep", Concat({kOpen, Bytes(17, 0xA4), Bytes(17, 0xB4), {0xC0}}),
     "Push nested too deep"},
    {"PopWithoutPush", Concat({kOpen, {0xB4, 0xC0}}), "Pop without Push"},
    {"MorePopsThanPushes", Concat({kOpen, {0xA4, 0xA4, 0xB4, 0xB4, 0xB4, 0xC0}}),
     "Pop without Push"},
};

class MalformedDescriptorTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescriptorTest, FailsWithAnError) {
    const MalformedCase& c = GetParam();
    // Exactly sized heap copy so that ASan sees any read past the end.
    const HidDescriptorInfo info = ParseHidReportDescriptor(c.bytes);
    EXPECT_FALSE(info.ok);
    EXPECT_NE(info.error.find(c.errorPart), std::string::npos)
        << "error '" << info.error << "' lacks '" << c.errorPart << "'";
    ExpectConsistent(info);
}

std::string MalformedTestName(const testing::TestParamInfo<MalformedCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedDescriptorTest, testing::ValuesIn(kMalformed),
                         MalformedTestName);

TEST(HidReportDescriptorTest, SixteenPushesAreAllowed) {
    const HidDescriptorInfo info = Parse(Concat({kOpen, Bytes(16, 0xA4), Bytes(16, 0xB4), {0xC0}}));
    EXPECT_TRUE(info.ok) << info.error;
}

TEST(HidReportDescriptorTest, RandomInputNeverBreaksTheParser) {
    std::mt19937 random(0x4B455354);  // fixed seed: reproducible
    // Bias towards item prefixes that matter so that the walk gets deep into collections.
    static constexpr uint8_t kInteresting[] = {0xA1, 0xC0, 0x85, 0x75, 0x95, 0x81, 0x91,
                                               0xB1, 0xA4, 0xB4, 0xFE, 0x0B, 0x97, 0x77};
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes(random() % 96);
        for (uint8_t& b : bytes)
            b = (random() % 3 == 0) ? kInteresting[random() % sizeof kInteresting]
                                    : static_cast<uint8_t>(random());
        ExpectConsistent(ParseHidReportDescriptor(bytes));
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round;
            return;
        }
    }
}

}  // namespace
