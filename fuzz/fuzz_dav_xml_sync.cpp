// WebDAV multistatus replies as a server could send them: any bytes end in
// a result or DavXmlError.
#include <cstddef>
#include <cstdint>

#include "sync/dav_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        ostrel::sync::parseMultistatus(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const ostrel::sync::DavXmlError&) {
    }
    return 0;
}
