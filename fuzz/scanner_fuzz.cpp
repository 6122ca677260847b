// The markup scanner over arbitrary UTF-16: every node must stay inside the text and the
// scan must always move forward.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/config/scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    const auto length = static_cast<std::int32_t>(text.find(u'\0') == std::u16string::npos
                                                      ? text.size()
                                                      : text.find(u'\0'));
    using namespace kivu::config;
    ScanCursor cursor(text.c_str(), 0);
    ScanNode node;
    while (NextNode(cursor, node) != kNodeEndOfDocument) {
        if (node.length <= 0 || node.start + node.length > length || cursor.next != node.start + node.length) {
            std::abort();
        }
        ScanCursor inner = cursor;
        inner.next = node.start + 1;
        SeekAttribute(inner, u"encoding");
        inner.next = node.start + 1;
        if (NextName(inner)) MatchName(inner, u"xml");
        TokenText(inner);
    }
    return 0;
}
