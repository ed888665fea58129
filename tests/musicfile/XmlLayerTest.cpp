#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "musicfile/XmlLayer.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

class XmlTest : public CoreFixture {
protected:
    std::vector<TXMLToken> tokens;
    std::string message;

    // The text after the two skipped lines.
    bool tokenize(const std::string& body) { return TokenizeXMLText("decl\ndoctype\n" + body, tokens, message); }

    std::string kinds() const {
        std::string out;
        for (const TXMLToken& t : tokens) {
            switch (t.TokenKind) {
                case xmlTokenBegin:
                    out += "<" + t.GetElement() + ">";
                    break;
                case xmlTokenEnd:
                    out += "</" + t.GetElement() + ">";
                    break;
                case xmlTokenEmpty:
                    out += "<" + t.GetElement() + "/>";
                    break;
                case xmlTokenAttr:
                    out += "[" + t.GetText() + "]";
                    break;
                case xmlTokenEof:
                    out += "$";
                    break;
                default:
                    out += "!";
                    break;
            }
            out += std::to_string(t.Line) + ":" + std::to_string(t.Column) + " ";
        }
        return out;
    }

    TMatchResult match(const TDTDRef& model, const std::string& body, TXMLCompound& root) {
        EXPECT_TRUE(tokenize(body)) << message;
        return MatchXML(*model, tokens, root);
    }
};

}  // namespace

TEST_F(XmlTest, TokensAndTheirPositions) {
    ASSERT_TRUE(tokenize("<Count>3</Count>"));
    // Every emitted token moves the later columns of its line one to the left.
    EXPECT_EQ(kinds(), "<Count>3:7 [3]3:8 </Count>3:15 $3:14 ");
    ASSERT_TRUE(tokenize("<Mute/>\n<Mute />\t< Mute\n/ >"));
    EXPECT_EQ(kinds(), "<Mute/>3:7 <Mute/>4:8 <Mute/>5:3 $5:2 ");
    ASSERT_TRUE(tokenize("<Count>  3\n</Count>"));
    EXPECT_EQ(kinds(), "<Count>3:7 [3]4:1 </Count>4:8 $4:7 ");
    ASSERT_TRUE(tokenize("<Label>a\tb\r\nc &amp; 100%</Label>"));
    EXPECT_EQ(tokens[1].GetText(), "a b c &amp; 100%");
    EXPECT_CONTRACT(tokens[0].GetText(), "TokenKind == xmlTokenAttr");
    EXPECT_CONTRACT(tokens[1].GetElement(),
                    "TokenKind == xmlTokenBegin || TokenKind == xmlTokenEnd || TokenKind == xmlTokenEmpty");
    EXPECT_CONTRACT(tokens[1].GetErrorMessage(), "TokenKind == xmlTokenError");
}

TEST_F(XmlTest, TokenizerErrorsNameCharacterLineAndColumn) {
    EXPECT_FALSE(tokenize("<Note x=1>"));
    EXPECT_EQ(message, "unexpected 'x' found in line 3, column 7.");
    EXPECT_FALSE(tokenize("<A/>\n  <!-- no -->"));
    EXPECT_EQ(message, "unexpected '!' found in line 4, column 3.");
    EXPECT_FALSE(tokenize("<Count"));
    EXPECT_EQ(message, "unexpected end-of-file  found in line 3, column 6.");
    EXPECT_FALSE(tokenize("<A>text"));
    EXPECT_EQ(message, "unexpected end-of-file  found in line 3, column 6.");
    EXPECT_FALSE(tokenize("x>"));
    EXPECT_EQ(message, "unexpected '>' found in line 3, column 2.");
    EXPECT_FALSE(tokenize("</A/>"));
    EXPECT_EQ(tokens.back().TokenKind, xmlTokenError);
    // An error after the document element still fails the read.
    EXPECT_FALSE(tokenize("<A/>\n</A>\n<&>"));
    EXPECT_EQ(message, "unexpected '&' found in line 5, column 1.");
}

TEST_F(XmlTest, FirstTwoLinesAreSkippedUnreadEvenOverlongOnes) {
    ASSERT_TRUE(TokenizeXMLText("<<>>&\n<!DOCTYPE whatever>\r\n<A/>", tokens, message));
    EXPECT_EQ(kinds(), "<A/>3:4 $3:3 ");
    // A line is read as at most 98 characters: the rest of a longer first
    // line counts as the second one, and the real second line is tokenized.
    ASSERT_TRUE(TokenizeXMLText(std::string(120, 'x') + "\n<A/>\n<B/>", tokens, message));
    EXPECT_EQ(kinds(), "<A/>3:4 <B/>4:4 $4:3 ");
    // Carriage returns alone between tags are white space.
    ASSERT_TRUE(tokenize("<A/>\r\r<B/>"));
    EXPECT_EQ(tokens.size(), 3u);
}

