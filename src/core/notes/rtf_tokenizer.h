#pragma once
// Splits RTF bytes into groups, control words, control symbols, hex bytes
// and runs of text. Never reads past the end, whatever the input.

#include <cstdint>
#include <string_view>

namespace ostrel::rtf {

enum class TokenKind {
    End,            // no more input
    GroupStart,     // {
    GroupEnd,       // }
    ControlWord,    // \name or \nameN (the one blank after it is consumed)
    ControlSymbol,  // \ and one character that is not a letter (not ')
    HexByte,        // \'hh
    Text,           // bytes without \ { } and without line breaks
    Binary,         // the data of \binN, already skipped
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view name;   // ControlWord: the letters (at most 32 kept)
    bool hasParam = false;   // ControlWord: a number followed
    std::int32_t param = 0;  // ControlWord: the number, clamped to 32 bits
    char symbol = 0;         // ControlSymbol: the character
    std::uint8_t byte = 0;   // HexByte: the value
    std::string_view text;   // Text: the bytes
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view input) : in_(input) {}
    Token next();
    std::size_t position() const { return pos_; }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
};

}  // namespace ostrel::rtf
