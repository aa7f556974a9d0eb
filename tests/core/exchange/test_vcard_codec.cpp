// vCard files: our contacts through a 4.0 file and back, cards as phones
// and address books of the 2.1, 3.0 and 4.0 eras write them, and text that
// is no card.

#include <gtest/gtest.h>
#include <cctype>

#include <fstream>
#include <sstream>

#include "core/exchange/vcard_codec.h"
#include "core/time/datetime.h"

using namespace ostrel;
using namespace ostrel::exchange;

namespace {

std::string fixture(const char* name) {
    std::ifstream f(std::string(OSTREL_SOURCE_DIR) + "/tests/fixtures/exchange/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void expectSameCard(const Card& a, const Card& b) {
    EXPECT_EQ(a.uid, b.uid);
    EXPECT_EQ(a.lastName, b.lastName);
    EXPECT_EQ(a.firstName, b.firstName);
    EXPECT_EQ(a.birthday, b.birthday);
    EXPECT_EQ(a.homePhone, b.homePhone);
    EXPECT_EQ(a.jobPhone, b.jobPhone);
    EXPECT_EQ(a.mobilePhone, b.mobilePhone);
    EXPECT_EQ(a.address, b.address);
    EXPECT_EQ(a.mail, b.mail);
    EXPECT_EQ(a.icq, b.icq);
    EXPECT_EQ(a.webSite, b.webSite);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.photo, b.photo);
    if (!a.photo.empty()) {
        EXPECT_EQ(a.photoType, b.photoType);
    }
}

}  // namespace

TEST(VCardCodec, ContactsComeBackUnchanged) {
    Card full;
    full.uid = "urn:uuid:0b6c3c59-3f47-4a8b-9a57-0f0c0a6f7d11";
    full.lastName = "Соколова-Д'Арк";
    full.firstName = "Анна; Мария, младшая";
    full.birthday = encodeDate(1990, 2, 28);
    full.homePhone = "+7 (495) 123-45-67";
    full.jobPhone = "+7 495 765 43 21, ext. 12";
    full.mobilePhone = "+7 916 000 11 22";
    full.address = "ул. Тверская, д. 1; кв. 5\nМосква 125009\nRussia";
    full.mail = "anna@example.ru";
    full.icq = "123-456-789";
    full.webSite = "https://example.ru/anna?a=1;b=2";
    full.comment = std::string("A long note that has to be folded several times, with a backslash \\ and ") +
                   "non-ASCII text: съешь же ещё этих мягких французских булок, да выпей чаю.\nSecond line.";
    full.photo = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x5A') + std::string("\xFF\xD9", 2);
    full.photoType = "JPEG";
    Card bare;
    bare.uid = "bare";
    bare.lastName = "Only";
    std::vector<Card> cards{full, bare};
    for (CardGroup g : {CardGroup::Family, CardGroup::Job, CardGroup::Friends}) {
        Card c = bare;
        c.uid = "group-" + std::to_string(static_cast<int>(g));
        c.firstName = "In a group";
        c.group = g;
        cards.push_back(c);
    }

    const std::string text = writeCards(cards);
    EXPECT_NE(text.find("VERSION:4.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("CATEGORIES:Family\r\n"), std::string::npos);
    EXPECT_NE(text.find("PHOTO:data:image/jpeg;base64,/9j/"), std::string::npos);
    // Every line at most 75 octets, never cut inside a UTF-8 character.
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u);
        if (end + 2 < text.size() && text[end + 2] == ' ') {
            EXPECT_NE(static_cast<unsigned char>(text[end + 3]) & 0xC0, 0x80) << text.substr(start, end - start);
        }
        start = end + 2;
    }

    const CardRead back = readCards(text);
    EXPECT_EQ(back.skipped, 0);
    ASSERT_EQ(back.cards.size(), cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        SCOPED_TRACE(cards[i].uid);
        expectSameCard(back.cards[i], cards[i]);
    }
}

