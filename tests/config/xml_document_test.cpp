#include "updater/config/xml_document.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace kivu::config {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

bool ParseText(XmlDocument& doc, const std::u16string& text) {
    doc.SetText(text);
    return doc.Parse();
}

TEST(XmlDocument, LookupValueSearchOrder) {
    struct Case {
        std::u16string document;
        std::u16string section;
        std::u16string key;
        std::u16string value;
    } cases[] = {
        {u"<r><INFO><DEVICE>1</DEVICE></INFO></r>", u"INFO", u"DEVICE", u"1"},
        {u"<r><INFO><DEVICE>1</DEVICE></INFO></r>", u"DEVICE", u"INFO", u""},
        {u"<INFO><DEVICE>1</DEVICE></INFO>", u"INFO", u"DEVICE", u""},  // the section must be below the root
        {u"<r><S/><S><K>x</K></S></r>", u"S", u"K", u""},                // only a nested section is searched
        {u"<r><S><S><K>x</K></S></S></r>", u"S", u"K", u"x"},
        {u"<r><S><A>a</A><K> 7 </K></S></r>", u"S", u"K", u" 7 "},
        {u"<r><S><K>1<B/></K></S></r>", u"S", u"K", u""},                 // an element with children has no text
        {u"<r><S><K/></S></r>", u"S", u"K", u""},
        {u"<r><S><K> <![CDATA[<x>]]> </K></S></r>", u"S", u"K", u"<x>"},
        {u"<r><S><K>a<!-- c -->b<?p?> c</K></S></r>", u"S", u"K", u"ab c"},
        {u"<r><S><K>a &amp; b &#x41;&#66;</K></S></r>", u"S", u"K", u"a & b AB"},
        {u"<r><s><k>v</k></s></r>", u"S", u"K", u""},                     // names are case-sensitive
        {u"<r><S><K>first</K><K>second</K></S></r>", u"S", u"K", u"first"},
        {u"<r><S><K>v</K></S></r>", u"", u"", u"v"},                       // an empty name takes the first child
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        ParseText(doc, c.document);
        EXPECT_EQ(doc.LookupValue(c.section, c.key), c.value) << Narrow(c.document);
    }
}

TEST(XmlDocument, ParseResultsOfMalformedDocuments) {
    struct Case {
        std::u16string document;
        bool wellFormed;
        std::u16string result;
    } cases[] = {
        {u"<r><a>1</a></r>", true, u""},
        {u"", false, u"Empty document"},
        {u"  text ", false, u"No root element"},
        {u"<a/><b/>", false, u"Root element has sibling"},
        {u"<a><b></a>", false, u"End tag 'a' at offset 7 does not match start tag 'b' at offset 3"},
        {u"<a></b></a>", false, u"No start tag for end tag 'b' at offset 3"},
        {u"<a>text", false, u"Element 'a' at offset 0 not ended"},
        {u"<a><b><c>", false, u"Root element has sibling"},  // b and c move up beside a
        {u"<r><!-- x", false, u"Comment at offset 3 unterminated"},
        {u"<r><1></r>", false, u"Incorrect tag name character at offset 3"},
        {u"<a></a><b><c></b>", false, u"Root element has sibling"},  // replaces the earlier problem
        {u"<!DOCTYPE r><?pi?><!-- c --><r/>", true, u""},
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        EXPECT_EQ(ParseText(doc, c.document), c.wellFormed) << Narrow(c.document);
        EXPECT_EQ(doc.result(), c.result) << Narrow(c.document);
    }
}

