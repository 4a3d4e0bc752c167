#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "config/xml.h"
#include "config_test_support.h"

using configtest::Bytes;
using configtest::DebugLines;
using configtest::Dump;
using configtest::Parsed;

namespace {

struct ElementCase {
  const char* name;
  const char* input;
  const char* tree;  // Dump of the result
};

TEST(XmlReaderTest, ParseElement) {
  const ElementCase cases[] = {
      {"empty element", "<a/>", "a"},
      {"empty element after whitespace", "<a \t/>", "a"},
      {"empty element with attributes", "<a x='1' y=\"2\"/>", "a[x=\"1\",y=\"2\"]"},
      {"attribute then space before slash", "<a x=\"1\" />", "a[x=\"1\"]"},
      {"start tag with whitespace", "<a\tx='1'\r\n>t</a>", "a[x=\"1\"]\"t\""},
      {"text is trimmed and runs collapse", "<a>  hello   big \t\r\n world  </a>",
       "a\"hello big world\""},
      {"whitespace-only content has no text", "<a>  \r\n\t </a>", "a"},
      {"empty content has no text", "<a></a>", "a"},
      {"one level of entity decoding", "<a>&lt;a&gt; &amp;amp;</a>", "a\"<a> &amp;\""},
      {"quote entities", "<a>&quot;&apos;</a>", "a\"\"'\""},
      {"unknown entity stays", "<a>AT&T &unknown; &lt</a>", "a\"AT&T &unknown; &lt\""},
      {"entities are case-sensitive", "<a>&LT;</a>", "a\"&LT;\""},
      {"value holds the other quote", "<a q=\"it's\" r='say \"hi\"'/>",
       "a[q=\"it's\",r=\"say \"hi\"\"]"},
      {"value entities and whitespace", "<a v=' x  &amp;\ty '/>", "a[v=\"x & y\"]"},
      {"empty value has no value object", "<a x=''/>", "a[x]"},
      {"blank value is present but empty", "<a x='   '/>", "a[x=\"\"]"},
      {"empty value then another attribute", "<a x=\"\" y=\"2\">t</a>", "a[x,y=\"2\"]\"t\""},
      {"spaces around the equals sign", "<a x = '1'/>", "a[x=\"1\"]"},
      {"value with less-than fails the element", "<a x=\"1<2\"/>", "(null)"},
      {"attribute without value fails", "<a b>t</a>", "(null)"},
      {"attribute without quotes fails", "<a b=1/>", "(null)"},
      {"children in order", "<a><b>1</b><c>2</c><b>3</b></a>", "a(b\"1\", c\"2\", b\"3\")"},
      {"text split by children keeps the last run", "<a>one<b/>two<c/>three</a>",
       "a\"three\"(b, c)"},
      {"whitespace before the end tag's bracket", "<a>x</a \r\n>", "a\"x\""},
      {"unclosed element still counts", "<a><b>x</b>", "a(b\"x\")"},
      {"unclosed text is dropped", "<a>x", "a"},
      {"start tag cut at the end", "<a x='1'  ", "a[x=\"1\"]"},
      {"mismatched end tag", "<a>x</b>", "(null)"},
      {"mismatched inner end tag ends the document", "<a><b></a>", "a"},
      {"comments in content", "<a><!-- c --><b/><!-- d --></a>", "a(b)"},
      {"comment before the element", "<!-- lead --> <a/>", "a"},
      {"no name", "<>", "(null)"},
      {"not a tag", "text", "(null)"},
      {"slash inside the start tag", "<a/x>", "(null)"},
      {"name runs to the end", "<abc", "(null)"},
      {"greater-than in text ends the text", "<a>x > y</a>", "a"},
  };
  for (const ElementCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.input);
    EXPECT_EQ(Dump(parsed.Element()), c.tree);
  }
}

