// INI files (the settings file): reading every key of every section, then
// writing in a batch and reading the result back. The file lives in memory
// (/dev/shm) and the batch is committed (a real replace with fsync) for one
// input in 64 only, so the parser and the in-memory edits get the
// executions and the file-writing path is still reached.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/settings/ini_file.h"

namespace {

std::string& filePath() {
    static std::string path = [] {
        const char* shm = "/dev/shm";
        std::string dir = access(shm, W_OK) == 0 ? shm : "/tmp";
        return dir + "/ostrel-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ostrel::IniFile;
    {
        std::ofstream out(filePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    IniFile ini(filePath());
    try {
        // The section names the file holds, as the readers would ask for them.
        const std::string text(reinterpret_cast<const char*>(data), size);
        std::size_t asked = 0;
        for (std::size_t at = text.find('['); at != std::string::npos && asked < 8;
             at = text.find('[', at + 1), ++asked) {
            const std::size_t close = text.find_first_of("]\n", at);
            const std::string section = text.substr(at + 1, close == std::string::npos ? 16 : close - at - 1);
            for (const auto& [key, value] : ini.readSection(section)) {
                if (value.size() > 4 * IniFile::kMaxValueLength) __builtin_trap();
                (void)ini.readInteger(section, key, 7);
                (void)ini.hasKey(section, key);
            }
        }
        (void)ini.readString("General", "Language", "English");
        (void)IniFile::parseInteger(text.substr(0, 40));

        ini.beginBatch();
        ini.writeInteger("Clock", "Top", static_cast<std::int64_t>(size));
        ini.writeString("General", "Language", text.substr(0, 64));
        ini.deleteKey("Clock", "Left");
        if (ini.readInteger("Clock", "Top", -1) != static_cast<std::int64_t>(size)) __builtin_trap();
        if (size > 0 && data[0] % 64 == 0) {
            ini.commitBatch();
            if (ini.readInteger("Clock", "Top", -1) != static_cast<std::int64_t>(size)) __builtin_trap();
        } else {
            ini.discardBatch();
        }
    } catch (const ostrel::IniError&) {
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
