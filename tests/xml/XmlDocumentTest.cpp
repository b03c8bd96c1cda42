// The XML document layer on real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/xml/XmlDocument.h"

namespace veltmoor::xml {
namespace {

namespace fs = std::filesystem;

class XmlDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vm-xml-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (const auto& entry : fs::directory_iterator(dir_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // Loads `content` from a file into a new document.
    XmlDocumentPtr Load(const std::string& content) {
        XmlDocumentPtr doc = XmlDocument::Create();
        doc->load(Write("doc.xml", content));
        return doc;
    }

    static std::vector<std::string> Attributes(const XmlNodeListPtr& list, const std::string& name) {
        std::vector<std::string> values;
        for (long i = 0; i < list->length(); ++i) {
            XmlNodePtr attribute = list->item(i)->attributes()->getNamedItem(name);
            values.push_back(attribute ? attribute->text() : "<absent>");
        }
        return values;
    }

    fs::path dir_;
};

using Strings = std::vector<std::string>;

TEST_F(XmlDocumentTest, NewDocumentIsEmpty) {
    XmlDocumentPtr doc = XmlDocument::Create();
    EXPECT_EQ(doc->getElementsByTagName("DATABASE")->length(), 0);
    EXPECT_EQ(doc->selectNodes("//TABLES/TABLE")->length(), 0);
}

TEST_F(XmlDocumentTest, FilesThatCannotBeLoadedLeaveTheDocumentEmpty) {
    struct Case {
        const char* what;
        const char* content;  // nullptr: the file does not exist
    };
    const Case cases[] = {
        {"missing file", nullptr},
        {"empty file", ""},
        {"error after a parsed prefix",
         "<CONFIG><DATABASE ConnectionString=\"a\"/><TABLES><TABLE name=\"T\"/></TABLES><broken"},
        {"unclosed element", "<CONFIG><DATABASE ConnectionString=\"a\"/>"},
        {"two root elements", "<DATABASE ConnectionString=\"a\"/><DATABASE ConnectionString=\"b\"/>"},
        {"text beside the root", "<DATABASE ConnectionString=\"a\"/>trailing text"},
        {"CDATA beside the root", "<![CDATA[x]]><DATABASE ConnectionString=\"a\"/>"},
        {"mismatched tags", "<TABLES><TABLE name=\"T\"></TABLES></TABLE>"},
        {"bad attribute", "<DATABASE ConnectionString=a/>"},
        {"not XML at all", "Provider=SQLOLEDB;Data Source=x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmlDocumentPtr doc = XmlDocument::Create();
        const std::string path = c.content ? Write("bad.xml", c.content) : (dir_ / "absent.xml").string();
        EXPECT_FALSE(doc->load(path));
        EXPECT_EQ(doc->getElementsByTagName("DATABASE")->length(), 0);
        EXPECT_EQ(doc->getElementsByTagName("*")->length(), 0);
        EXPECT_EQ(doc->selectNodes("//TABLES/TABLE")->length(), 0);
    }
}

TEST_F(XmlDocumentTest, FailedLoadEmptiesAPreviouslyLoadedDocument) {
    XmlDocumentPtr doc = XmlDocument::Create();
    ASSERT_TRUE(doc->load(Write("good.xml", "<DATABASE ConnectionString=\"a\"/>")));
    ASSERT_EQ(doc->getElementsByTagName("DATABASE")->length(), 1);
    EXPECT_FALSE(doc->load(Write("bad.xml", "<DATABASE")));
    EXPECT_EQ(doc->getElementsByTagName("DATABASE")->length(), 0);
}

TEST_F(XmlDocumentTest, FoldersAndPipesLoadEmptyWithoutBlocking) {
    const std::string fifo = (dir_ / "pipe.xml").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir_.string(), fifo, std::string("/dev/null"), std::string()}) {
        SCOPED_TRACE(path);
        XmlDocumentPtr doc = XmlDocument::Create();
        EXPECT_FALSE(doc->load(path));
        EXPECT_EQ(doc->getElementsByTagName("*")->length(), 0);
    }
}

TEST_F(XmlDocumentTest, UnreadableFileLoadsEmpty) {
    const std::string path = Write("locked.xml", "<DATABASE ConnectionString=\"a\"/>");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    auto loadsEmpty = [&] {
        XmlDocumentPtr doc = XmlDocument::Create();
        return !doc->load(path) && doc->getElementsByTagName("DATABASE")->length() == 0;
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(loadsEmpty());
        return;
    }
    // Permissions do not stop root: read as an unprivileged user in a child.
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(loadsEmpty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the file was read; 2: could not drop privileges";
}

TEST_F(XmlDocumentTest, ElementsByNameAtAnyDepthInDocumentOrder) {
    XmlDocumentPtr doc = Load(
        "<?xml version=\"1.0\"?>\n"
        "<ROOT><A><B><C><DATABASE ConnectionString=\"first\"><DATABASE ConnectionString=\"nested\"/></DATABASE>"
        "</C></B></A><DATABASE ConnectionString=\"second\"/><database ConnectionString=\"lower\"/>"
        "<DATABASE connectionstring=\"lower-attribute\"/></ROOT>");
    XmlNodeListPtr list = doc->getElementsByTagName("DATABASE");
    EXPECT_EQ(Attributes(list, "ConnectionString"), (Strings{"first", "nested", "second", "<absent>"}));
    EXPECT_EQ(doc->getElementsByTagName("database")->length(), 1);
    EXPECT_EQ(doc->getElementsByTagName("Database")->length(), 0);
}

TEST_F(XmlDocumentTest, VeryDeepNestingIsWalkedWithoutRecursion) {
    const int depth = 20000;
    std::string content;
    for (int i = 0; i < depth; ++i) content += "<N>";
    content += "<DATABASE ConnectionString=\"deep\"/>";
    for (int i = 0; i < depth; ++i) content += "</N>";
    XmlDocumentPtr doc = Load(content);
    XmlNodeListPtr list = doc->getElementsByTagName("DATABASE");
    ASSERT_EQ(list->length(), 1);
    EXPECT_EQ(list->item(0)->attributes()->getNamedItem("ConnectionString")->text(), "deep");
    EXPECT_EQ(doc->getElementsByTagName("N")->length(), depth);
}

TEST_F(XmlDocumentTest, TableDescriptionsAreDirectChildrenOfAnyTablesElement) {
    XmlDocumentPtr doc = Load(
        "<SCHEMA>"
        "  <TABLES><TABLE name=\"ONE\"/><GROUP><TABLE name=\"WRONG-PARENT\"/></GROUP><TABLE name=\"TWO\"/></TABLES>"
        "  <TABLE name=\"NO-PARENT\"/>"
        "  <DEEP><TABLES><TABLE name=\"THREE\"/></TABLES></DEEP>"
        "  <tables><TABLE name=\"LOWER-PARENT\"/></tables>"
        "  <TABLES><table name=\"LOWER\"/><TABLE name=\"FOUR\"/></TABLES>"
        "</SCHEMA>");
    EXPECT_EQ(Attributes(doc->selectNodes("//TABLES/TABLE"), "name"), (Strings{"ONE", "TWO", "THREE", "FOUR"}));
}

TEST_F(XmlDocumentTest, ColumnsAndIndexesAreDirectChildrenOfTheTable) {
    XmlDocumentPtr doc = Load(
        "<TABLES><TABLE name=\"ACCOUNTS\">"
        "<COLUMN name=\"ID\"/><INDEX name=\"PK\"/><COLUMN name=\"NAME\"/>"
        "<EXTRA><COLUMN name=\"NESTED\"/></EXTRA><column name=\"LOWER\"/><INDEX name=\"IX\"/>"
        "</TABLE><TABLE name=\"EMPTY\"/></TABLES>");
    XmlNodeListPtr tables = doc->selectNodes("//TABLES/TABLE");
    ASSERT_EQ(tables->length(), 2);
    XmlNodePtr accounts = tables->item(0);
    EXPECT_EQ(Attributes(accounts->selectNodes("COLUMN"), "name"), (Strings{"ID", "NAME"}));
    EXPECT_EQ(Attributes(accounts->selectNodes("INDEX"), "name"), (Strings{"PK", "IX"}));
    EXPECT_EQ(tables->item(1)->selectNodes("COLUMN")->length(), 0);
    EXPECT_EQ(tables->item(1)->selectNodes("INDEX")->length(), 0);
}

TEST_F(XmlDocumentTest, AbsentEmptyAndEscapedAttributes) {
    XmlDocumentPtr doc =
        Load("<TABLES><TABLE name=\"\" jetType=\"autonumber\" note=\"a &amp; b &lt;c&gt; &quot;d&quot;\"/></TABLES>");
    XmlAttributeMapPtr attributes = doc->selectNodes("//TABLES/TABLE")->item(0)->attributes();
    XmlNodePtr name = attributes->getNamedItem("name");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), "");
    EXPECT_FALSE(attributes->getNamedItem("Name"));
    EXPECT_FALSE(attributes->getNamedItem("JETTYPE"));
    EXPECT_FALSE(attributes->getNamedItem("missing"));
    EXPECT_EQ(attributes->getNamedItem("jetType")->text(), "autonumber");
    EXPECT_EQ(attributes->getNamedItem("note")->text(), "a & b <c> \"d\"");
    // An attribute node has no attributes of its own.
    EXPECT_FALSE(name->attributes()->getNamedItem("name"));
}

TEST_F(XmlDocumentTest, NonAsciiTextArrivesAsUtf8) {
    const std::string utf8Name = "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x93\x81";  // "Zürich € 📁"
    XmlDocumentPtr doc = Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATABASE ConnectionString=\"" + utf8Name +
                              "\">  " + utf8Name + " </DATABASE>");
    XmlNodePtr database = doc->getElementsByTagName("DATABASE")->item(0);
    EXPECT_EQ(database->attributes()->getNamedItem("ConnectionString")->text(), utf8Name);
    EXPECT_EQ(database->text(), utf8Name);
}

