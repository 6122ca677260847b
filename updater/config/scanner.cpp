#include "updater/config/scanner.h"

#include <string>

namespace kivu::config {

namespace {

// What the scanner is waiting for before the kind of the node is known.
enum Mark : std::uint32_t {
    kLt = 1,            // just after '<'
    kBang = 2,          // just after "<!"
    kBangDash = 4,      // just after "<!-"
    kBangBracket = 8,   // just after "<!["
    kBlankRun = 0x10,
    kDoctype = 0x20,
    kSingleQuoted = 0x40,
    kDoubleQuoted = 0x80,
    kEquals = 0x100,    // after '=' inside a tag, before its value
};

void AppendDecimal(std::u16string& out, std::int32_t value) {
    std::string digits = std::to_string(value);
    out.append(digits.begin(), digits.end());
}

std::u16string Message(const char16_t* text, std::int32_t offset, const char16_t* tail = u"") {
    std::u16string message = text;
    AppendDecimal(message, offset);
    message += tail;
    return message;
}

const char16_t* KindWord(std::int32_t type, bool doctype) {
    if (doctype || type == kNodeDoctype) return u"Doctype";
    switch (type) {
        case kNodeElement: return u"Element tag";
        case kNodeEndTag: return u"Element end tag";
        case kNodeCData: return u"CDATA Section";
        case kNodeProcessingInstruction: return u"Processing instruction";
        case kNodeComment: return u"Comment";
        default: return u"tag";
    }
}

bool IsNameStop(char16_t c) {
    switch (c) {
        case u'<': case u'>': case u'=': case u'\\': case u'/': case u'?': case u'!':
        case u'"': case u'\'': case u';':
            return true;
        default:
            return IsXmlSpace(c);
    }
}

}  // namespace

std::int32_t NextNode(ScanCursor& cursor, ScanNode& node) {
    const char16_t* text = cursor.text;
    const std::int32_t start = cursor.next;
    node.start = start;
    node.flags = 0;
    node.name.clear();
    if (text[start] == 0) {
        node.length = 0;
        node.type = 0;
        return kNodeEndOfDocument;
    }

    std::int32_t type = kNodeError;
    const char16_t* terminator = nullptr;
    std::int32_t terminatorLength = 0;
    std::uint32_t marks = 0;
    std::int32_t nameStart = -1;  // >= 0 while a tag name is being read
    char16_t last = 0;
    char16_t beforeLast = 0;
    std::int32_t end = start;  // index of the node's last unit

    auto await = [&](std::int32_t newType, const char16_t* newTerminator) {
        type = newType;
        terminator = newTerminator;
        terminatorLength = static_cast<std::int32_t>(std::char_traits<char16_t>::length(newTerminator));
    };
    auto fail = [&](const char16_t* message) {
        await(kNodeError, u">");
        node.name = Message(message, start);
    };

    for (std::int32_t i = start;; ++i) {
        char16_t c = text[i];
        // Fast paths: inside most nodes only a few characters matter, so runs of the others
        // are passed over in a tight loop with the same outcome as one by one.
        if (nameStart < 0 && terminator != nullptr) {
            if (type == kNodeText) {
                while (c != 0 && c != u'<' && c != u'>') c = text[++i];
            } else if (type == kNodeComment || type == kNodeCData || type == kNodeProcessingInstruction ||
                       type == kNodeEndTag) {
                while (c != 0 && c != u'>') c = text[++i];
            } else if (type == kNodeElement) {
                // Inside quotes only the closing quote matters; outside quotes and before any
                // '=', only '>' and '='. Every character passed over is remembered as the last.
                const std::int32_t from = i;
                if (marks & (kDoubleQuoted | kSingleQuoted)) {
                    const char16_t quote = (marks & kDoubleQuoted) ? u'"' : u'\'';
                    while (c != 0 && c != quote) c = text[++i];
                } else if (!(marks & kEquals)) {
                    while (c != 0 && c != u'>' && c != u'=') c = text[++i];
                }
                if (i > from) {
                    beforeLast = i - 1 > from ? text[i - 2] : last;
                    last = text[i - 1];
                }
            }
        } else if (terminator == nullptr && (marks & kBlankRun) && i > start) {
            while (IsXmlSpace(c)) c = text[++i];
        }
        if (c == 0) {
            end = i - 1;
            if (type != kNodeText && type != kNodeWhitespace) {
                node.name = KindWord(type, marks & kDoctype);
                node.name += Message(u" at offset ", start, u" unterminated");
                type = kNodeError;
            }
            break;
        }

        if (nameStart >= 0) {
            if (!IsXmlSpace(c) && c != u'/' && c != u'>') continue;
            if (type == kNodeEndTag) {
                cursor.tokenStart = nameStart;
                cursor.tokenEnd = i - 1;
            } else {
                node.name.assign(text + nameStart, static_cast<std::size_t>(i - nameStart));
            }
            nameStart = -1;
            last = beforeLast = 0;
        }

        if (terminator == nullptr) {
            if (i == start) {
                if (c == u'<') {
                    marks |= kLt;
                } else if (IsXmlSpace(c)) {
                    type = kNodeWhitespace;
                    marks |= kBlankRun;
                } else {
                    await(kNodeText, u"<");
                }
            } else if (marks & kBlankRun) {
                if (c == u'<') {
                    end = i - 1;
                    type = kNodeWhitespace;
                    break;
                }
                if (!IsXmlSpace(c)) {
                    marks &= ~kBlankRun;
                    await(kNodeText, u"<");
                }
            } else if (marks & kLt) {
                marks &= ~kLt;
                if ((c >= u'A' && c <= u'Z') || c >= 0x61 || c == u'_' || c == u':') {
                    await(kNodeElement, u">");
                    nameStart = i;
                } else if (c == u'/') {
                    await(kNodeEndTag, u">");
                    nameStart = i + 1;
                } else if (c == u'!') {
                    marks |= kBang;
                } else if (c == u'?') {
                    await(kNodeProcessingInstruction, u"?>");
                    nameStart = i + 1;
                } else {
                    fail(u"Incorrect tag name character at offset ");
                }
            } else if (marks & kBang) {
                marks &= ~kBang;
                if (c == u'-') {
                    marks |= kBangDash;
                } else if (c == u'[' && !(marks & kDoctype)) {
                    marks |= kBangBracket;
                } else if (c == u'D' && !(marks & kDoctype)) {
                    marks |= kDoctype;
                } else if (c == u'E' || c == u'A' || c == u'N') {
                    await(kNodeDoctype, u">");
                } else {
                    fail(u"Incorrect ! tag at offset ");
                }
            } else if (marks & kBangDash) {
                marks &= ~kBangDash;
                if (c == u'-') {
                    await(kNodeComment, u"-->");
                } else {
                    fail(u"Incorrect comment tag at offset ");
                }
            } else if (marks & kBangBracket) {
                marks &= ~kBangBracket;
                if (c == u'C') {
                    await(kNodeCData, u"]]>");
                } else {
                    fail(u"Incorrect tag at offset ");
                }
            } else if (marks & kDoctype) {
                if (c == u'<') {
                    marks |= kLt;
                } else if (c == u'>') {
                    end = i;
                    type = kNodeDoctype;
                    break;
                }
            }
            continue;
        }

        const bool quoted = (marks & (kSingleQuoted | kDoubleQuoted)) != 0;
        if (c == u'>' && !quoted) {
            bool satisfied = false;
            if (terminatorLength == 1) {
                satisfied = true;
                if (type == kNodeElement && last == u'/' &&
                    (IsXmlSpace(beforeLast) || beforeLast == u'"' || beforeLast == u'\'' ||
                     beforeLast == 0)) {
                    node.flags |= kNodeEmptyElement;
                }
            } else if (i > terminatorLength) {
                satisfied = std::char_traits<char16_t>::compare(
                                text + i - (terminatorLength - 1), terminator,
                                static_cast<std::size_t>(terminatorLength - 1)) == 0;
            }
            if (satisfied) {
                if (marks & kDoctype) {
                    // A declaration nested in the DOCTYPE is over; the DOCTYPE goes on.
                    terminator = nullptr;
                    terminatorLength = 0;
                    continue;
                }
                end = i;
                break;
            }
        }
        if (c == u'<' && (type == kNodeText || type == kNodeError)) {
            end = i - 1;
            break;
        }
        if (type == kNodeElement || type == kNodeError) {
            if (marks & kDoubleQuoted) {
                if (c == u'"') marks &= ~kDoubleQuoted;
            } else if (marks & kSingleQuoted) {
                if (c == u'\'') marks &= ~kSingleQuoted;
            } else if (c == u'=') {
                if (last == u'=') {
                    marks &= ~kEquals;
                } else {
                    marks |= kEquals;
                }
            } else if (marks & kEquals) {
                if (c == u'"') {
                    marks = (marks & ~kEquals) | kDoubleQuoted;
                } else if (c == u'\'') {
                    marks = (marks & ~kEquals) | kSingleQuoted;
                } else if (!IsXmlSpace(c)) {
                    marks &= ~kEquals;
                }
            }
            beforeLast = last;
            last = c;
        } else if (type == kNodeDoctype) {
            if (c == u'"' && !(marks & kSingleQuoted)) marks ^= kDoubleQuoted;
            if (c == u'\'' && !(marks & kDoubleQuoted)) marks ^= kSingleQuoted;
        }
    }

    cursor.next = end + 1;
    node.length = end + 1 - start;
    node.type = type;
    return type;
}

bool NextName(ScanCursor& cursor) {
    const char16_t* text = cursor.text;
    std::int32_t p = cursor.next;
    while (IsXmlSpace(text[p])) ++p;
    cursor.tokenStart = p;
    if (text[p] == 0) {
        cursor.tokenEnd = p - 1;
        cursor.next = p;
        return false;
    }
    std::int32_t q = p + 1;
    if (!IsNameStop(text[p])) {
        while (text[q] != 0 && !IsNameStop(text[q])) ++q;
    }
    cursor.tokenEnd = q - 1;
    cursor.next = q;
    return true;
}

bool MatchName(const ScanCursor& cursor, const char16_t* name, std::int32_t nameLength) {
    const std::int32_t length = cursor.tokenEnd - cursor.tokenStart + 1;
    bool foldCase = (cursor.flags & kScanIgnoreCase) != 0;
    for (std::int32_t k = 0; k < length; ++k) {
        char16_t a = cursor.text[cursor.tokenStart + k];
        if (k >= nameLength) return false;
        char16_t b = name[k];
        if (a != b) {
            auto lower = [](char16_t c) {
                return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
            };
            if (!foldCase || lower(a) != lower(b)) return false;
        } else if (a >= 128) {
            // Past the first non-ASCII character the comparison is exact.
            foldCase = false;
        }
    }
    const char16_t after = length < nameLength ? name[length] : u'\0';
    return after == 0 || after == u' ' || after == u'=' || after == u'/' || after == u'[' ||
           after == u']';
}

bool MatchName(const ScanCursor& cursor, const char16_t* name) {
    return MatchName(cursor, name, static_cast<std::int32_t>(std::char_traits<char16_t>::length(name)));
}

std::u16string TokenText(const ScanCursor& cursor) {
    if (cursor.tokenEnd < cursor.tokenStart) return {};
    return std::u16string(cursor.text + cursor.tokenStart,
                          static_cast<std::size_t>(cursor.tokenEnd - cursor.tokenStart + 1));
}

bool SeekAttribute(ScanCursor& cursor, const char16_t* name) {
    const char16_t* text = cursor.text;
    bool afterEquals = false;
    bool seenTagName = false;
    bool matched = false;
    bool valueOfMatch = false;

    for (;;) {
        const std::int32_t before = cursor.next;
        std::int32_t p = before;
        while (IsXmlSpace(text[p])) ++p;
        if (text[p] == 0) {
            cursor.next = p;
            break;
        }
        const char16_t first = text[p];
        bool isValue = afterEquals;
        cursor.flags &= ~kScanQuotedToken;
        if (first == u'"' || first == u'\'') {
            std::int32_t q = p + 1;
            while (text[q] != 0 && text[q] != first) ++q;
            cursor.tokenStart = p + 1;
            cursor.tokenEnd = q - 1;
            cursor.next = text[q] == 0 ? q : q + 1;
            cursor.flags |= kScanQuotedToken;
            isValue = true;
        } else {
            auto stops = [afterEquals](char16_t c) {
                if (afterEquals) return c == 0 || IsXmlSpace(c) || c == u'>';
                return c == 0 || IsXmlSpace(c) || c == u'=' || c == u'>' || c == u'/' || c == u'?';
            };
            std::int32_t q = p + 1;
            if (!stops(first)) {
                while (!stops(text[q])) ++q;
            }
            cursor.tokenStart = p;
            cursor.tokenEnd = q - 1;
            cursor.next = q;
        }
        afterEquals = false;

        if (isValue) {
            if (matched) {
                valueOfMatch = true;
                break;
            }
            continue;
        }
        if (first == u'>' || first == u'/' || first == u'?') {
            cursor.next = before;
            break;
        }
        if (first == u'=') {
            afterEquals = true;
            continue;
        }
        if (!seenTagName) {
            seenTagName = true;
            continue;
        }
        if (matched) break;  // a second name without a value for the matched one
        if (MatchName(cursor, name)) {
            matched = true;
            cursor.savedStart = cursor.tokenStart;
            cursor.savedSkip = cursor.tokenEnd;
        }
    }

    if (!matched) return false;
    if (!valueOfMatch) {
        cursor.tokenStart = cursor.savedStart;
        cursor.tokenEnd = cursor.savedSkip;
        cursor.next = cursor.savedSkip + 1;
        cursor.flags &= ~kScanQuotedToken;
    }
    return true;
}

}  // namespace kivu::config
