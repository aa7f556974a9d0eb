#pragma once
// Profile-style INI files (the settings file and the language files).
//
// A file is read and parsed once per change of it: the parsed lines are kept
// (for all IniFile objects of the process) together with the file's
// identity, size and times, and read again when any of them differs or
// when the kept text was read within a second or two of the file's last
// change (a second change within the timestamps' granularity would go
// unseen). Files larger
// than kMaxFileBytes and anything but a regular file (a folder, a FIFO, a
// device) are refused with an IniError naming the file, without reading
// them. Section and key names
// are matched without regard to case (ASCII letters) and the first match
// wins: the first section of a name is the one read and written, and within
// it the first line with the key. A missing file, section or key reads as
// the default. A write keeps every other line of the file (comments, foreign
// keys, order, line endings, a byte-order mark) and replaces the file
// atomically: the new text goes to a temporary file in the same folder,
// which is flushed to disk and then renamed over the old one.
//
// Format: a line "[Name]" opens section Name (blanks around the name are
// dropped); a line "key=value" gives a value (blanks around key and value
// are dropped); lines may end in CRLF or LF; a UTF-8 byte-order mark at the
// start is skipped. Lines starting with ';' or '#', lines without '=' and
// lines before the first section are kept on write but never read as keys.
// Values are bytes; the file's encoding is the caller's business.
//
// Several writes become one replace of the file inside a batch
// (beginBatch .. commitBatch): the changes are kept in memory, reads in
// between see them, and commitBatch writes the file once (not at all when
// nothing changed). A process killed before the rename leaves the old file
// and possibly a temporary file "<name>.tmp-<digits>" beside it, which
// removeLeftoverTemporaries deletes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

struct IniDocument;

class IniFile {
public:
    // Longest text value read, in characters (UTF-8 sequences are never cut).
    static constexpr std::size_t kMaxValueLength = 2047;
    // Largest file read or written.
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    explicit IniFile(std::string path);
    const std::string& path() const { return path_; }

    // Text values are read up to 2047 characters, outer blanks dropped.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after 0x, 0X or $; anything else reads as def.
    std::int64_t readInteger(std::string_view section, std::string_view key, std::int64_t def) const;
    // True for any integer other than 0.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    // Key and value lines of a section, in file order (first section of
    // that name). Values as readString gives them.
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    // The value as readString gives it, or nothing when the key is missing.
    std::optional<std::string> findValue(std::string_view section, std::string_view key) const;
    // Whether the file exists (a missing file reads as empty).
    bool exists() const;

    // Line breaks inside a value are written as blanks (a value never spills
    // into a line of its own). Section and key names must be non-empty and
    // hold no line break, no '=' (keys) and no ']' (sections), else
    // std::invalid_argument.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    // Written in decimal.
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);
    // Written as "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Removes the key's line; nothing is written when there is no such key.
    void deleteKey(std::string_view section, std::string_view key);

    // See the batch notes above. A batch not committed (the object is
    // destroyed, or discardBatch) writes nothing.
    void beginBatch();
    void commitBatch();
    void discardBatch();
    bool inBatch() const { return batching_; }

    // Deletes the temporary files that writes of the file at path left
    // behind when the process was killed. Returns how many were removed.
    static int removeLeftoverTemporaries(const std::string& path);

    // An optional sign, then decimal digits or hexadecimal digits after 0x,
    // 0X or $; outer blanks allowed. Empty when the text is not such a
    // number or does not fit 64 bits.
    static std::optional<std::int64_t> parseInteger(std::string_view text);

    // Called with the temporary file's path after it has been written and
    // flushed, just before it replaces the file. Tests use it to stop a
    // write at that point by throwing; the temporary file is then removed
    // and the old file stays as it was. Empty function removes the hook.
    static void setBeforeReplaceHookForTesting(std::function<void(const std::string& tempPath)> hook);
    // How many times a file's text has been parsed in this process.
    static std::uint64_t parseCountForTesting();

private:
    std::shared_ptr<const IniDocument> document() const;
    // The document a write changes: the batch's, or a copy of the file's.
    IniDocument editable();
    void store(IniDocument doc);

    std::string path_;
    bool batching_ = false;
    bool dirty_ = false;
    std::shared_ptr<IniDocument> pending_;
};

}  // namespace ostrel