TEST_F(XmlDocumentTest, Utf16FileWithByteOrderMarkIsReadAsUtf8) {
    // "<D a="é"/>" in UTF-16LE with its byte order mark.
    const std::string ascii = "<D a=\"X\"/>";
    std::string content = "\xFF\xFE";
    for (char c : ascii) {
        if (c == 'X') {
            content += '\xE9';
            content += '\0';
        } else {
            content += c;
            content += '\0';
        }
    }
    XmlDocumentPtr doc = XmlDocument::Create();
    ASSERT_TRUE(doc->load(Write("utf16.xml", content)));
    EXPECT_EQ(doc->getElementsByTagName("D")->item(0)->attributes()->getNamedItem("a")->text(), "\xC3\xA9");
}

TEST_F(XmlDocumentTest, ElementTextJoinsDescendantTextAndTrimsOuterSpace) {
    XmlDocumentPtr doc = Load("<R>\n  <A>one <B>two</B><![CDATA[ <three> ]]><!-- not text --></A>\n</R>");
    EXPECT_EQ(doc->getElementsByTagName("A")->item(0)->text(), "one two <three>");
    EXPECT_EQ(doc->getElementsByTagName("R")->item(0)->text(), "one two <three>");
}

TEST_F(XmlDocumentTest, OutOfRangeItemIsAnEmptyReference) {
    XmlDocumentPtr doc = Load("<TABLES><TABLE name=\"A\"/></TABLES>");
    XmlNodeListPtr list = doc->selectNodes("//TABLES/TABLE");
    EXPECT_TRUE(list->item(0));
    EXPECT_FALSE(list->item(1));
    EXPECT_FALSE(list->item(-1));
    try {
        list->item(1)->text();
        FAIL() << "using an empty node must raise";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), hr::kPointer);
    }
}

