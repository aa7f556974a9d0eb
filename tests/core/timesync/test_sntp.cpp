// SNTP packets, timestamps (both eras, daylight saving), the reply checks,
// the offset arithmetic, how an offset is shown and the server list.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "core/time/datetime.h"
#include "core/timesync/sntp.h"

using namespace ostrel;

namespace {

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old, hadOld_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (hadOld_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

NtpPacket replyPacket(NtpTimestamp originate, NtpTimestamp receive, NtpTimestamp transmit, int leap = 0,
                      int version = 4, int mode = 4, int stratum = 2) {
    NtpPacket p{};
    p[0] = static_cast<std::uint8_t>((leap << 6) | (version << 3) | mode);
    p[1] = static_cast<std::uint8_t>(stratum);
    auto put = [&p](std::size_t at, NtpTimestamp t) {
        for (int i = 0; i < 4; ++i) {
            p[at + i] = static_cast<std::uint8_t>(t.seconds >> (24 - 8 * i));
            p[at + 4 + i] = static_cast<std::uint8_t>(t.fraction >> (24 - 8 * i));
        }
    };
    put(24, originate);
    put(32, receive);
    put(40, transmit);
    return p;
}

// 2025-06-01 12:00:00 UTC.
constexpr std::int64_t kJune2025Ms = 1748779200000;

}  // namespace

TEST(NtpTimestamp, FractionsDecodeToWholeMilliseconds) {
    struct Case {
        std::uint32_t fraction;
        std::int64_t ms;
    } cases[] = {{0, 0}, {0x80000000u, 500}, {0xFFFFFFFFu, 999}, {0x40000000u, 250}, {4294967u, 0}, {4294968u, 1}};
    for (const auto& c : cases) {
        // 0x80000000 seconds is 1968-01-20 03:14:08 UTC, era 0.
        const std::int64_t base = (std::int64_t{0x80000000} - kNtpToUnixSeconds) * 1000;
        EXPECT_EQ(unixMsFromNtp({0x80000000u, c.fraction}) - base, c.ms) << c.fraction;
    }
}

TEST(NtpTimestamp, RoundTripsEveryMillisecondInBothEras) {
    const std::int64_t era1Start = (std::int64_t{1} << 32) - kNtpToUnixSeconds;  // 2036-02-07 06:28:16 UTC
    for (std::int64_t base : {kJune2025Ms, era1Start * 1000 - 1000, era1Start * 1000,
                              era1Start * 1000 + std::int64_t{86400000} * 365 * 50}) {
        for (std::int64_t ms = 0; ms < 2000; ++ms) {
            const NtpTimestamp ts = ntpFromUnixMs(base + ms);
            ASSERT_EQ(unixMsFromNtp(ts), base + ms) << base << "+" << ms;
            ASSERT_EQ(unixMsFromNtp(withNoise(ts, 0xFFFFFFFFu)), base + ms);
        }
    }
    // The first second of era 1 is written as 0 seconds.
    EXPECT_EQ(ntpFromUnixMs(era1Start * 1000), (NtpTimestamp{0, 0}));
    EXPECT_EQ(ntpFromUnixMs(era1Start * 1000 - 1000).seconds, 0xFFFFFFFFu);
}

TEST(NtpTimestamp, NoiseChangesOnlyTheBitsBelowAMillisecond) {
    const NtpTimestamp ts = ntpFromUnixMs(kJune2025Ms + 123);
    const NtpTimestamp noisy = withNoise(ts, 0x12345678u);
    EXPECT_NE(noisy, ts);
    EXPECT_EQ(noisy.seconds, ts.seconds);
    EXPECT_LT(noisy.fraction - ts.fraction, 1u << 22);
}

TEST(NtpTimestamp, LocalTimesUseTheOffsetOfTheirOwnInstant) {
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    // 2025-01-15 12:00:00.250 local is 11:00:00.250 UTC (winter, UTC+1);
    // 2025-07-15 12:00:00.250 local is 10:00:00.250 UTC (summer, UTC+2).
    const DateTime winter = encodeDateTime({{2025, 1, 15}, {12, 0, 0, 250}});
    const DateTime summer = encodeDateTime({{2025, 7, 15}, {12, 0, 0, 250}});
    const NtpTimestamp w = EncodeNtpTimestamp(winter);
    const NtpTimestamp s = EncodeNtpTimestamp(summer);
    EXPECT_EQ(unixMsFromNtp(w), 1736938800250);
    EXPECT_EQ(unixMsFromNtp(s), 1752573600250);
    EXPECT_EQ(w.fraction, 0x40000000u);
    EXPECT_NEAR(DecodeNtpTimestamp(w.seconds, w.fraction), winter, 1e-9);
    EXPECT_NEAR(DecodeNtpTimestamp(s.seconds, s.fraction), summer, 1e-9);
    EXPECT_NEAR(CurrentUtcBias(winter) * 1440, -60, 1e-6);
    EXPECT_NEAR(CurrentUtcBias(summer) * 1440, -120, 1e-6);
}

TEST(NtpTimestamp, Era1LocalRoundTrip) {
    ScopedTimeZone tz("UTC0");
    // 2036-02-07 06:28:16 UTC is the first instant of era 1; 2040 lies well inside it.
    for (const CivilDateTime& c :
         {CivilDateTime{{2036, 2, 7}, {6, 28, 15, 999}}, CivilDateTime{{2036, 2, 7}, {6, 28, 16, 0}},
          CivilDateTime{{2040, 3, 1}, {18, 30, 5, 500}}}) {
        const DateTime t = encodeDateTime(c);
        const NtpTimestamp ts = EncodeNtpTimestamp(t);
        EXPECT_EQ(decodeDateTime(DecodeNtpTimestamp(ts.seconds, ts.fraction)), c);
    }
    EXPECT_EQ(decodeDateTime(DecodeNtpTimestamp(0, 0x80000000u)), (CivilDateTime{{2036, 2, 7}, {6, 28, 16, 500}}));
}

TEST(SntpPacket, RequestIsVersion3ClientWithOnlyTheTransmitTime) {
    const NtpPacket p = makeSntpRequest({0x01020304u, 0xA0B0C0D0u});
    EXPECT_EQ(p[0], 0x1B);
    for (std::size_t i = 1; i < 40; ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(p[40], 0x01);
    EXPECT_EQ(p[43], 0x04);
    EXPECT_EQ(p[44], 0xA0);
    EXPECT_EQ(p[47], 0xD0);
}

TEST(SntpPacket, ReplyChecks) {
    const NtpTimestamp sent = withNoise(ntpFromUnixMs(kJune2025Ms), 0x2A2A2Au);
    const NtpTimestamp t = ntpFromUnixMs(kJune2025Ms + 1000);
    struct Case {
        const char* what;
        NtpPacket packet;
        SntpVerdict verdict;
    } cases[] = {
        {"good v4", replyPacket(sent, t, t), SntpVerdict::Usable},
        {"good v3", replyPacket(sent, t, t, 0, 3), SntpVerdict::Usable},
        {"leap 1 still counts", replyPacket(sent, t, t, 1), SntpVerdict::Usable},
        {"stratum 15", replyPacket(sent, t, t, 0, 4, 4, 15), SntpVerdict::Usable},
        {"wrong originate", replyPacket(ntpFromUnixMs(kJune2025Ms), t, t), SntpVerdict::NotOurs},
        {"mode 3 echo", makeSntpRequest(sent), SntpVerdict::NotOurs},
        {"mode 3 with our originate", replyPacket(sent, t, t, 0, 4, 3), SntpVerdict::NotOurs},
        {"mode 5 broadcast", replyPacket(sent, t, t, 0, 4, 5), SntpVerdict::NotOurs},
        {"version 2", replyPacket(sent, t, t, 0, 2), SntpVerdict::NotOurs},
        {"version 5", replyPacket(sent, t, t, 0, 5), SntpVerdict::NotOurs},
        {"unsynchronised", replyPacket(sent, t, t, 3), SntpVerdict::Unsynchronised},
        {"kiss-o'-death", replyPacket(sent, t, t, 0, 4, 4, 0), SntpVerdict::BadStratum},
        {"stratum 16", replyPacket(sent, t, t, 0, 4, 4, 16), SntpVerdict::BadStratum},
        {"zero transmit", replyPacket(sent, t, {}), SntpVerdict::ZeroTransmit},
    };
    for (const auto& c : cases) EXPECT_EQ(judgeSntpReply(c.packet, sent), c.verdict) << c.what;

    const NtpPacket good = replyPacket(sent, t, t);
    EXPECT_EQ(judgeSntpReply(std::span(good).first(47), sent), SntpVerdict::NotOurs);
    std::vector<std::uint8_t> longer(good.begin(), good.end());
    longer.resize(68);
    EXPECT_EQ(judgeSntpReply(longer, sent), SntpVerdict::NotOurs);
    EXPECT_EQ(judgeSntpReply({}, sent), SntpVerdict::NotOurs);
}

TEST(SntpOffset, ArithmeticAndDisplay) {
    // Server 1.5 s ahead, 40 ms out and 60 ms back: ((1540-0) + (1540-100)) / 2.
    EXPECT_DOUBLE_EQ(clockOffsetMs(0, 1540, 1540, 100), 1490.0);
    const NtpTimestamp sent = ntpFromUnixMs(kJune2025Ms);
    const auto reply =
        parseSntpPacket(replyPacket(sent, ntpFromUnixMs(kJune2025Ms - 750), ntpFromUnixMs(kJune2025Ms - 750)));
    ASSERT_TRUE(reply);
    EXPECT_DOUBLE_EQ(replyOffsetMs(*reply, kJune2025Ms), -750.0);

    EXPECT_FALSE(meanOffsetMs({}));
    EXPECT_DOUBLE_EQ(*meanOffsetMs({1000, 1500}), 1250.0);

    struct Case {
        double ms;
        OffsetDisplay shown;
    } cases[] = {
        {1250, {1, 250}},
        {-750, {0, 750}},
        {25 * 3600000.0, {3600, 0}},
        {-25 * 3600000.0, {3600, 0}},
        {86399999.6, {0, 0}},
        {0.4, {0, 0}},
        {999.5, {1, 0}},
        {123456789012.0, {77589, 12}},
        {1.0 / 0.0, {0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(offsetForDisplay(c.ms), c.shown) << c.ms;
}

TEST(TimeServers, ParsedFromTheSettingsText) {
    using V = std::vector<TimeServer>;
    EXPECT_EQ(parseTimeServers(" ntp.example.org , 127.0.0.1:1230,10.0.0.1 : 4123 "),
              (V{{"ntp.example.org", 123}, {"127.0.0.1", 1230}, {"10.0.0.1", 4123}}));
    EXPECT_EQ(parseTimeServers(",,a,:123,b:0,c:65536,d:x1,e:,f g,::1,h:65535"), (V{{"a", 123}, {"h", 65535}}));
    EXPECT_TRUE(parseTimeServers("").empty());
    EXPECT_TRUE(parseTimeServers(" , ").empty());
    EXPECT_EQ(parseTimeServers("a,b,c,d,e,f,g,h,i,j,k,l").size(), kMaxTimeServers);
    EXPECT_EQ(defaultTimeServers().size(), 3u);
}