TEST(VCardCodec, ReadsCardsOfPhonesAndAddressBooks) {
    const CardRead read = readCards(fixture("phone_cards.vcf"));
    EXPECT_EQ(read.skipped, 1);  // a card with an e-mail address and no name
    ASSERT_EQ(read.cards.size(), 3u);

    // 2.1: quoted-printable in windows-1251 and in UTF-8 with a soft line
    // break, types as bare parameters, a folded base64 photo.
    const Card& petrov = read.cards[0];
    EXPECT_EQ(petrov.lastName, "Петров");
    EXPECT_EQ(petrov.firstName, "Пётр");
    EXPECT_EQ(petrov.homePhone, "+7 495 111-22-33");
    EXPECT_EQ(petrov.jobPhone, "+7 495 444-55-66");
    EXPECT_EQ(petrov.mobilePhone, "+7 916 777-88-99");
    EXPECT_EQ(petrov.address, "Улица Ленина, дом 5, кв. 12");
    EXPECT_EQ(petrov.mail, "petrov@example.ru");
    EXPECT_EQ(petrov.birthday, encodeDate(1975, 3, 8));
    EXPECT_EQ(petrov.comment, "Первая строка\nВторая строка");
    EXPECT_EQ(petrov.photoType, "JPEG");
    EXPECT_EQ(petrov.photo, fixture("small.jpg"));
    EXPECT_EQ(petrov.group, CardGroup::NotAssigned);

    // 3.0: escaped separators, an address of several parts, CATEGORIES.
    const Card& mary = read.cards[1];
    EXPECT_EQ(mary.lastName, "O'Neil");
    EXPECT_EQ(mary.firstName, "Mary Ann");
    EXPECT_EQ(mary.jobPhone, "+1-555-0100");
    EXPECT_FALSE(mary.homePhone);
    EXPECT_EQ(mary.address, "Suite 5, 12 Main St, Building B, Springfield, IL, 62701, USA");
    EXPECT_EQ(mary.webSite, "https://example.com/mary");
    EXPECT_EQ(mary.icq, "123456789");
    EXPECT_EQ(mary.group, CardGroup::Job);
    EXPECT_EQ(mary.comment, "Likes tea; dislikes coffee, mostly.\nCall after 10.");
    EXPECT_EQ(mary.birthday, encodeDate(1980, 2, 29));
    EXPECT_EQ(mary.photo, fixture("small.jpg"));

    // 4.0: a tel: URI, quoted TYPE list, a data: URI photo folded.
    const Card& sam = read.cards[2];
    EXPECT_EQ(sam.uid, "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1");
    EXPECT_EQ(sam.mobilePhone, "+44-20-7946-0000");
    EXPECT_EQ(sam.group, CardGroup::Friends);
    EXPECT_EQ(sam.photo, fixture("small.jpg"));
}

TEST(VCardCodec, OddValuesAsWritersProduceThem) {
    struct Case {
        const char* card;  // the lines between BEGIN and END
        const char* lastName;
        const char* firstName;
        const char* note;
    };
    const Case cases[] = {
        // Only FN: the last word is the last name.
        {"VERSION:3.0\r\nFN:Jean Luc Picard\r\n", "Picard", "Jean Luc", ""},
        // Only ORG.
        {"VERSION:3.0\r\nORG:Acme Corp;Sales\r\n", "Acme Corp", "", ""},
        // A 2.1 quoted-printable value whose soft break ends the line.
        {"VERSION:2.1\r\nN:Doe;John\r\nNOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9 =\r\nau lait\r\n", "Doe", "John",
         "café au lait"},
        // Latin-1 declared; a group prefix on the property name.
        {"VERSION:2.1\r\nitem1.N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=F6rg\r\n", "Müller", "Jörg",
         ""},
        // LF line ends and a fold with a tab.
        {"VERSION:4.0\nN:Long;Na\n\tme\nNOTE:x\\,y\n", "Long", "Name", "x,y"},
        // Bytes that are not UTF-8 without a charset: Windows-1252.
        {"VERSION:2.1\r\nN:Fran\xE7ois;Ren\xE9\r\n", "François", "René", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card);
        const CardRead r = readCards(std::string("BEGIN:VCARD\r\n") + c.card + "END:VCARD\r\n");
        ASSERT_EQ(r.cards.size(), 1u);
        EXPECT_EQ(r.cards[0].lastName, c.lastName);
        EXPECT_EQ(r.cards[0].firstName, c.firstName);
        EXPECT_EQ(r.cards[0].comment.value_or(""), c.note);
    }
}

