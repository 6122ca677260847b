#include "updater/config/xml_document.h"

#include <algorithm>
#include <string>

#include "updater/config/name_tables.h"
#include "updater/config/scanner.h"
#include "updater/config/text_file.h"
#include "updater/config/wide_number.h"

namespace kivu::config {

namespace {

void AppendDecimal(std::u16string& out, std::int32_t value) {
    std::string digits = std::to_string(value);
    out.append(digits.begin(), digits.end());
}

// The code of a named reference (already folded to lower case), or 0. For the names that
// differ from another only in letter case (Aacute, aacute), a name written all in lower case
// yields its own character, the last of the twins in the bucket; any other spelling yields
// the first match, so that AMP still gives &.
std::int32_t EntityCode(const std::u16string& folded, bool writtenLowerCase) {
    std::uint32_t sum = 0;
    for (char16_t c : folded) sum += c;
    std::int32_t code = 0;
    for (const char16_t* entry = kEntityBuckets[sum % 130]; *entry != 0;) {
        std::size_t length = static_cast<std::size_t>(entry[0] - u'0');
        if (length == folded.size() && folded.compare(0, length, entry + 5, length) == 0) {
            code = 0;
            for (int k = 1; k < 5; ++k) code = code * 10 + (entry[k] - u'0');
            if (!writtenLowerCase) return code;
        }
        entry += 5 + length;
    }
    return code;
}

}  // namespace

XmlDocument::XmlDocument() {
    Parse();
    flags_ = 0;
}

std::vector<std::int32_t> XmlDocument::SegmentSizes() const {
    std::vector<std::int32_t> sizes;
    for (std::int32_t left = capacity_; left > 0; left -= kSegmentEntries) {
        sizes.push_back(std::min(left, kSegmentEntries));
    }
    return sizes;
}

void XmlDocument::Grow(std::int32_t wanted) {
    std::int32_t n = wanted == 0 ? nextEntry_ + nextEntry_ / 2 : wanted;
    if (capacity_ >= n) return;
    const std::int32_t last = capacity_ > 0 ? (capacity_ - 1) >> 16 : 0;
    std::int32_t segment = (n - 1) >> 16;
    if (segment > last + 1) {
        // One call adds at most one segment.
        segment = last + 1;
        n = (last + 2) * kSegmentEntries;
    }
    if (segment >= directoryCapacity_) {
        const std::int32_t slots = 2 * segment + 4;
        auto directory = std::make_unique<std::unique_ptr<ElementEntry[]>[]>(static_cast<std::size_t>(slots));
        for (std::int32_t k = 0; k < directoryCapacity_; ++k) directory[k] = std::move(segments_[k]);
        segments_ = std::move(directory);
        directoryCapacity_ = slots;
    }
    const std::int32_t lastHeld = capacity_ - last * kSegmentEntries;  // entries in segment `last`
    if (segment > last && lastHeld < kSegmentEntries) {
        auto full = std::make_unique<ElementEntry[]>(kSegmentEntries);
        std::copy_n(segments_[last].get(), lastHeld, full.get());
        segments_[last] = std::move(full);
    }
    const std::int32_t size = n - segment * kSegmentEntries;
    auto block = std::make_unique<ElementEntry[]>(static_cast<std::size_t>(size));
    if (segment == last && lastHeld > 0) std::copy_n(segments_[last].get(), lastHeld, block.get());
    segments_[segment] = std::move(block);
    capacity_ = n;
}

// Builds the element table in one pass over the scanner's nodes.
class XmlDocument::TreeBuilder {
public:
    explicit TreeBuilder(XmlDocument& document)
        : doc_(document), cursor_(document.text_.c_str(), document.flags_) {
        open_.reserve(6);
    }

    std::int32_t Run() {
        doc_.result_.clear();
        ScanNode node;
        for (;;) {
            switch (NextNode(cursor_, node)) {
                case kNodeElement: StartElement(node); break;
                case kNodeEndTag: EndElement(node); break;
                case kNodeError:
                    Problem();
                    Report(node.name);
                    break;
                case kNodeEndOfDocument:
                    while (depth_ > 0) CloseNotEnded(nullptr);
                    return first_;
                default: break;
            }
        }
    }

private:
    // An open element: where its name stands in the text, so that no name is copied.
    struct OpenTag {
        std::int32_t nameStart;
        std::int32_t nameLength;
        std::int32_t element;
    };

    std::u16string Name(const OpenTag& tag) const {
        return std::u16string(doc_.text_.c_str() + tag.nameStart, static_cast<std::size_t>(tag.nameLength));
    }

    ElementEntry& E(std::int32_t index) { return doc_.Entry(index); }

    void Report(const std::u16string& message) {
        if (doc_.result_.empty()) doc_.result_ = message;
    }

    void Problem() {
        E(0).flags |= kDocumentNotWellFormed;
        E(top_).flags |= kElementHasProblem;
    }

