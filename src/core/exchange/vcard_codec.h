#pragma once
// vCard files: version 4.0 written (RFC 6350), versions 2.1, 3.0 and 4.0
// read. Written by hand: see docs/exchange.md.
//
// Reading unfolds lines (also the soft line breaks of quoted-printable
// values in 2.1 files), decodes quoted-printable and base64, converts the
// declared CHARSET (UTF-8, US-ASCII, ISO-8859-1 and the single-byte Windows
// code pages) to UTF-8, and undoes the escapes of 3.0 and 4.0 text values.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/exchange/calendar_codec.h"
#include "core/time/datetime.h"

namespace ostrel::exchange {

// The address book's group codes.
enum class CardGroup : std::uint8_t { Family = 1, Job = 2, Friends = 3, NotAssigned = 4 };

// One AddressBook row as it travels; text in UTF-8, an unset optional is
// a field the card does not have.
struct Card {
    std::string uid;
    std::string lastName;
    std::string firstName;
    std::optional<DateTime> birthday;  // a date, at midnight
    std::optional<std::string> homePhone;
    std::optional<std::string> jobPhone;
    std::optional<std::string> mobilePhone;
    std::optional<std::string> address;  // free text, lines kept
    std::optional<std::string> mail;
    std::optional<std::string> icq;
    std::optional<std::string> webSite;
    std::optional<std::string> comment;
    CardGroup group = CardGroup::NotAssigned;
    // The picture's bytes and its type ("JPEG", "PNG", ...); empty when the
    // card carries none.
    std::string photo;
    std::string photoType;
};

// The text of the cards as vCard 4.0, CRLF lines folded at 75 octets.
std::string writeCards(const std::vector<Card>& cards);

struct CardRead {
    std::vector<Card> cards;
    int skipped = 0;  // cards without any name
};

// Reads every card of a file. A card without a UID gets one made from its
// text ("card-<hash>"), the same each time the card is read. Throws
// ExchangeError when the text holds no vCard at all, holds anything but
// blank lines before the first BEGIN:VCARD, or a card does not end;
// ExchangeLimitError when it holds more than maxCards cards. step, when
// given, is asked before each card with the share of the file read (0 to
// 1); false stops the reading (ExchangeStopped).
CardRead readCards(std::string_view text, std::size_t maxCards = 100000,
                   const std::function<bool(double done)>& step = {});

// Whether a file beginning with these bytes may be a vCard file (after a
// BOM and blank lines, BEGIN:VCARD or the start of it): a file that cannot
// be is refused before the rest is read.
bool mayBeVCard(std::string_view head);

// Base64 of bytes and back (the decoder skips blanks and line breaks, and
// returns nothing for text that is not base64).
std::string toBase64(std::string_view bytes);
std::optional<std::string> fromBase64(std::string_view text);

}  // namespace ostrel::exchange
