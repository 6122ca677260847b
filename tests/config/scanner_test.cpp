#include "updater/config/scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivu::config {
namespace {

struct Node {
    std::int32_t type;
    std::int32_t start;
    std::int32_t length;
    std::u16string name = u"";
    bool empty = false;
    bool operator==(const Node&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Node& n) {
    return os << "{" << n.type << "," << n.start << "," << n.length << ",'"
              << std::string(n.name.begin(), n.name.end()) << "'," << n.empty << "}";
}

std::vector<Node> Scan(const std::u16string& text) {
    ScanCursor cursor(text.c_str(), 0);
    ScanNode node;
    std::vector<Node> nodes;
    while (NextNode(cursor, node) != kNodeEndOfDocument) {
        const bool hasName = node.type == kNodeElement || node.type == kNodeProcessingInstruction ||
                             node.type == kNodeError;
        nodes.push_back({node.type, node.start, node.length, hasName ? node.name : u"",
                         (node.flags & kNodeEmptyElement) != 0});
        if (nodes.size() > 100) break;
    }
    return nodes;
}

struct ScanCase {
    const char16_t* text;
    std::vector<Node> nodes;
};

TEST(Scanner, CutsMarkupIntoNodes) {
    const ScanCase cases[] = {
        {u"<a/>", {{kNodeElement, 0, 4, u"a", true}}},
        {u"<a x='1'/>", {{kNodeElement, 0, 10, u"a", true}}},
        {u"<a x=b/>", {{kNodeElement, 0, 8, u"a", false}}},
        {u"<a title='x>y'>", {{kNodeElement, 0, 15, u"a"}}},
        {u"<!-->", {{kNodeComment, 0, 5}}},
        {u"<!-- c -->x", {{kNodeComment, 0, 10}, {kNodeText, 10, 1}}},
        {u"<1>", {{kNodeError, 0, 3, u"Incorrect tag name character at offset 0"}}},
        {u"<\u00e9>", {{kNodeElement, 0, 3, u"\u00e9"}}},
        {u"a > b<r/>", {{kNodeText, 0, 3}, {kNodeText, 3, 2}, {kNodeElement, 5, 4, u"r", true}}},
        {u"<!DOCTYPE r [<!ELEMENT r ANY>]>", {{kNodeDoctype, 0, 31}}},
        {u"<!DOCTYPE r [<!ATTLIST r a CDATA 'x>'>]><r/>",
         {{kNodeDoctype, 0, 40}, {kNodeElement, 40, 4, u"r", true}}},
        {u"<r><!-- x", {{kNodeElement, 0, 3, u"r"}, {kNodeError, 3, 6, u"Comment at offset 3 unterminated"}}},
        {u"<r><", {{kNodeElement, 0, 3, u"r"}, {kNodeError, 3, 1, u"tag at offset 3 unterminated"}}},
        {u"<r", {{kNodeError, 0, 2, u"Element tag at offset 0 unterminated"}}},
        {u"</r", {{kNodeError, 0, 3, u"Element end tag at offset 0 unterminated"}}},
        {u"<![CDATA[x", {{kNodeError, 0, 10, u"CDATA Section at offset 0 unterminated"}}},
        {u"<?pi x", {{kNodeError, 0, 6, u"Processing instruction at offset 0 unterminated"}}},
        {u"<!DOCTYPE r", {{kNodeError, 0, 11, u"Doctype at offset 0 unterminated"}}},
        {u"<!x>", {{kNodeError, 0, 4, u"Incorrect ! tag at offset 0"}}},
        {u"<!-x>", {{kNodeError, 0, 5, u"Incorrect comment tag at offset 0"}}},
        {u"<![x>", {{kNodeError, 0, 5, u"Incorrect tag at offset 0"}}},
        {u"<1 <r/>", {{kNodeError, 0, 3, u"Incorrect tag name character at offset 0"},
                      {kNodeElement, 3, 4, u"r", true}}},
        {u"<![CDATA[a]>b]]>", {{kNodeCData, 0, 16}}},
        {u"<?xml version='1.0'?> \r\n<r>t</r>",
         {{kNodeProcessingInstruction, 0, 21, u"xml"}, {kNodeWhitespace, 21, 3}, {kNodeElement, 24, 3, u"r"},
          {kNodeText, 27, 1}, {kNodeEndTag, 28, 4}}},
        {u"  x <r/>", {{kNodeText, 0, 4}, {kNodeElement, 4, 4, u"r", true}}},
    };
    for (const ScanCase& c : cases) {
        EXPECT_EQ(Scan(c.text), c.nodes) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    }
}

TEST(Scanner, EndOfDocumentAndEndTagToken) {
    std::u16string text = u"</name >";
    ScanCursor cursor(text.c_str(), 0);
    ScanNode node;
    EXPECT_EQ(NextNode(cursor, node), kNodeEndTag);
    EXPECT_EQ(TokenText(cursor), u"name");
    EXPECT_EQ(NextNode(cursor, node), kNodeEndOfDocument);
    EXPECT_EQ(node.length, 0);
    EXPECT_EQ(cursor.next, 8);
}

TEST(Scanner, NextNameStopsAtDelimiters) {
    std::u16string text = u"  abc=\"v\" /> ";
    ScanCursor cursor(text.c_str(), 0);
    std::vector<std::u16string> tokens;
    while (NextName(cursor)) tokens.push_back(TokenText(cursor));
    EXPECT_EQ(tokens, (std::vector<std::u16string>{u"abc", u"=", u"\"", u"v", u"\"", u"/", u">"}));
    EXPECT_EQ(cursor.tokenEnd, cursor.tokenStart - 1);
}

TEST(Scanner, MatchNameRules) {
    struct Case {
        const char16_t* token;
        const char16_t* name;
        std::uint32_t flags;
        bool match;
    } cases[] = {
        {u"INFO", u"INFO", 0, true},
        {u"INFO", u"info", 0, false},
        {u"INFO", u"info", kScanIgnoreCase, true},
        {u"INF", u"INFO", 0, false},
        {u"INFO", u"INF", 0, false},
        {u"a", u"a b", 0, true},   // the name may go on after a blank, '=', '/', '[' or ']'
        {u"a", u"a=1", 0, true},
        {u"\u00e9A", u"\u00e9a", kScanIgnoreCase, false},  // exact after a non-ASCII character
        {u"A\u00e9", u"a\u00e9", kScanIgnoreCase, true},
    };
    for (const Case& c : cases) {
        std::u16string text = c.token;
        ScanCursor cursor(text.c_str(), c.flags);
        ASSERT_TRUE(NextName(cursor));
        EXPECT_EQ(MatchName(cursor, c.name), c.match)
            << std::string(text.begin(), text.end());
    }
}

TEST(Scanner, SeekAttributeFindsValuesAndSkipsTheTagName) {
    std::u16string meta = u"<meta http-equiv='Content-Type' content='text/html; charset=utf-8'>";
    ScanCursor cursor(meta.c_str(), 0);
    cursor.next = 1;
    ASSERT_TRUE(SeekAttribute(cursor, u"http-equiv"));
    EXPECT_EQ(TokenText(cursor), u"Content-Type");
    EXPECT_TRUE(cursor.flags & kScanQuotedToken);
    cursor.next = 1;
    ASSERT_TRUE(SeekAttribute(cursor, u"content"));
    EXPECT_EQ(TokenText(cursor), u"text/html; charset=utf-8");
    cursor.next = 5;  // just after "meta": http-equiv is taken for the tag's name
    EXPECT_FALSE(SeekAttribute(cursor, u"http-equiv"));

    struct Case {
        const char16_t* tag;
        const char16_t* name;
        bool found;
        const char16_t* value;
    } cases[] = {
        {u"<a x=1 y=2>", u"y", true, u"2"},
        {u"<a x = \"1\">", u"x", true, u"1"},
        {u"<a x y=2>", u"x", true, u"x"},   // a name without a value gives itself
        {u"<a x>", u"x", true, u"x"},
        {u"<a x=1/>", u"y", false, u""},
        {u"<a b=1>", u"a", false, u""},
    };
    for (const Case& c : cases) {
        std::u16string text = c.tag;
        ScanCursor at(text.c_str(), 0);
        at.next = 1;
        EXPECT_EQ(SeekAttribute(at, c.name), c.found) << std::string(text.begin(), text.end());
        if (c.found) {
            EXPECT_EQ(TokenText(at), c.value) << std::string(text.begin(), text.end());
        }
    }
}

}  // namespace
}  // namespace kivu::config