// A picture whose type is not a plain name: the type is dropped, the
// picture kept, and what is written reads back with the same picture.
TEST(VCardCodec, APhotoTypeThatIsNoNameKeepsThePicture) {
    for (const char* type : {"J\x01\x02\xfd", "J,4AAQ", "jpeg;base64", "a/b"}) {
        SCOPED_TRACE(type);
        const std::string text = std::string("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jo\r\nPHOTO;ENCODING=b;TYPE=") +
                                 type + ":/9j/4AAQ\r\nEND:VCARD\r\n";
        const CardRead first = readCards(text);
        ASSERT_EQ(first.cards.size(), 1u);
        ASSERT_FALSE(first.cards[0].photo.empty());
        for (char ch : first.cards[0].photoType) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '+');
        const CardRead second = readCards(writeCards(first.cards));
        ASSERT_EQ(second.cards.size(), 1u);
        EXPECT_EQ(second.cards[0].photo, first.cards[0].photo);
    }
}

TEST(VCardCodec, RefusesWhatIsNoCardFile) {
    const std::string notCards[] = {
        "",
        "hello",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n",
        // A card that never ends, after one that does: nothing is read.
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:C;D\r\n",
        "BEGIN:VCARD\r\nN:A;B\r\nBEGIN:VCARD\r\nN:C;D\r\nEND:VCARD\r\n",
        // Text before the first card, with or without a colon.
        "hello\r\nBEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n",
        "Note: contacts\r\nBEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n",
        std::string(64, '\0') + "BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n",
    };
    for (const std::string& text : notCards) {
        SCOPED_TRACE(text);
        EXPECT_THROW(readCards(text), ExchangeError);
    }
    // The beginning alone tells a file of binary zeros from a card file.
    EXPECT_FALSE(mayBeVCard(std::string(4096, '\0')));
    EXPECT_FALSE(mayBeVCard("hello"));
    EXPECT_TRUE(mayBeVCard("\xEF\xBB\xBF\r\n  begin:vcard\r\nN:A"));
    EXPECT_TRUE(mayBeVCard("\r\n\r\nBEGIN:VC"));  // cut short: may still be one
    EXPECT_TRUE(mayBeVCard(std::string(4096, '\n')));
}

// A 2.1 card whose last value ends in a quoted-printable soft break still
// ends at its END:VCARD (the break joined END:VCARD to the value, and the
// file was refused as a card that does not end).
TEST(VCardCodec, ASoftBreakAtTheEndOfACardJoinsNothing) {
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;Anna\r\nNOTE;ENCODING=QUOTED-PRINTABLE:Line one=0D=0Aline two=\r\n"
        "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:Brown;Bob\r\nNOTE;ENCODING=QUOTED-PRINTABLE:soft=\r\n"
        "break=\r\nend:vcard\r\n";
    const CardRead read = readCards(text);
    ASSERT_EQ(read.cards.size(), 2u);
    EXPECT_EQ(read.cards[0].comment, "Line one\nline two");
    EXPECT_EQ(read.cards[1].lastName, "Brown");
    EXPECT_EQ(read.cards[1].comment, "softbreak");
}

TEST(VCardCodec, LimitsOfOneFile) {
    std::string text;
    for (int i = 0; i < 5; ++i) text += "BEGIN:VCARD\r\nN:Name" + std::to_string(i) + ";A\r\nEND:VCARD\r\n";
    EXPECT_EQ(readCards(text, 5).cards.size(), 5u);
    try {
        readCards(text, 4);
        ADD_FAILURE() << "five cards read under a limit of four";
    } catch (const ExchangeLimitError& e) {
        EXPECT_EQ(e.which, ExchangeLimit::Cards);
        EXPECT_EQ(e.limit, 4u);
    }
    int asked = 0;
    EXPECT_THROW(readCards(text, 100,
                           [&](double done) {
                               EXPECT_GE(done, 0.0);
                               EXPECT_LT(done, 1.0);
                               return ++asked < 3;
                           }),
                 ExchangeStopped);
    EXPECT_EQ(asked, 3);
}

TEST(VCardCodec, Base64BothWays) {
    for (const std::string& bytes : {std::string(), std::string("f"), std::string("fo"), std::string("foo"),
                                     std::string("\0\xFF\x80 binary", 10)}) {
        const auto back = fromBase64(toBase64(bytes));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, bytes);
    }
    EXPECT_EQ(toBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(fromBase64("Zm9v\r\n  YmFy"), std::string("foobar"));
    EXPECT_FALSE(fromBase64("Zm9v*YmFy"));
    EXPECT_FALSE(fromBase64("Zg==Zg"));
}