TEST_F(XmlTest, ContentModelMessages) {
    const TDTDRef count = DTDText("Count");
    TXMLCompound root("Root");
    TMatchResult r = match(count, "<Count></Count>", root);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Final);
    EXPECT_EQ(r.Message, "unexpected end of element \"Count\", expect text, at line 3, column 14.");

    r = match(DTDAlt({DTDText("A"), DTDText("B")}), "<C>1</C>", root);
    EXPECT_FALSE(r.Final);
    EXPECT_EQ(r.Message, "unexpected begin of element \"C\", expect begin of element \"B\". at line 3, column 3.");

    r = match(DTDElement("A", DTDText("B")), "\n  text<A/>", root);
    EXPECT_TRUE(r.Final);
    EXPECT_EQ(r.Message, "unexpected text \"text\", expect begin of element \"A\", at line 4, column 7.");

    r = match(DTDElement("A", DTDText("B")), "<A><B>1</C></A>", root);
    EXPECT_EQ(r.Message, "end of element \"C\" does not match begin of element \"B\", at line 3, column 9.");

    r = match(DTDElement("A", DTDText("B")), "<A/>", root);
    EXPECT_EQ(r.Message, "element \"A\" should not be empty, at line 3, column 4.");

    r = match(DTDElement("A", DTDStar(DTDElement("B", DTDText("C")))), "<A><B><C>1</C></B><B>", root);
    EXPECT_TRUE(r.Final);
    EXPECT_EQ(r.Message, "unexpected end-of-file, expect begin of element \"C\". at line 3, column 15.");

    r = match(DTDElement("A", DTDSeq({DTDText("B"), DTDText("C")})), "<A><B>1</B><B>2</B></A>", root);
    EXPECT_EQ(r.Message, "unexpected begin of element \"B\", expect begin of element \"C\". at line 3, column 11.");
    EXPECT_EQ(root.CountChildren(), 0u);
}

TEST_F(XmlTest, MatchesBuildTheElementTreeAndRollBack) {
    const TDTDRef model = DTDElement("A", DTDSeq({DTDOpt(DTDElement("B", DTDSeq({DTDText("X"), DTDText("Y")}))),
                                                  DTDStar(DTDEmptyElement("Mute")), DTDText("Z")}));
    TXMLCompound root("Root");
    // B is tried, fails without a final failure at Y, and is taken back.
    TMatchResult r = match(model, "<A>\n<Mute></Mute>\n<Mute />\n<Z>last</Z>\n</A>", root);
    ASSERT_TRUE(r.Ok) << r.Message;
    const TXMLCompound& a = root.FirstChild()->AsCompound();
    ASSERT_EQ(a.CountChildren(), 3u);
    EXPECT_EQ(a.Children()[0]->GetElement(), "Mute");
    EXPECT_EQ(a.Children()[0]->GetLine(), 4);
    EXPECT_EQ(a.Children()[2]->GetText(), "last");
    EXPECT_EQ(a.Children()[2]->GetLine(), 6);
    EXPECT_EQ(a.Children()[2]->GetColumn(), 3);
    EXPECT_CONTRACT(a.GetText(), "false");
    EXPECT_CONTRACT(a.Children()[2]->AsCompound(), "false");
}

TEST_F(XmlTest, WriterPrintsIndentedLinesUnescaped) {
    TXMLCompound a("A");
    a.AppendText("B", "1");
    a.AppendCompound("C");
    a.AppendText("Label", "100% <&> %s");
    EXPECT_EQ(XMLDocumentText(a),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
              "<!DOCTYPE A SYSTEM \"A.dtd\">\n"
              "\n"
              "<A>\n"
              "  <B>1</B>\n"
              "  <C />\n"
              "  <Label>100% <&> %s</Label>\n"
              "</A>\n");
}

TEST_F(XmlTest, WriteReplacesOnlyWithACompleteFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "korvane-xml-write";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "out.xml").string();
    TXMLCompound a("A");
    ASSERT_TRUE(WriteXML(a, path, message)) << message;
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, XMLDocumentText(a));

    std::string error;
    EXPECT_FALSE(WriteXML(a, (dir / "missing" / "out.xml").string(), error));
    EXPECT_EQ(error, "Operating System cannot open file for writing, maybe the file is readonly.");
    EXPECT_FALSE(WriteXML(a, dir.string(), error));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}