TEST(XmlReaderTest, ParseElementReadsOneElementAndStopsAfterIt) {
  Parsed parsed("<a>1</a>  <b>2</b>");
  ASSERT_EQ(Dump(parsed.Element()), "a\"1\"");
  EXPECT_EQ(parsed.cursor.pos, 8);
  const CHolder<XmlNode> second(parsed.xml.ParseElement(parsed.cursor));
  EXPECT_EQ(Dump(second.Get()), "b\"2\"");
  EXPECT_EQ(parsed.xml.ParseElement(parsed.cursor), nullptr);
}

TEST(XmlReaderTest, MismatchedEndTagMovesToTheEnd) {
  Parsed parsed("<a>x</b><c/>");
  EXPECT_EQ(parsed.Element(), nullptr);
  EXPECT_EQ(parsed.cursor.pos, parsed.cursor.size);
}

TEST(XmlReaderTest, StallIsReportedWithItsPosition) {
  DebugLines debug;
  Parsed parsed("<a>x > y</a>");
  EXPECT_EQ(Dump(parsed.Element()), "a");
  // ReadText stops on the '>' at byte 5; the next pass starts there again.
  ASSERT_EQ(debug.Lines().size(), 1u);
  EXPECT_EQ(debug.Lines()[0], WideString(WSTR("XML parse error (5)\n")));
}

TEST(XmlReaderTest, DeepNestingEndsTheDocumentInsteadOfTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i)
    deep += "<a>";
  DebugLines debug;
  Parsed parsed(deep);
  XmlNode* node = parsed.Element();
  int depth = 0;
  for (; node != nullptr; node = node->firstChild.Get())
    ++depth;
  EXPECT_EQ(depth, CXml::kMaxDepth + 1);
  EXPECT_EQ(parsed.cursor.pos, parsed.cursor.size);
  EXPECT_EQ(debug.Lines().size(), 1u);
}

TEST(XmlReaderTest, ManySiblingsAndAttributesKeepTheirOrder) {
  std::string many = "<a";
  for (int i = 0; i < 2000; ++i)
    many += " k" + std::to_string(i) + "='" + std::to_string(i) + "'";
  many += ">";
  for (int i = 0; i < 2000; ++i)
    many += "<c>" + std::to_string(i) + "</c>";
  many += "</a>";
  Parsed parsed(many);
  XmlNode* a = parsed.Element();
  ASSERT_NE(a, nullptr);
  int i = 0;
  for (XmlAttribute* at = a->firstAttribute.Get(); at != nullptr; at = at->next.Get(), ++i) {
    ASSERT_EQ(Bytes(at->name), "k" + std::to_string(i));
    ASSERT_EQ(Bytes(at->value), std::to_string(i));
  }
  EXPECT_EQ(i, 2000);
  i = 0;
  for (XmlNode* c = a->firstChild.Get(); c != nullptr; c = c->next.Get(), ++i)
    ASSERT_EQ(Bytes(c->text), std::to_string(i));
  EXPECT_EQ(i, 2000);
}

struct DeclarationCase {
  const char* name;
  const char* input;
  int result;
  int32_t codePage;
  const char* encoding;  // Bytes() of the scratch node's encoding
};