TEST_F(XmlDocumentTest, NodesAndListsOutliveTheirDocument) {
    XmlNodeListPtr tables;
    XmlNodePtr first;
    {
        XmlDocumentPtr doc = Load("<TABLES><TABLE name=\"A\"><COLUMN name=\"C\"/></TABLE><TABLE name=\"B\"/></TABLES>");
        tables = doc->selectNodes("//TABLES/TABLE");
        first = tables->item(0);
        // Loading another file into the same document leaves the old nodes intact.
        doc->load(Write("other.xml", "<OTHER/>"));
        EXPECT_EQ(doc->selectNodes("//TABLES/TABLE")->length(), 0);
    }
    EXPECT_EQ(Attributes(tables, "name"), (Strings{"A", "B"}));
    EXPECT_EQ(Attributes(first->selectNodes("COLUMN"), "name"), (Strings{"C"}));
}

TEST_F(XmlDocumentTest, BadXPathRaisesWithADescription) {
    XmlDocumentPtr doc = Load("<TABLES><TABLE name=\"A\"/></TABLES>");
    for (const char* xpath : {"//TABLES/[", "", "count(//TABLE)"}) {
        SCOPED_TRACE(xpath);
        try {
            doc->selectNodes(xpath);
            FAIL() << "expected an error";
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kInvalidArg);
            EXPECT_TRUE(e.HasErrorInfo());
            EXPECT_NE(e.Description().find("XPath"), std::string::npos) << e.Description();
        }
    }
    XmlNodePtr table = doc->selectNodes("//TABLES/TABLE")->item(0);
    EXPECT_THROW(table->selectNodes("COLUMN["), _com_error);
}

}  // namespace
}  // namespace veltmoor::xml
