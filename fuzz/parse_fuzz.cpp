// Parse of arbitrary UTF-8 text, followed by lookups and the text of every element.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "updater/config/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kivu;
    config::XmlDocument document;
    document.SetText(platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));
    document.Parse();
    document.LookupValue(u"INFO", u"DEVICE");
    document.LookupValue(u"OBJECT", u"EXIT");
    document.LookupValue(u"", u"");
    for (std::int32_t i = 1; i < document.elementCount(); ++i) document.ElementText(i);
    return 0;
}