TEST(XmlReaderTest, ParseDeclaration) {
  const DeclarationCase cases[] = {
      {"plain", "<?xml version=\"1.0\"?>", 1, 65001, "(null)"},
      {"leading whitespace", " \r\n\t<?xml version='1.0' ?>", 1, 65001, "(null)"},
      {"Shift_JIS", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", 1, 932, "Shift_JIS"},
      {"SHIFT_JIS", "<?xml encoding='SHIFT_JIS' ?>", 1, 932, "SHIFT_JIS"},
      {"shift_jis", "<?xml encoding='shift_jis' ?>", 1, 932, "shift_jis"},
      {"UTF-8", "<?xml encoding='UTF-8' ?>", 1, 65001, "UTF-8"},
      {"euc reads as UTF-8", "<?xml encoding='EUC-JP' ?>", 1, 65001, "EUC-JP"},
      {"name is case-sensitive", "<?xml Encoding='Shift_JIS' ?>", 1, 65001, "(null)"},
      {"last encoding wins", "<?xml encoding='Shift_JIS' encoding='utf-8' ?>", 1, 65001, "utf-8"},
      {"empty value", "<?xml version=\"\" ?>", 1, 65001, "(null)"},
      {"byte-order mark", "\xEF\xBB\xBF<?xml version='1.0'?>", 0, 65001, "(null)"},
      {"no whitespace after xml", "<?xml?>", 0, 65001, "(null)"},
      {"name runs on", "<?xmlversion='1.0'?>", 0, 65001, "(null)"},
      {"unterminated", "<?xml version=\"1.0\"", 0, 65001, "(null)"},
      {"element first", "<config/>", 0, 65001, "(null)"},
      {"broken attribute", "<?xml version ?>", 0, 65001, "(null)"},
      {"ends after xml", "<?xml", 0, 65001, "(null)"},
  };
  for (const DeclarationCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.input);
    XmlNode scratch;
    EXPECT_EQ(parsed.xml.ParseDeclaration(parsed.cursor, &scratch), c.result);
    EXPECT_EQ(parsed.xml.codePage, c.codePage);
    EXPECT_EQ(Bytes(scratch.encoding), c.encoding);
  }
}

struct DocumentCase {
  const char* name;
  const char* input;
  const char* tree;
};

TEST(XmlReaderTest, ParseDocument) {
  const DocumentCase cases[] = {
      {"comments around top-level elements",
       "<?xml version='1.0'?>\r\n<!-- a --><x/>\r\n<!-- b --><y>1</y><!-- c -->", "x, y\"1\""},
      {"byte-order mark is stepped over", "\xEF\xBB\xBF<?xml version='1.0'?><config/>", "config"},
      {"declaration is required", "<config/>", "(null)"},
      {"first element is required", "<?xml version='1.0'?> junk <config/>", "(null)"},
      {"mismatch in the first element", "<?xml version='1.0'?><a></b><c/>", "(null)"},
      {"mismatch ends the document", "<?xml version='1.0'?><a/><b></c><d/>", "a"},
      {"empty document", "", "(null)"},
  };
  for (const DocumentCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.input);
    EXPECT_EQ(Dump(parsed.Document()), c.tree);
  }
}

TEST(XmlReaderTest, DocumentCarriesTheDeclaredEncodingOnItsFirstNode) {
  Parsed parsed("<?xml version='1.0' encoding='Shift_JIS'?><a/><b/>");
  XmlNode* first = parsed.Document();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Bytes(first->encoding), "Shift_JIS");
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->encoding, nullptr);
  EXPECT_EQ(parsed.xml.codePage, 932);
}

TEST(XmlReaderTest, ByteOrderMarkWinsOverADeclaredEncoding) {
  Parsed parsed("\xEF\xBB\xBF<?xml version='1.0' encoding='Shift_JIS'?><a/>");
  ASSERT_NE(parsed.Document(), nullptr);
  EXPECT_EQ(parsed.xml.codePage, 65001);
}

