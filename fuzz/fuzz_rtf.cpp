// The notes' RTF reader on any bytes: it must not crash, read out of
// bounds or overflow, and what the writer makes of the result must read
// back to the same RTF.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/notes/rtf_reader.h"
#include "core/notes/rtf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const ostrel::rtf::ReadResult first = ostrel::rtf::read(input);
    const std::string written = ostrel::rtf::write(first.document);
    const ostrel::rtf::ReadResult again = ostrel::rtf::read(written);
    if (again.status != ostrel::rtf::ReadStatus::Ok) std::abort();
    if (ostrel::rtf::write(again.document) != written) std::abort();
    return 0;
}
