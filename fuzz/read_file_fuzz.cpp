// ReadWholeFile over arbitrary file contents, then a parse of what it decoded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "platform/text.h"
#include "updater/config/text_file.h"
#include "updater/config/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kivu;
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kivu-read-fuzz-" + std::to_string(std::random_device{}()));
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    config::XmlDocument document;
    document.LoadFile(platform::Utf8ToUtf16(path.string()));
    document.LookupValue(u"INFO", u"BINFILE");
    return 0;
}
