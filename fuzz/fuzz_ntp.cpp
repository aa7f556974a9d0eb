// The SNTP reply decoder and checks with hostile datagrams. The first eight
// bytes are the transmit timestamp we "sent"; the rest is the datagram.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/timesync/sntp.h"

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    auto u32 = [data](std::size_t at) {
        return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
               (std::uint32_t{data[at + 2]} << 8) | std::uint32_t{data[at + 3]};
    };
    const NtpTimestamp sent{u32(0), u32(4)};
    const std::span<const std::uint8_t> datagram(data + 8, size - 8);

    const SntpVerdict verdict = judgeSntpReply(datagram, sent);
    const auto reply = parseSntpPacket(datagram);
    if ((reply != std::nullopt) != (datagram.size() == kNtpPacketSize)) std::abort();
    if (verdict != SntpVerdict::NotOurs && !(reply && reply->originate == sent && reply->mode == 4)) std::abort();
    if (reply) {
        if (reply->leap > 3 || reply->version > 7 || reply->mode > 7 || reply->stratum > 255) std::abort();
        const std::int64_t t4 = unixMsFromNtp(sent);
        const double offset = replyOffsetMs(*reply, t4);
        if (!std::isfinite(offset)) std::abort();
        const OffsetDisplay shown = offsetForDisplay(offset);
        if (shown.seconds < 0 || shown.seconds >= 86400 || shown.milliseconds < 0 || shown.milliseconds > 999)
            std::abort();
        // Whole milliseconds survive a round trip in both eras.
        const std::int64_t ms = unixMsFromNtp(reply->transmit);
        if (unixMsFromNtp(ntpFromUnixMs(ms)) != ms) std::abort();
        if (unixMsFromNtp(withNoise(ntpFromUnixMs(ms), reply->receive.fraction)) != ms) std::abort();
    }
    // The same bytes as a settings text naming servers.
    const auto servers =
        parseTimeServers(std::string_view(reinterpret_cast<const char*>(datagram.data()), datagram.size()));
    if (servers.size() > kMaxTimeServers) std::abort();
    for (const auto& s : servers)
        if (s.host.empty() || s.port == 0) std::abort();
    return 0;
}
