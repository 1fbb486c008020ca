#include "link/hid_report_framing.h"

#include <gtest/gtest.h>
#include <numeric>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_hid_framing {

using namespace hidframing;

TEST(HidFraming, FrameFitsOneReportWithCountAndZeroPadding) {
    const std::array<uint8_t, 7> frame{0x02, 'A', 1, 2, 3, 4, 0x03};
    const auto reports = encodeOutput(frame);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0][0], 0); // report id
    EXPECT_EQ(reports[0][1], 7);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), reports[0].begin() + 2));
    EXPECT_EQ(reports[0][9], 0);
}

TEST(HidFraming, LongDataIsSplitInOrder) {
    std::vector<uint8_t> data(100);
    std::iota(data.begin(), data.end(), 0);
    const auto reports = encodeOutput(data);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0][1], 63);
    EXPECT_EQ(reports[1][1], 37);
    EXPECT_EQ(reports[1][2], 63);
}

TEST(HidFraming, AssemblerCollectsAcrossReportsAndIgnoresJunk) {
    ReplyAssembler a(64);
    std::array<uint8_t, 64> r1{};
    r1[0] = 63;
    for (int i = 0; i < 63; ++i)
        r1[i + 1] = uint8_t(i);
    EXPECT_FALSE(a.feed(r1));
    std::array<uint8_t, 64> junk{};
    junk[0] = 200; // impossible count
    EXPECT_FALSE(a.feed(junk));
    std::array<uint8_t, 64> r2{};
    r2[0] = 10; // more than still needed: only one byte taken
    r2[1] = 0x03;
    EXPECT_TRUE(a.feed(r2));
    ASSERT_EQ(a.bytes().size(), 64u);
    EXPECT_EQ(a.bytes()[62], 62);
    EXPECT_EQ(a.bytes()[63], 0x03);
    const std::array<uint8_t, 1> tooShort{5};
    ReplyAssembler b(32);
    EXPECT_FALSE(b.feed(tooShort));
    EXPECT_TRUE(b.bytes().empty());
}

// The device's side of the same framing, as the simulated meter uses it: what encodeOutput made
// reads back, a reply splits into reports the assembler puts together again.
TEST(HidFraming, DeviceSideRoundTrips) {
    const std::array<uint8_t, 7> frame{0x02, 'P', 0x01, 0x02, 0, 0, 0x03};
    const auto out = encodeOutput(frame);
    const auto data = outputData(out[0]);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), frame.begin(), frame.end()));
    std::array<uint8_t, 65> zeroCount{};
    EXPECT_TRUE(outputData(zeroCount).empty());
    zeroCount[1] = 64; // more than a report holds
    EXPECT_TRUE(outputData(zeroCount).empty());

    std::vector<uint8_t> reply(64);
    std::iota(reply.begin(), reply.end(), 1);
    const auto in = encodeInput(reply);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0][0], 63);
    EXPECT_EQ(in[1][0], 1);
    EXPECT_EQ(in[1][1], 64);
    ReplyAssembler a(64);
    EXPECT_FALSE(a.feed(in[0]));
    EXPECT_TRUE(a.feed(in[1]));
    EXPECT_EQ(a.bytes(), reply);
}

} // namespace test_hid_framing