// Japanese text reaches the tree in the ANSI code page, from either document
// encoding; only code pages that hold Japanese can keep it.
TEST(XmlReaderTest, DocumentTextIsConvertedToTheAnsiCodePage) {
  const uint32_t ansi = AnsiCodePage();
  if (ansi != kCodePageUtf8 && ansi != kCodePageShiftJis) {
    GTEST_SKIP() << "ANSI code page " << ansi << " holds no Japanese";
  }
  const std::string expected = configtest::Ansi("日本語");
  struct Row {
    const char* name;
    std::string document;
  };
  const Row rows[] = {
      {"UTF-8", "<?xml version='1.0'?><a>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</a>"},
      {"Shift_JIS", "<?xml version='1.0' encoding='Shift_JIS'?><a>\x93\xFA\x96\x7B\x8C\xEA</a>"},
      {"Shift_JIS name", "<?xml version='1.0' encoding='shift_jis'?><a \x93\xFA='1'/>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Parsed parsed(row.document);
    XmlNode* a = parsed.Document();
    ASSERT_NE(a, nullptr);
    if (a->firstAttribute != nullptr) {
      EXPECT_EQ(Bytes(a->firstAttribute->name), configtest::Ansi("日"));
    } else {
      EXPECT_EQ(Bytes(a->text), expected);
    }
  }
}

struct ReadTextCase {
  const char* name;
  std::string input;
  char terminator;
  const char* text;  // Bytes() of the result
  int32_t pos;       // cursor afterwards
};

TEST(XmlReaderTest, ReadText) {
  const ReadTextCase cases[] = {
      {"up to the tag", "ab<", 0, "ab", 2},
      {"trailing run dropped", "ab  \t<", 0, "ab", 5},
      {"leading run dropped", "  ab<", 0, "ab", 4},
      {"empty stretch", "<", 0, "(null)", 0},
      {"greater-than fails", "a>b<", 0, "(null)", 1},
      {"end of input fails", "abc", 0, "(null)", 3},
      {"value ends past the quote", "v w'x", '\'', "v w", 4},
      {"value may not hold less-than", "v<w'", '\'', "(null)", 1},
      {"empty value", "'", '\'', "(null)", 0},
      {"blank value is present", "  '", '\'', "", 3},
      {"NUL ends the text early", std::string("a\0b<", 4), 0, "a", 3},
  };
  for (const ReadTextCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(c.input);
    CString* text = parsed.xml.ReadText(parsed.cursor, c.terminator);
    EXPECT_EQ(Bytes(text), c.text);
    EXPECT_EQ(parsed.cursor.pos, c.pos);
    delete text;
  }
}

struct ReferenceCase {
  const char* name;
  const char* content;   // between <a> and </a>
  const char* expected;  // UTF-8; compared in the ANSI code page
};

TEST(XmlReaderTest, CharacterReferences) {
  const ReferenceCase cases[] = {
      {"decimal", "&#65;&#97;", "Aa"},
      {"hexadecimal, both cases of digits", "&#x41;&#x6a;&#x6A;", "Ajj"},
      {"leading zeros", "&#00065;&#x0041;", "AA"},
      {"between text", "x&#61;y", "x=y"},
      {"whitespace is text", "&#32;a&#32;&#32;b&#9;&#13;&#10;", " a  b\t\r\n"},
      {"only a referenced space", "&#32;", " "},
      {"a literal run next to a reference is one space", " \r\n&#32; \tx \t", "  x"},
      {"a literal space before a referenced one stays", "a \t&#32;b", "a  b"},
      {"trailing literal run after a reference is dropped", "a&#9; \r\n", "a\t"},
      {"two bytes in UTF-8", "&#233;", "é"},
      {"three bytes in UTF-8", "&#x3042;", "あ"},
      {"outside the Basic Multilingual Plane", "&#x1F600;&#128512;", "😀😀"},
      {"with entities and plain text", "&lt;&#x3042;&amp;\xE6\x97\xA5", "<あ&日"},
      {"one level of decoding", "&#38;lt; &amp;#65;", "&lt; &#65;"},
      {"referenced markup characters", "&#60;&#62;&#39;&#34;", "<>'\""},
      {"last characters before each gap", "&#xD7FF;&#xFFFD;&#x10FFFF;",
       "\xED\x9F\xBF\xEF\xBF\xBD\xF4\x8F\xBF\xBF"},
      {"first characters after each gap", "&#xE000;&#x10000;", "\xEE\x80\x80\xF0\x90\x80\x80"},
      // What follows is no reference to a character; it stays as written.
      {"no digits", "&#; &#x;", "&#; &#x;"},
      {"no semicolon", "&#65 b", "&#65 b"},
      {"no semicolon before the tag", "&#65", "&#65"},
      {"space inside", "&#6 5; &# 65;", "&#6 5; &# 65;"},
      {"capital X", "&#X41;", "&#X41;"},
      {"hex digit in a decimal reference", "&#6A;", "&#6A;"},
      {"not a hex digit", "&#x4G;", "&#x4G;"},
      {"signs", "&#-65; &#+65;", "&#-65; &#+65;"},
      {"NUL", "&#0;&#x0;", "&#0;&#x0;"},
      {"control characters", "&#1;&#x8;&#11;&#x1F;", "&#1;&#x8;&#11;&#x1F;"},
      {"surrogates", "&#xD800;&#xDBFF;&#xDC00;&#57343;", "&#xD800;&#xDBFF;&#xDC00;&#57343;"},
      {"non-characters", "&#xFFFE;&#65535;", "&#xFFFE;&#65535;"},
      {"above U+10FFFF", "&#x110000;&#1114112;", "&#x110000;&#1114112;"},
      {"too many digits to hold", "&#99999999999999999999999;&#x100000000041;",
       "&#99999999999999999999999;&#x100000000041;"},
      {"a malformed reference before a good one", "&#&#65;", "&#A"},
  };
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(std::string("<a>") + c.content + "</a>");
    XmlNode* a = parsed.Element();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Bytes(a->text), configtest::Ansi(c.expected));
    EXPECT_EQ(parsed.cursor.pos, parsed.cursor.size);
  }
}

