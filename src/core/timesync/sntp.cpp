#include "core/timesync/sntp.h"

#include <cmath>

namespace ostrel {

namespace {

constexpr std::uint64_t kTwo32 = std::uint64_t{1} << 32;
// Fraction bits below one millisecond (2^22 < 2^32 / 1000).
constexpr std::uint32_t kNoiseMask = (1u << 22) - 1;
// 1970-01-01 as a shared date-time value.
constexpr double kUnixEpochDateTime = 25569.0;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::uint32_t readU32(std::span<const std::uint8_t> p, std::size_t at) {
    return (std::uint32_t{p[at]} << 24) | (std::uint32_t{p[at + 1]} << 16) | (std::uint32_t{p[at + 2]} << 8) |
           std::uint32_t{p[at + 3]};
}

void writeU32(NtpPacket& p, std::size_t at, std::uint32_t v) {
    p[at] = static_cast<std::uint8_t>(v >> 24);
    p[at + 1] = static_cast<std::uint8_t>(v >> 16);
    p[at + 2] = static_cast<std::uint8_t>(v >> 8);
    p[at + 3] = static_cast<std::uint8_t>(v);
}

NtpTimestamp readTimestamp(std::span<const std::uint8_t> p, std::size_t at) {
    return {readU32(p, at), readU32(p, at + 4)};
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

NtpTimestamp ntpFromUnixMs(std::int64_t unixMs) {
    const std::int64_t secs = floorDiv(unixMs, 1000);
    const auto ms = static_cast<std::uint64_t>(unixMs - secs * 1000);
    const std::int64_t ntpSecs = secs + kNtpToUnixSeconds;
    const auto wrapped = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ntpSecs) & 0xFFFFFFFFu);
    // Rounded up, so that decoding (which truncates) gives the same
    // millisecond back.
    const auto fraction = static_cast<std::uint32_t>((ms * kTwo32 + 999) / 1000);
    return {wrapped, fraction};
}

std::int64_t unixMsFromNtp(NtpTimestamp ts) {
    std::int64_t ntpSecs = ts.seconds;
    if ((ts.seconds & 0x80000000u) == 0) ntpSecs += static_cast<std::int64_t>(kTwo32);  // era 1
    const auto ms = static_cast<std::int64_t>((std::uint64_t{ts.fraction} * 1000) >> 32);
    return (ntpSecs - kNtpToUnixSeconds) * 1000 + ms;
}

NtpTimestamp withNoise(NtpTimestamp ts, std::uint32_t noise) {
    const std::uint64_t f = std::uint64_t{ts.fraction} + (noise & kNoiseMask);
    if (f >= kTwo32) return ts;
    NtpTimestamp out{ts.seconds, static_cast<std::uint32_t>(f)};
    return unixMsFromNtp(out) == unixMsFromNtp(ts) ? out : ts;
}

NtpTimestamp EncodeNtpTimestamp(DateTime local) {
    return ntpFromUnixMs(std::llround(toUnixSecondsLocal(local) * 1000.0));
}

DateTime DecodeNtpTimestamp(std::uint32_t seconds, std::uint32_t fraction) {
    const std::int64_t ms = unixMsFromNtp({seconds, fraction});
    const std::int64_t whole = floorDiv(ms, 1000);
    return fromUnixSecondsLocal(static_cast<double>(whole)) + static_cast<double>(ms - whole * 1000) / kMsPerDay;
}

double CurrentUtcBias(DateTime local) {
    return (toUnixSecondsLocal(local) / kSecondsPerDay + kUnixEpochDateTime) - local;
}

NtpPacket makeSntpRequest(NtpTimestamp transmit) {
    NtpPacket p{};
    p[0] = 0x1B;  // leap 0, version 3, mode 3
    writeU32(p, 40, transmit.seconds);
    writeU32(p, 44, transmit.fraction);
    return p;
}

std::optional<SntpReply> parseSntpPacket(std::span<const std::uint8_t> datagram) {
    if (datagram.size() != kNtpPacketSize) return std::nullopt;
    SntpReply r;
    r.leap = datagram[0] >> 6;
    r.version = (datagram[0] >> 3) & 7;
    r.mode = datagram[0] & 7;
    r.stratum = datagram[1];
    r.originate = readTimestamp(datagram, 24);
    r.receive = readTimestamp(datagram, 32);
    r.transmit = readTimestamp(datagram, 40);
    return r;
}

SntpVerdict judgeSntpReply(std::span<const std::uint8_t> datagram, NtpTimestamp sent) {
    const auto reply = parseSntpPacket(datagram);
    if (!reply || reply->mode != 4 || (reply->version != 3 && reply->version != 4) || !(reply->originate == sent))
        return SntpVerdict::NotOurs;
    if (reply->leap == 3) return SntpVerdict::Unsynchronised;
    if (reply->stratum == 0 || reply->stratum > 15) return SntpVerdict::BadStratum;
    if (reply->transmit.isZero()) return SntpVerdict::ZeroTransmit;
    return SntpVerdict::Usable;
}

double clockOffsetMs(std::int64_t t1, std::int64_t t2, std::int64_t t3, std::int64_t t4) {
    return (static_cast<double>(t2 - t1) + static_cast<double>(t3 - t4)) / 2.0;
}

double replyOffsetMs(const SntpReply& reply, std::int64_t t4) {
    return clockOffsetMs(unixMsFromNtp(reply.originate), unixMsFromNtp(reply.receive), unixMsFromNtp(reply.transmit),
                         t4);
}

std::optional<double> meanOffsetMs(const std::vector<double>& offsetsMs) {
    if (offsetsMs.empty()) return std::nullopt;
    double sum = 0;
    for (double o : offsetsMs) sum += o;
    return sum / static_cast<double>(offsetsMs.size());
}

OffsetDisplay offsetForDisplay(double offsetMs) {
    if (!std::isfinite(offsetMs)) return {};
    const double total = std::fmod(std::round(std::fabs(offsetMs)), 86400000.0);
    const auto ms = static_cast<std::int64_t>(total);
    return {ms / 1000, static_cast<int>(ms % 1000)};
}

std::vector<TimeServer> defaultTimeServers() {
    return {{"0.pool.ntp.org", kNtpPort}, {"1.pool.ntp.org", kNtpPort}, {"2.pool.ntp.org", kNtpPort}};
}

std::vector<TimeServer> parseTimeServers(std::string_view text) {
    std::vector<TimeServer> out;
    while (!text.empty() && out.size() < kMaxTimeServers) {
        const std::size_t comma = text.find(',');
        std::string_view entry = trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (entry.empty()) continue;

        TimeServer server;
        const std::size_t colon = entry.find(':');
        if (colon != std::string_view::npos) {
            if (entry.find(':', colon + 1) != std::string_view::npos) continue;  // IPv6 is not spoken
            const std::string_view port = trim(entry.substr(colon + 1));
            if (port.empty() || port.size() > 5) continue;
            unsigned value = 0;
            bool digits = true;
            for (char c : port) {
                if (c < '0' || c > '9') digits = false;
                else value = value * 10 + static_cast<unsigned>(c - '0');
            }
            if (!digits || value == 0 || value > 65535) continue;
            server.port = static_cast<std::uint16_t>(value);
            entry = trim(entry.substr(0, colon));
        }
        if (entry.empty() || entry.size() > 253) continue;
        bool clean = true;
        for (char c : entry)
            if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) clean = false;
        if (!clean) continue;
        server.host = std::string(entry);
        out.push_back(std::move(server));
    }
    return out;
}

}  // namespace ostrel
