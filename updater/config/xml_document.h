// One XML document as UTF-16 text with a table of its elements. Elements store positions in
// the text, not copies; names and text are read from the text when asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kivu::config {

// Element flags.
inline constexpr std::uint32_t kElementLevelMask = 0xFFFF;
inline constexpr std::uint32_t kElementFirstChild = 0x80000;
inline constexpr std::uint32_t kElementNotEnded = 0x100000;
inline constexpr std::uint32_t kElementHasProblem = 0x200000;
inline constexpr std::uint32_t kDocumentNotWellFormed = 0x800000;  // entry 0 only

struct ElementEntry {
    std::int32_t start = 0;       // index of the '<' of the start tag
    std::int32_t length = 0;      // to the end of the end tag (or of the start tag)
    std::uint32_t tagLengths = 0; // low 22 bits: start tag; high 10 bits: end tag
    std::uint32_t flags = 0;
    std::int32_t parent = 0;
    std::int32_t firstChild = 0;
    std::int32_t next = 0;
    std::int32_t previous = 0;    // for a first child: the last child of the parent

    std::int32_t StartTagLength() const { return static_cast<std::int32_t>(tagLengths & 0x3FFFFF); }
    std::int32_t EndTagLength() const { return static_cast<std::int32_t>(tagLengths >> 22); }
};

inline constexpr std::int32_t kSegmentEntries = 65536;

class XmlDocument {
public:
    XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Reads and decodes the file, then parses it. False when it cannot be read or is not
    // well-formed; result() says why.
    bool LoadFile(const std::u16string& path);
    // The first step of LoadFile: reads and decodes the file without parsing it.
    bool ReadFile(const std::u16string& path);
    // Rebuilds the element table from text(); true when the document is well-formed.
    bool Parse();
    void Rewind();
    bool SeekChild(const std::u16string& name);
    void Descend();
    std::u16string ElementText(std::int32_t index) const;
    // The text of element `key` inside element `section`, a child of the root; empty if none.
    std::u16string LookupValue(const std::u16string& section, const std::u16string& key);
    static std::u16string DecodeText(const char16_t* units, std::int32_t count);

    // Holds text from memory, as LoadFile would from a file, with no loader status.
    void SetText(std::u16string text) {
        text_ = std::move(text);
        result_.clear();
    }
    const std::u16string& text() const { return text_; }
    const std::u16string& result() const { return result_; }
    std::uint32_t flags() const { return flags_; }
    void set_flags(std::uint32_t flags) { flags_ = flags; }
    std::int32_t mainIndex() const { return mainIndex_; }
    std::int32_t childIndex() const { return childIndex_; }
    std::int32_t parentIndex() const { return parentIndex_; }
    std::int32_t elementCount() const { return nextEntry_; }
    std::int32_t capacity() const { return capacity_; }
    // Entries allocated in each segment, for checking how the table grows.
    std::vector<std::int32_t> SegmentSizes() const;
    const ElementEntry& Element(std::int32_t index) const { return Entry(index); }

private:
    class TreeBuilder;

    ElementEntry& Entry(std::int32_t index) const {
        return segments_[index >> 16][index & 0xFFFF];
    }
    void Grow(std::int32_t wanted);
    std::u16string ElementName(std::int32_t index) const;

    std::u16string text_;
    std::u16string result_;
    std::int32_t parentIndex_ = 0;
    std::int32_t mainIndex_ = 0;
    std::int32_t childIndex_ = 0;
    std::int32_t nextEntry_ = 0;
    std::uint32_t flags_ = 0;
    std::unique_ptr<std::unique_ptr<ElementEntry[]>[]> segments_;  // the segment directory
    std::int32_t capacity_ = 0;
    std::int32_t directoryCapacity_ = 0;
};

}  // namespace kivu::config