TEST(XmlReaderTest, CharacterReferencesInAttributeValues) {
  const ReferenceCase cases[] = {
      {"whitespace is kept", "&#32;x&#9;&#10;", " x\t\n"},
      {"the value's own quote", "it&#39;s", "it's"},
      {"literal whitespace still collapses", "  a \t b  ", "a b"},
      {"malformed stays", "&#39", "&#39"},
  };
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(std::string("<a v='") + c.content + "'/>");
    XmlNode* a = parsed.Element();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->firstAttribute, nullptr);
    EXPECT_EQ(Bytes(a->firstAttribute->value), configtest::Ansi(c.expected));
  }
}

// In a Shift_JIS document the bytes around a reference are still read as
// Shift_JIS, and the referenced character does not have to exist there.
TEST(XmlReaderTest, CharacterReferencesInAShiftJisDocument) {
  const ReferenceCase cases[] = {
      {"between Shift_JIS characters", "\x93\xFA&#x672C;\x8C\xEA", "日本語"},
      {"a trail byte that looks like ASCII", "\x95\x5C&#32;\x95\x5C", "表 表"},
      {"a character Shift_JIS lacks", "\x93\xFA&#x1F600;&#xE9;", "日😀é"},
      {"malformed stays", "\x93\xFA&#x;", "日&#x;"},
  };
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed(std::string("<?xml version='1.0' encoding='Shift_JIS'?><a>") + c.content +
                  "</a>");
    XmlNode* a = parsed.Document();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Bytes(a->text), configtest::Ansi(c.expected));
  }
}

// A NUL byte ends a text where it stands, with or without references.
TEST(XmlReaderTest, NulEndsATextWithReferencesToo) {
  const struct {
    const char* name;
    std::string content;
    const char* expected;
  } cases[] = {
      {"NUL after a reference", std::string("&#65;b\0c&#66;", 13), "Ab"},
      {"NUL before a reference", std::string("b\0c&#66;", 8), "b"},
      {"NUL first", std::string("\0&#66;", 6), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed parsed("<a>" + c.content + "</a>");
    XmlNode* a = parsed.Element();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Bytes(a->text), c.expected);
  }
}

TEST(XmlReaderTest, ReadName) {
  struct Row {
    const char* name;
    const char* input;
    const char* result;
    int32_t pos;
  };
  const Row rows[] = {
      {"stops at space", "abc def", "abc", 3}, {"stops at equals", "a-b.c=", "a-b.c", 5},
      {"stops at slash", "br/>", "br", 2},     {"stops at ampersand", "a&b ", "a", 1},
      {"empty name", "=x", "(null)", 0},       {"no stop byte before the end", "abc", "(null)", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Parsed parsed(row.input);
    CString* name = parsed.xml.ReadName(parsed.cursor);
    EXPECT_EQ(Bytes(name), row.result);
    EXPECT_EQ(parsed.cursor.pos, row.pos);
    delete name;
  }
}

}  // namespace
