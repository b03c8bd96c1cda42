// The XML document layer on real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "db/xml/XmlDocument.h"
#include "tests/support/TempDir.h"

namespace veltmoor::xml {
namespace {

using Strings = std::vector<std::string>;

// The value of attribute `name` of every node of the list ("-" where it is absent).
Strings Attributes(const XmlNodeListPtr& list, const std::string& name) {
    Strings values;
    for (long i = 0; i < list->length(); ++i) {
        const XmlNodePtr attribute = list->item(i)->attributes()->getNamedItem(name);
        values.push_back(attribute ? attribute->text() : "-");
    }
    return values;
}

class XmlDocumentTest : public ::testing::Test {
protected:
    XmlDocumentPtr Load(const std::string& content) {
        XmlDocumentPtr doc = XmlDocument::Create();
        EXPECT_TRUE(doc->load(dir_.Write("doc.xml", content)));
        return doc;
    }
    test::TempDir dir_;
};

TEST_F(XmlDocumentTest, WhatCannotBeLoadedLeavesTheDocumentEmpty) {
    ASSERT_EQ(mkfifo(dir_.File("pipe.xml").c_str(), 0600), 0);
    const Strings bad = {"",  // an empty file
        "<CONFIG><DATABASE ConnectionString=\"a\"/><TABLES><TABLE name=\"T\"/></TABLES><broken",
        "<CONFIG><DATABASE ConnectionString=\"a\"/>", "<DATABASE ConnectionString=\"a\"/><DATABASE/>",
        "<DATABASE ConnectionString=\"a\"/>trailing text", "<![CDATA[x]]><DATABASE ConnectionString=\"a\"/>",
        "<TABLES><TABLE name=\"T\"></TABLES></TABLE>", "<DATABASE ConnectionString=a/>", "Provider=SQLOLEDB;Data=x"};
    Strings paths = {dir_.File("absent.xml"), dir_.Folder(), dir_.File("pipe.xml"), "/dev/null", ""};
    for (const std::string& content : bad) paths.push_back(dir_.Write("bad" + std::to_string(paths.size()), content));
    for (const std::string& path : paths) {
        XmlDocumentPtr doc = Load("<TABLES><TABLE name=\"previous\"/></TABLES>");  // a failed load empties it
        EXPECT_FALSE(doc->load(path)) << path;
        EXPECT_EQ(doc->getElementsByTagName("*")->length(), 0);
        EXPECT_EQ(doc->selectNodes("//TABLES/TABLE")->length(), 0);
    }
}

TEST_F(XmlDocumentTest, TablesColumnsAndIndexesAreDirectChildren) {
    XmlDocumentPtr doc = Load(
        "<SCHEMA><TABLES><TABLE name=\"ONE\"><COLUMN name=\"ID\"/><INDEX name=\"PK\"/><COLUMN name=\"NAME\"/>"
        "<EXTRA><COLUMN name=\"NESTED\"/></EXTRA><column name=\"LOWER\"/></TABLE>"
        "<GROUP><TABLE name=\"WRONG-PARENT\"/></GROUP><TABLE name=\"TWO\"/></TABLES><TABLE name=\"NO-PARENT\"/>"
        "<DEEP><TABLES><TABLE name=\"THREE\"/></TABLES></DEEP><tables><TABLE name=\"LOWER-PARENT\"/></tables>"
        "<TABLES><table name=\"LOWER\"/><TABLE name=\"FOUR\"/></TABLES></SCHEMA>");
    const XmlNodeListPtr tables = doc->selectNodes("//TABLES/TABLE");
    EXPECT_EQ(Attributes(tables, "name"), (Strings{"ONE", "TWO", "THREE", "FOUR"}));
    EXPECT_EQ(Attributes(tables->item(0)->selectNodes("COLUMN"), "name"), (Strings{"ID", "NAME"}));
    EXPECT_EQ(Attributes(tables->item(0)->selectNodes("INDEX"), "name"), (Strings{"PK"}));
    EXPECT_EQ(tables->item(1)->selectNodes("COLUMN")->length(), 0);
    EXPECT_FALSE(tables->item(4) || tables->item(-1));  // out of range: empty references
    EXPECT_THROW(tables->item(4)->text(), _com_error);
}

TEST_F(XmlDocumentTest, AttributesAndTextArriveUnescapedAsUtf8) {
    const std::string utf8 = "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x93\x81";
    XmlDocumentPtr doc = Load("<R><T name=\"\" jetType=\"a &amp; b &lt;c&gt; &quot;d&quot;\" u=\"" + utf8 + "\">\n  " +
                              utf8 + " <B>two</B><![CDATA[ <three> ]]><!-- not text --></T>\n</R>");
    // Names match in their case only: JETTYPE is absent ("-").
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"name", ""}, {"JETTYPE", "-"},
                                      {"jetType", "a & b <c> \"d\""}, {"u", utf8}})
        EXPECT_EQ(Attributes(doc->getElementsByTagName("T"), name), Strings{value}) << name;
    EXPECT_EQ(doc->getElementsByTagName("R")->item(0)->text(), utf8 + " two <three>");  // outer space trimmed
    // UTF-16LE with its byte order mark: <D a="é"/>.
    const std::string utf16("\xFF\xFE<\0D\0 \0a\0=\0\"\0\xE9\0\"\0/\0>\0", 22);
    ASSERT_TRUE(doc->load(dir_.Write("utf16.xml", utf16)));
    EXPECT_EQ(Attributes(doc->getElementsByTagName("D"), "a"), (Strings{"\xC3\xA9"}));
}

TEST_F(XmlDocumentTest, NodesOutliveTheirDocumentAndBadXPathRaises) {
    XmlDocumentPtr doc = Load("<TABLES><TABLE name=\"A\"><COLUMN name=\"C\"/></TABLE><TABLE name=\"B\"/></TABLES>");
    const XmlNodeListPtr tables = doc->selectNodes("//TABLES/TABLE");
    for (const char* xpath : {"//TABLES/[", "", "count(//TABLE)"}) EXPECT_THROW(doc->selectNodes(xpath), _com_error);
    EXPECT_THROW(tables->item(0)->selectNodes("COLUMN["), _com_error);
    doc->load(dir_.Write("other.xml", "<OTHER/>"));
    doc = nullptr;
    EXPECT_EQ(Attributes(tables, "name"), (Strings{"A", "B"}));
    EXPECT_EQ(Attributes(tables->item(0)->selectNodes("COLUMN"), "name"), (Strings{"C"}));
}

}  // namespace
}  // namespace veltmoor::xml
