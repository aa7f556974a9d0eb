#pragma once
// Profile-style INI files (the settings file and the language files).
//
// Every call reads the file afresh; nothing is cached. Section and key names
// are matched without regard to case and the first match wins. A missing
// file, section or key reads as the default. A write keeps every other line
// of the file (comments, foreign keys, order) and replaces the file
// atomically.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel {

// The file exists but cannot be read, or cannot be written.
class IniError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniFile {
public:
    explicit IniFile(std::string path);
    const std::string& path() const { return path_; }

    // Text values are read up to 2047 characters, outer blanks dropped.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after 0x, 0X or $; anything else reads as def.
    std::int64_t readInteger(std::string_view section, std::string_view key, std::int64_t def) const;
    // True for any integer other than 0.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    // Key and value lines of a section, in file order (first section of
    // that name).
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void deleteKey(std::string_view section, std::string_view key);

private:
    std::string path_;
};

}  // namespace ostrel