TEST(XmlDocument, NotEndedElementsLeaveTheirChildrenToTheirParent) {
    XmlDocument doc;
    EXPECT_FALSE(ParseText(doc, u"<a><b><c/><d/></a>"));
    const ElementEntry& a = doc.Element(1);
    const ElementEntry& b = doc.Element(2);
    EXPECT_EQ(a.length, 18);
    EXPECT_EQ(a.EndTagLength(), 4);
    EXPECT_TRUE(b.flags & kElementNotEnded);
    EXPECT_EQ(b.length, 3);
    EXPECT_EQ(b.firstChild, 0);
    // c and d follow b as children of a.
    EXPECT_EQ(b.next, 3);
    EXPECT_EQ(doc.Element(3).parent, 1);
    EXPECT_EQ(doc.Element(4).parent, 1);
    EXPECT_EQ(doc.Element(a.firstChild).previous, 4);

    XmlDocument stray;
    EXPECT_FALSE(ParseText(stray, u"<a></b></a>"));
    EXPECT_TRUE(stray.Element(1).flags & kElementHasProblem);
    EXPECT_TRUE(stray.Element(0).flags & kDocumentNotWellFormed);
}

TEST(XmlDocument, CharacterReferences) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a &amp; b &#x41;&#66;", u"a & b AB"},
        {u"&bogus; &; & x", u"&bogus; &; & x"},
        {u"&aacute;&Aacute;&AACUTE;", u"\u00e1\u00c1\u00c1"},
        {u"&AMP;&Amp;&lt;&apos;&euro;&diams;", u"&&<'\u20ac\u2666"},
        {u"&#x1F600;&#0;&#xZZ;", u"\U0001F600&#0;&#xZZ;"},
        {u"&#-65;&#x110000;&#99999999999;", u"&#-65;&#x110000;&#99999999999;"},
        {u"&#  65;&#x0x41;&#65abc;", u"AAA"},
        {u"&abcdefghij;&\u00e9;", u"&abcdefghij;&\u00e9;"},
        {u"&#12345678;", u"&#12345678;"},
    };
    for (const auto& [input, output] : cases) {
        EXPECT_EQ(XmlDocument::DecodeText(input.data(), static_cast<std::int32_t>(input.size())), output)
            << Narrow(input);
    }
}

TEST(XmlDocument, LoadFileJoinsTheLoaderStatusAndTheProblem) {
    test::TempDir dir;
    dir.Write("ok.xml", "<r><S><K>v</K></S></r>");
    dir.Write("bad.xml", "<a/><b/>");
    dir.Write("empty.xml", "");
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(dir.Folder() + u"ok.xml"));
    EXPECT_EQ(doc.result(), u"UTF-8 length 22 to 22 wide chars ");
    EXPECT_EQ(doc.LookupValue(u"S", u"K"), u"v");
    EXPECT_FALSE(doc.LoadFile(dir.Folder() + u"bad.xml"));
    EXPECT_EQ(doc.result(), u"UTF-8 length 8 to 8 wide chars  Root element has sibling");
    EXPECT_FALSE(doc.LoadFile(dir.Folder() + u"empty.xml"));
    EXPECT_EQ(doc.result(), u"ANSI 0 length  Empty document");
    EXPECT_FALSE(doc.LoadFile(dir.Folder() + u"missing.xml"));
    EXPECT_EQ(doc.result(), u"No such file or directory");
    EXPECT_EQ(doc.LookupValue(u"S", u"K"), u"");
}

TEST(XmlDocument, SeventyThousandElementsCrossASegmentBoundary) {
    std::u16string text = u"<r>";
    for (int i = 0; i < 70000; ++i) text += u"<a/>";
    text += u"<S><K>end</K></S></r>";
    XmlDocument doc;
    EXPECT_EQ(doc.SegmentSizes(), std::vector<std::int32_t>{8});
    ASSERT_TRUE(ParseText(doc, text));
    EXPECT_EQ(doc.elementCount(), 1 + 1 + 70000 + 2);
    std::vector<std::int32_t> sizes = doc.SegmentSizes();
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], kSegmentEntries);
    EXPECT_GE(sizes[1], doc.elementCount() - kSegmentEntries);
    EXPECT_EQ(doc.LookupValue(u"S", u"K"), u"end");
    EXPECT_EQ(doc.Element(70001).start, 3 + 4 * 69999);

    // A second parse reuses the table and does not shrink it.
    const std::int32_t capacity = doc.capacity();
    ParseText(doc, u"<r/>");
    EXPECT_EQ(doc.capacity(), capacity);
}

}  // namespace
}  // namespace kivu::config
