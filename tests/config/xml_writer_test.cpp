#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "config/xml.h"
#include "config_test_support.h"

using configtest::Bytes;
using configtest::Dump;
using configtest::Parsed;

namespace {

// A tree released at the end of the test.
struct Tree {
  explicit Tree(XmlNode* node) : root(node) {}
  ~Tree() { const CHolder<XmlNode> released(root); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  XmlNode* root;
};

std::string Written(XmlNode* first) {
  CXml xml;
  std::unique_ptr<char[]> document(xml.WriteDocument(first));
  return document ? std::string(document.get()) : "(null)";
}

std::string Elements(XmlNode* node) {
  CXml xml;
  CXmlString out;
  EXPECT_EQ(xml.WriteElements(node, out, 0), 1);
  return out.buffer ? std::string(out.buffer.Get(), static_cast<size_t>(out.length)) : "";
}

XmlAttribute* AddAttribute(XmlNode* node, const WideChar* name, const WideChar* value) {
  auto* attribute = new XmlAttribute();
  if (name != nullptr) attribute->name.Reset(new CString(name));
  if (value != nullptr) attribute->value.Reset(new CString(value));
  CHolder<XmlAttribute>* slot = &node->firstAttribute;
  while (*slot)
    slot = &(*slot)->next;
  slot->Reset(attribute);
  return attribute;
}

TEST(XmlTreeTest, CreateNode) {
  struct Row {
    const char* name;
    const WideChar* nodeName;
    const WideChar* text;
    const char* dump;
    bool textPresent;
  };
  const Row rows[] = {
      {"name without text", WSTR("a"), nullptr, "a", false},
      {"empty text is present but unset", WSTR("a"), WSTR(""), "a\"\"", true},
      {"text", WSTR("a"), WSTR("x y"), "a\"x y\"", true},
      {"no name", nullptr, WSTR("t"), "?\"t\"", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Tree tree(CreateNode(row.nodeName, row.text));
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(Dump(tree.root), row.dump);
    EXPECT_EQ(tree.root->text != nullptr, row.textPresent);
    if (tree.root->text != nullptr && row.text[0] == 0) {
      EXPECT_EQ(tree.root->text->data, nullptr);
    }
    EXPECT_EQ(tree.root->firstChild, nullptr);
    EXPECT_EQ(tree.root->firstAttribute, nullptr);
  }
}

TEST(XmlTreeTest, AppendChildAndFindChild) {
  Tree tree(CreateNode(WSTR("p"), nullptr));
  AddTextChild(tree.root, WSTR("a"), WSTR("1"));
  AppendChild(tree.root, CreateNode(nullptr, WSTR("unnamed")));
  AddTextChild(tree.root, WSTR("b"), nullptr);
  AddTextChild(tree.root, WSTR("a"), WSTR("2"));
  EXPECT_EQ(Dump(tree.root), "p(a\"1\", ?\"unnamed\", b, a\"2\")");
  EXPECT_EQ(Bytes(FindChild(tree.root, WSTR("a"))->text), "1");
  EXPECT_EQ(FindChild(tree.root, WSTR("b")), tree.root->firstChild->next->next.Get());
  EXPECT_EQ(FindChild(tree.root, WSTR("A")), nullptr);
  EXPECT_EQ(FindChild(tree.root, WSTR("c")), nullptr);
  EXPECT_EQ(FindChild(nullptr, WSTR("a")), nullptr);
}

TEST(XmlTreeTest, GetInt) {
  struct Row {
    const char* name;
    const WideChar* text;  // null: a node without text
    int32_t expected;
  };
  const int32_t kDefault = 77;
  const Row rows[] = {
      {"negative", WSTR("-12"), -12},
      {"positive", WSTR("7"), 7},
      {"leading TAB", WSTR("\t42"), 42},
      {"leading spaces", WSTR("  5"), 5},
      {"zero", WSTR("0"), 0},
      {"decimal point", WSTR("4.5"), kDefault},
      {"plus sign", WSTR("+3"), kDefault},
      {"hexadecimal", WSTR("0x10"), kDefault},
      {"trailing space", WSTR("12 "), kDefault},
      {"two signs", WSTR("--1"), kDefault},
      {"sign after digits", WSTR("1-"), kDefault},
      {"only a sign", WSTR("-"), 0},
      {"largest", WSTR("2147483647"), 2147483647},
      {"smallest", WSTR("-2147483648"), INT32_MIN},
      {"wraps without a check", WSTR("4294967297"), 1},
      {"empty text", WSTR(""), kDefault},
      {"no text", nullptr, kDefault},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Tree tree(CreateNode(WSTR("n"), row.text));
    EXPECT_EQ(GetInt(tree.root, kDefault), row.expected);
  }
  EXPECT_EQ(GetInt(nullptr, kDefault), kDefault);
}

TEST(XmlTreeTest, ReleasingAHolderFreesDeepAndLongTrees) {
  // Deeper than any stack would take recursively; run under the sanitizer
  // build this also proves nothing leaks.
  const CHolder<XmlNode> root(CreateNode(WSTR("r"), nullptr));
  XmlNode* node = root.Get();
  for (int i = 0; i < 200000; ++i) {
    XmlNode* child = CreateNode(WSTR("c"), WSTR("t"));
    AddAttribute(child, WSTR("k"), WSTR("v"));
    AppendChild(node, child);
    if (i % 2 == 0) AddTextChild(node, WSTR("s"), nullptr);
    node = child;
  }
  int depth = 0;
  for (XmlNode* n = root.Get(); n != nullptr; n = n->firstChild.Get())
    ++depth;
  ASSERT_EQ(depth, 200001);
}

TEST(XmlWriterTest, ElementLayout) {
  struct Row {
    const char* name;
    std::function<XmlNode*()> build;
    const char* expected;
  };
  const Row rows[] = {
      {"empty element", [] { return CreateNode(WSTR("name"), nullptr); }, "<name/>\r\n"},
      {"present empty text", [] { return CreateNode(WSTR("name"), WSTR("")); },
       "<name></name>\r\n"},
      {"attribute without content",
       [] {
         XmlNode* n = CreateNode(WSTR("a"), nullptr);
         AddAttribute(n, WSTR("x"), WSTR("1"));
         return n;
       },
       "<a x=\"1\" />\r\n"},
      {"attributes, one without value, one without name",
       [] {
         XmlNode* n = CreateNode(WSTR("a"), WSTR("t"));
         AddAttribute(n, WSTR("x"), nullptr);
         AddAttribute(n, nullptr, WSTR("lost"));
         AddAttribute(n, WSTR("y"), WSTR("2"));
         return n;
       },
       "<a x=\"\" y=\"2\" >t</a>\r\n"},
      {"nested, line ends only after end tags",
       [] {
         XmlNode* n = CreateNode(WSTR("config"), nullptr);
         AddTextChild(n, WSTR("language"), WSTR("1"));
         AddTextChild(n, WSTR("font_size"), WSTR("9"));
         return n;
       },
       "<config><language>1</language>\r\n<font_size>9</font_size>\r\n</config>\r\n"},
      {"text before children",
       [] {
         XmlNode* n = CreateNode(WSTR("a"), WSTR("t"));
         AddTextChild(n, WSTR("b"), nullptr);
         return n;
       },
       "<a>t<b/>\r\n</a>\r\n"},
      {"siblings",
       [] {
         XmlNode* n = CreateNode(WSTR("a"), nullptr);
         n->next.Reset(CreateNode(WSTR("b"), WSTR("2")));
         return n;
       },
       "<a/>\r\n<b>2</b>\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Tree tree(row.build());
    EXPECT_EQ(Elements(tree.root), row.expected);
  }
}

TEST(XmlWriterTest, AllFiveCharactersAreEscapedInTextAndValues) {
  Tree tree(CreateNode(WSTR("a"), WSTR("1<2>3&4\"5'6")));
  AddAttribute(tree.root, WSTR("v"), WSTR("<>&\"'"));
  EXPECT_EQ(Elements(tree.root),
            "<a v=\"&lt;&gt;&amp;&quot;&apos;\" >1&lt;2&gt;3&amp;4&quot;5&apos;6</a>\r\n");
}

TEST(XmlWriterTest, NamesAreWrittenAsTheyStand) {
  Tree tree(CreateNode(WSTR("a&b"), nullptr));
  EXPECT_EQ(Elements(tree.root), "<a&b/>\r\n");
}

TEST(XmlWriterTest, Declaration) {
  Tree plain(CreateNode(WSTR("config"), nullptr));
  EXPECT_EQ(Written(plain.root), "<?xml version=\"1.0\" ?>\r\n<config/>\r\n");
  Tree declared(CreateNode(WSTR("config"), nullptr));
  declared.root->encoding.Reset(new CString(WSTR("Shift_JIS")));
  EXPECT_EQ(Written(declared.root),
            "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\r\n<config/>\r\n");
}

std::string Escaped(const WideChar* text) {
  CXmlString out;
  WriteEscaped(out, text);
  return out.buffer ? std::string(out.buffer.Get(), static_cast<size_t>(out.length)) : "";
}

// Whitespace that the reader would drop or merge is written as a character
// reference, and every such text reads back unchanged, as element text and as
// an attribute value.
TEST(XmlWriterTest, WhitespaceThatWouldCollapseIsWrittenAsReferences) {
  struct Row {
    const char* name;
    const char* text;
    const char* written;
  };
  const Row rows[] = {
      {"single inner spaces stay", "a b c", "a b c"},
      {"leading space", " a", "&#32;a"},
      {"trailing space", "a ", "a&#32;"},
      {"double space", "a  b", "a &#32;b"},
      {"run of three", "a   b", "a &#32;&#32;b"},
      {"trailing run", "a  ", "a &#32;"},
      {"leading run", "  a", "&#32;&#32;a"},
      {"only a space", " ", "&#32;"},
      {"only spaces", "   ", "&#32;&#32;&#32;"},
      {"CR LF", "a\r\nb", "a&#13;&#10;b"},
      {"lone LF and CR", "\na\r", "&#10;a&#13;"},
      {"TAB", "\tx\t", "&#9;x&#9;"},
      {"space then TAB", "a \tb", "a &#9;b"},
      {"TAB then space", "a\t b", "a&#9; b"},
      {"line break then indent", "{\r\n  x\r\n}", "{&#13;&#10; &#32;x&#13;&#10;}"},
      {"with entities", " <a> & ", "&#32;&lt;a&gt; &amp;&#32;"},
      {"with UTF-8", "\xE6\x97\xA5  \xE6\x9C\xAC", "\xE6\x97\xA5 &#32;\xE6\x9C\xAC"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto text = test::Utf16(row.text);
    EXPECT_EQ(Escaped(text.c_str()), row.written);

    Tree tree(CreateNode(WSTR("a"), text.c_str()));
    AddAttribute(tree.root, WSTR("v"), text.c_str());
    const std::string document = Written(tree.root);
    EXPECT_EQ(document.find_first_of("\t"), std::string::npos);
    Parsed parsed(document);
    XmlNode* back = parsed.Document();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back->text), configtest::Ansi(row.text));
    ASSERT_NE(back->firstAttribute, nullptr);
    EXPECT_EQ(Bytes(back->firstAttribute->value), configtest::Ansi(row.text));
  }
}

// Text without such whitespace is written byte for byte as before references
// existed: only the five entity characters are replaced.
TEST(XmlWriterTest, TextWithoutCollapsingWhitespaceIsWrittenAsBefore) {
  const auto entitiesOnly = [](const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
      switch (c) {
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '&':
          out += "&amp;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          out += c;
      }
    }
    return out;
  };
  const char* texts[] = {
      "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};",
      "0x%02X",
      "C:\\Program Files\\a b\\c",
      "x & y <z> \"q\" 'p'",
      "&#32; &#10;",
      "\xE6\x97\xA5\xE6\x9C\xAC \xE8\xAA\x9E",
      "a\xF0\x9F\x98\x80 b",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Escaped(test::Utf16(text).c_str()), entitiesOnly(text));
  }
}

TEST(XmlWriterTest, TextIsWrittenAsUtf8) {
  CXmlString out;
  WriteEscaped(out, test::Utf16("日本 & é").c_str());
  EXPECT_EQ(std::string(out.buffer.Get()), "\xE6\x97\xA5\xE6\x9C\xAC &amp; \xC3\xA9");
}

// The two halves of a character outside the Basic Multilingual Plane are
// converted together, so the character survives.
TEST(XmlWriterTest, SupplementaryCharactersStayWhole) {
  CXmlString out;
  WriteEscaped(out, test::Utf16("a\xF0\x9F\x98\x80<\xF0\x9F\x98\x80").c_str());
  EXPECT_EQ(std::string(out.buffer.Get()), "a\xF0\x9F\x98\x80&lt;\xF0\x9F\x98\x80");
}

TEST(XmlWriterTest, TextSurvivesGrowthAcrossManyAppends) {
  CXmlString out;
  std::string expected;
  // Pieces of every length from 1 to 300 cross many a capacity boundary.
  for (int32_t size = 1; size <= 300; ++size) {
    const std::basic_string<WideChar> piece(static_cast<size_t>(size), WideChar('a' + size % 26));
    out.Append(piece.c_str(), size);
    expected.append(static_cast<size_t>(size), static_cast<char>('a' + size % 26));
    ASSERT_EQ(out.length, static_cast<int32_t>(expected.size()));
    ASSERT_EQ(out.buffer[static_cast<size_t>(out.length)], 0) << "after a piece of " << size;
  }
  EXPECT_FALSE(out.failed);
  EXPECT_EQ(std::string(out.buffer.Get(), static_cast<size_t>(out.length)), expected);
}

TEST(XmlWriterTest, WrittenDocumentReadsBackAsTheSameTree) {
  Tree tree(CreateNode(WSTR("config"), nullptr));
  AddTextChild(tree.root, WSTR("path"), WSTR("C:\\a <b> & 'c' \"d\""));
  AddTextChild(tree.root, WSTR("empty"), nullptr);
  XmlNode* colors = CreateNode(WSTR("colors"), nullptr);
  AppendChild(tree.root, colors);
  XmlNode* color = CreateNode(WSTR("color"), nullptr);
  AddAttribute(color, WSTR("q"), WSTR("it's"));
  AppendChild(colors, color);
  AddTextChild(color, WSTR("index"), WSTR("0"));
  const std::string document = Written(tree.root);
  Parsed parsed(document);
  EXPECT_EQ(Dump(parsed.Document()), Dump(tree.root));
}

}  // namespace