    void StartElement(const ScanNode& node) {
        if (doc_.nextEntry_ == doc_.capacity_) doc_.Grow(0);
        const std::int32_t index = doc_.nextEntry_++;
        if (first_ == 0) first_ = index;
        ElementEntry& element = E(index);
        element = ElementEntry{};
        element.parent = parent_;
        ElementEntry& parent = E(parent_);
        if (parent.firstChild == 0) {
            parent.firstChild = index;
            element.previous = index;
            element.flags |= kElementFirstChild;
        } else {
            ElementEntry& firstChild = E(parent.firstChild);
            const std::int32_t lastChild = firstChild.previous;
            E(lastChild).next = index;
            element.previous = lastChild;
            firstChild.previous = index;
        }
        element.flags |= static_cast<std::uint32_t>(depth_) & kElementLevelMask;
        element.start = node.start;
        element.tagLengths = static_cast<std::uint32_t>(node.length) & 0x3FFFFF;
        if (node.flags & kNodeEmptyElement) {
            element.length = node.length;
            return;
        }
        const auto slot = static_cast<std::size_t>(depth_);
        if (slot == open_.size()) {
            if (open_.size() == open_.capacity()) open_.reserve(open_.capacity() * 2 + 6);
            open_.emplace_back();
        }
        // The tag's name begins just after its '<'.
        open_[slot] = {node.start + 1, static_cast<std::int32_t>(node.name.size()), index};
        ++depth_;
        parent_ = top_ = index;
    }

    void EndElement(const ScanNode& node) {
        std::int32_t k = depth_;
        while (k > 0) {
            const OpenTag& tag = open_[static_cast<std::size_t>(k - 1)];
            if (MatchName(cursor_, doc_.text_.c_str() + tag.nameStart, tag.nameLength)) break;
            --k;
        }
        if (k == 0) {
            Problem();
            std::u16string message = u"No start tag for end tag '" + TokenText(cursor_) + u"' at offset ";
            AppendDecimal(message, node.start);
            Report(message);
            return;
        }
        const std::int32_t matched = open_[static_cast<std::size_t>(k - 1)].element;
        ElementEntry& element = E(matched);
        element.length = node.start + node.length - element.start;
        element.tagLengths = (element.tagLengths & 0x3FFFFF) | (static_cast<std::uint32_t>(node.length) << 22);
        while (depth_ > k) CloseNotEnded(&node);
        depth_ = k - 1;
        parent_ = top_ = element.parent;
    }

    // Closes the innermost open element as not ended; its children become its siblings.
    void CloseNotEnded(const ScanNode* endTag) {
        E(0).flags |= kDocumentNotWellFormed;
        OpenTag& top = open_[static_cast<std::size_t>(depth_ - 1)];
        const std::int32_t index = top.element;
        ElementEntry& element = E(index);
        element.tagLengths &= 0x3FFFFF;
        element.length = element.StartTagLength();
        element.flags |= kElementNotEnded;
        if (element.flags & kElementHasProblem) {
            element.flags &= ~kElementHasProblem;
            E(element.parent).flags |= kElementHasProblem;
        }
        std::int32_t previous = index;
        for (std::int32_t child = element.firstChild; child != 0;) {
            ElementEntry& entry = E(child);
            const std::int32_t following = entry.next;
            entry.parent = element.parent;
            entry.flags &= ~kElementFirstChild;
            E(previous).next = child;
            entry.previous = previous;
            previous = child;
            child = following;
        }
        if (element.firstChild != 0) {
            // The parent's last-child link follows the children that moved up.
            E(E(element.parent).firstChild).previous = previous;
        }
        element.firstChild = 0;
        --depth_;
        top_ = element.parent;

        if (doc_.result_.empty()) {
            std::u16string message;
            if (endTag != nullptr) {
                message = u"End tag '" + TokenText(cursor_) + u"' at offset ";
                AppendDecimal(message, endTag->start + 1);
                message += u" does not match start tag '" + Name(top) + u"' at offset ";
                AppendDecimal(message, element.start);
            } else {
                message = u"Element '" + Name(top) + u"' at offset ";
                AppendDecimal(message, element.start);
                message += u" not ended";
            }
            doc_.result_ = message;
        }
    }

