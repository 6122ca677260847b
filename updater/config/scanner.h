// The XML markup scanner: cuts UTF-16 text into nodes in one forward pass, without building a
// tree, and reads name tokens and attribute values inside tags. It is lenient: malformed
// markup becomes an error node with a message, and scanning resumes after it.
#pragma once

#include <cstdint>
#include <string>

namespace kivu::config {

// Node kinds returned by NextNode.
enum NodeType : std::int32_t {
    kNodeEndOfDocument = -2,
    kNodeError = -1,
    kNodeEndTag = 0,
    kNodeElement = 1,
    kNodeText = 2,
    kNodeWhitespace = 4,
    kNodeCData = 8,
    kNodeProcessingInstruction = 16,
    kNodeComment = 32,
    kNodeDoctype = 64,
};

inline constexpr std::uint32_t kScanIgnoreCase = 8;          // cursor and document flag
inline constexpr std::uint32_t kScanQuotedToken = 0x8000;    // cursor flag
inline constexpr std::uint32_t kNodeEmptyElement = 0x10000;  // node flag

// The caller's reading position in one zero-terminated text, which it keeps alive.
struct ScanCursor {
    const char16_t* text = nullptr;
    std::int32_t next = 0;
    std::int32_t tokenStart = 0;
    std::int32_t tokenEnd = -1;  // tokenEnd < tokenStart: empty token
    std::uint32_t flags = 0;
    std::int32_t savedStart = 0;
    std::int32_t savedSkip = 0;

    ScanCursor() = default;
    ScanCursor(const char16_t* zeroTerminated, std::uint32_t documentFlags)
        : text(zeroTerminated), flags(documentFlags) {}
};

struct ScanNode {
    std::int32_t type = kNodeError;
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::uint32_t flags = 0;
    std::u16string name;  // tag or instruction name; the message of an error node
};

// Reads one node at cursor.next and moves past it; returns the node's type.
std::int32_t NextNode(ScanCursor& cursor, ScanNode& node);

// Skips whitespace and makes the following name the current token; false at the end.
bool NextName(ScanCursor& cursor);

// Whether the current token is `name` (see the stop characters in the implementation).
bool MatchName(const ScanCursor& cursor, const char16_t* name);
// The same for a name of `length` units that need not end with a 0 unit.
bool MatchName(const ScanCursor& cursor, const char16_t* name, std::int32_t length);

std::u16string TokenText(const ScanCursor& cursor);

// Finds attribute `name` of the tag whose name starts at or after cursor.next; on success
// the value (without quotes) is the current token.
bool SeekAttribute(ScanCursor& cursor, const char16_t* name);

inline bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace kivu::config
