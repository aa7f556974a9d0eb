#pragma once
// SNTP packets and arithmetic (client side): the 48-byte request and reply,
// NTP timestamps, the checks a reply must pass, the clock offset and how an
// offset is shown. No I/O here; src/timesync/ does the exchange.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/time/datetime.h"

namespace ostrel {

inline constexpr std::size_t kNtpPacketSize = 48;
inline constexpr std::uint16_t kNtpPort = 123;
using NtpPacket = std::array<std::uint8_t, kNtpPacketSize>;

// Seconds from 1900-01-01 00:00 UTC (the NTP epoch) to the Unix epoch.
inline constexpr std::int64_t kNtpToUnixSeconds = 2208988800;

// Whole seconds since 1900-01-01 UTC modulo 2^32, then a fraction of a
// second in units of 2^-32 s.
struct NtpTimestamp {
    std::uint32_t seconds = 0;
    std::uint32_t fraction = 0;
    bool isZero() const { return seconds == 0 && fraction == 0; }
    friend bool operator==(const NtpTimestamp&, const NtpTimestamp&) = default;
};

// Milliseconds since the Unix epoch (UTC) to an NTP timestamp. The seconds
// wrap modulo 2^32, so times from 7 Feb 2036 06:28:16 UTC on land in era 1.
// The fraction is the smallest one that decodes back to the same
// millisecond, which leaves its lowest 22 bits free for noise (see
// withNoise).
NtpTimestamp ntpFromUnixMs(std::int64_t unixMs);
// The reverse, keeping whole milliseconds of the fraction (truncated). The
// era is taken from the top bit of the seconds: set means era 0
// (1968-01-20 to 2036-02-07), clear means era 1 (2036-02-07 to 2104-02-26).
std::int64_t unixMsFromNtp(NtpTimestamp ts);
// Fills the fraction's bits below one millisecond with noise, so that the
// originate check of a reply cannot be met by guessing the millisecond of
// sending; the millisecond the timestamp decodes to does not change.
NtpTimestamp withNoise(NtpTimestamp ts, std::uint32_t noise);

// The same for the shared local date-time, with the local zone's distance
// from UTC at the instant in question (daylight saving included), as the C
// library knows it (TZ).
NtpTimestamp EncodeNtpTimestamp(DateTime local);
DateTime DecodeNtpTimestamp(std::uint32_t seconds, std::uint32_t fraction);
// The local zone's distance from UTC at a local time, in days, so that
// UTC = local + bias.
double CurrentUtcBias(DateTime local);

// A request: leap 0, version 3, mode 3 (client), everything zero except the
// transmit timestamp.
NtpPacket makeSntpRequest(NtpTimestamp transmit);

struct SntpReply {
    int leap = 0;     // 0..3; 3 = clock not synchronised
    int version = 0;  // 0..7
    int mode = 0;     // 0..7; 4 = server
    int stratum = 0;
    NtpTimestamp originate;  // T1 as the server echoes it
    NtpTimestamp receive;    // T2
    NtpTimestamp transmit;   // T3
};

// The fields of a datagram; nothing unless it is exactly 48 bytes long.
std::optional<SntpReply> parseSntpPacket(std::span<const std::uint8_t> datagram);

enum class SntpVerdict {
    Usable,          // counts
    NotOurs,         // wrong length, mode, version or originate: ignore, keep waiting
    Unsynchronised,  // answers us, but leap indicator 3
    BadStratum,      // answers us, but stratum 0 (kiss-o'-death) or above 15
    ZeroTransmit,    // answers us, but carries no transmit time
};

// Judges a datagram that came from the address and port asked. A datagram
// is an answer to our request only when it is 48 bytes, mode 4, version 3
// or 4 and its originate timestamp equals the transmit timestamp we sent;
// an answer is usable when the server's clock is synchronised (leap not 3),
// its stratum is 1..15 and its transmit timestamp is set.
SntpVerdict judgeSntpReply(std::span<const std::uint8_t> datagram, NtpTimestamp sent);

// ((T2 - T1) + (T3 - T4)) / 2 in milliseconds; T4 is the moment the reply
// arrived. All four are Unix milliseconds.
double clockOffsetMs(std::int64_t t1, std::int64_t t2, std::int64_t t3, std::int64_t t4);
// The offset a usable reply gives, received at t4 (Unix milliseconds).
double replyOffsetMs(const SntpReply& reply, std::int64_t t4);

// Arithmetic mean; nothing for an empty list.
std::optional<double> meanOffsetMs(const std::vector<double>& offsetsMs);

// How an offset is shown: its magnitude rounded to whole milliseconds and
// reduced modulo one day, split into whole seconds and milliseconds. The
// sign is not shown.
struct OffsetDisplay {
    std::int64_t seconds = 0;
    int milliseconds = 0;
    friend bool operator==(const OffsetDisplay&, const OffsetDisplay&) = default;
};
OffsetDisplay offsetForDisplay(double offsetMs);

// A time server as written in the settings: a host name or dotted address,
// with an optional ":port".
struct TimeServer {
    std::string host;
    std::uint16_t port = kNtpPort;
    friend bool operator==(const TimeServer&, const TimeServer&) = default;
};

// Three public NTP pools, asked in this order.
std::vector<TimeServer> defaultTimeServers();
// A comma-separated list of "host" or "host:port" entries. Blanks around an
// entry are dropped; empty entries and ones with a bad port (not 1..65535)
// or a bad host (blanks, control characters, more than 253 characters) are
// skipped. At most kMaxTimeServers entries are kept.
inline constexpr std::size_t kMaxTimeServers = 10;
std::vector<TimeServer> parseTimeServers(std::string_view text);

}  // namespace ostrel