    XmlDocument& doc_;
    ScanCursor cursor_;
    std::vector<OpenTag> open_;
    std::int32_t parent_ = 0;  // where new elements are appended
    std::int32_t top_ = 0;     // the innermost open element
    std::int32_t depth_ = 0;
    std::int32_t first_ = 0;
};

bool XmlDocument::Parse() {
    const std::u16string loaderStatus = result_;
    nextEntry_ = 1;
    Grow(static_cast<std::int32_t>(text_.size() / 64) + 8);
    Entry(0) = ElementEntry{};
    if (text_.empty()) {
        result_ = u"Empty document";
    } else {
        const std::int32_t root = TreeBuilder(*this).Run();
        Entry(0).length = static_cast<std::int32_t>(text_.size());
        if (root == 0) {
            result_ = u"No root element";
        } else {
            Entry(0).firstChild = root;
            if (Entry(root).next != 0) result_ = u"Root element has sibling";
        }
    }
    Rewind();
    if (!loaderStatus.empty()) result_ = result_.empty() ? loaderStatus : loaderStatus + u" " + result_;
    const ElementEntry& document = Entry(0);
    return !(document.flags & kDocumentNotWellFormed) && document.firstChild != 0 &&
           Entry(document.firstChild).next == 0;
}

bool XmlDocument::ReadFile(const std::u16string& path) {
    return ReadWholeFile(path, text_, result_, flags_);
}

bool XmlDocument::LoadFile(const std::u16string& path) { return ReadFile(path) && Parse(); }

void XmlDocument::Rewind() { parentIndex_ = mainIndex_ = childIndex_ = 0; }

bool XmlDocument::SeekChild(const std::u16string& name) {
    if (mainIndex_ == 0) {
        const std::int32_t first = Entry(parentIndex_).firstChild;
        if (first != 0) {
            mainIndex_ = first;
            parentIndex_ = Entry(first).parent;
            childIndex_ = 0;
        }
    }
    std::int32_t candidate = childIndex_ != 0 ? Entry(childIndex_).next : Entry(mainIndex_).firstChild;
    for (; candidate != 0; candidate = Entry(candidate).next) {
        ScanCursor cursor(text_.c_str(), flags_);
        cursor.next = Entry(candidate).start + 1;
        NextName(cursor);
        if (name.empty() || MatchName(cursor, name.c_str())) {
            childIndex_ = candidate;
            mainIndex_ = Entry(candidate).parent;
            parentIndex_ = Entry(mainIndex_).parent;
            return true;
        }
    }
    return false;
}

void XmlDocument::Descend() {
    if (mainIndex_ == 0) return;
    parentIndex_ = mainIndex_;
    mainIndex_ = childIndex_;
    childIndex_ = 0;
}

std::u16string XmlDocument::LookupValue(const std::u16string& section, const std::u16string& key) {
    Rewind();
    // A section without the key is not followed by the next section of the same name; only
    // a section nested inside it is searched.
    while (SeekChild(section)) {
        Descend();
        if (SeekChild(key)) return ElementText(childIndex_);
    }
    return {};
}

std::u16string XmlDocument::ElementText(std::int32_t index) const {
    if (index <= 0 || index >= nextEntry_) return {};
    const ElementEntry& element = Entry(index);
    if (element.firstChild != 0 || element.length == element.StartTagLength()) return {};
    const std::int32_t begin = element.start + element.StartTagLength();
    const std::int32_t end = std::min<std::int32_t>(element.start + element.length - element.EndTagLength(),
                                                    static_cast<std::int32_t>(text_.size()));
    if (end <= begin) return {};
    const char16_t* text = text_.c_str();
    if (std::find(text + begin, text + end, u'<') == text + end) return DecodeText(text + begin, end - begin);

    std::u16string result;
    ScanCursor cursor(text, flags_);
    cursor.next = begin;
    ScanNode node;
    while (cursor.next < end) {
        const std::int32_t type = NextNode(cursor, node);
        if (type == kNodeEndOfDocument) break;
        const std::int32_t nodeEnd = std::min(node.start + node.length, end);
        if (type == kNodeText) {
            result += DecodeText(text + node.start, nodeEnd - node.start);
        } else if (type == kNodeCData && nodeEnd - node.start >= 12) {
            result.append(text + node.start + 9, static_cast<std::size_t>(nodeEnd - node.start - 12));
        }
    }
    return result;
}

std::u16string XmlDocument::DecodeText(const char16_t* units, std::int32_t count) {
    std::u16string out;
    out.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (std::int32_t i = 0; i < count; ++i) {
        const char16_t c = units[i];
        if (c != u'&') {
            out.push_back(c);
            continue;
        }
        // The name runs to a ';' within the next 10 characters, all of them ASCII.
        std::int32_t semicolon = -1;
        for (std::int32_t j = i + 1; j < count && j <= i + 10; ++j) {
            if (units[j] == u';') {
                semicolon = j;
                break;
            }
            if (units[j] >= 128) break;
        }
        if (semicolon < 0) {
            out.push_back(c);
            continue;
        }
        std::u16string name(units + i + 1, units + semicolon);
        bool lowerCase = true;
        for (char16_t& n : name) {
            if (n >= u'A' && n <= u'Z') {
                n = static_cast<char16_t>(n + 32);
                lowerCase = false;
            }
        }
        std::int64_t code = 0;
        if (name.size() >= 2 && name[0] == u'#' && name[1] == u'x') {
            code = ParseWideLong(name.c_str() + 2, 16);
        } else if (!name.empty() && name[0] == u'#') {
            code = ParseWideLong(name.c_str() + 1, 10);
        } else {
            code = EntityCode(name, lowerCase);
        }
        // No character, or a number that is no character at all: the '&' stays plain.
        if (code <= 0 || code > 0x10FFFF) {
            out.push_back(c);
            continue;
        }
        if (code < 0x10000) {
            out.push_back(static_cast<char16_t>(code));
        } else {
            const auto v = static_cast<std::uint32_t>(code);
            out.push_back(static_cast<char16_t>(0xD800 | (((v - 0x10000) >> 10) & 0x3FF)));
            out.push_back(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
        }
        i = semicolon;
    }
    return out;
}

}  // namespace kivu::config
