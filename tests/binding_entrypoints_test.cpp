// The public entry points of CXmlObjectBase, driven through a small bindable
// class written by hand. Output is compared byte for byte, decoded and
// inflated independently (iconv, zlib) and parsed with libxml2.
#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/CXmlObjectBase.h"
#include "support/Files.h"
#include "support/ExceptionMessage.h"
#include "support/XmlOracle.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

using namespace QbXmlLib5;
using QbTest::Inflate;
using QbTest::MessageOf;
using QbTest::ReadFile;
using QbTest::TempPath;

namespace {

// <order id="..."><note>...</note><item>...</item>...</order> in the
// namespace it is given; writes the context's root items as generated
// classes do.
class COrder : public CXmlObjectBase {
public:
    COrder() { SetElementName("order"); }
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return "urn:order"; }

    std::string id = "7";
    std::string note;
    std::vector<std::string> items;
    bool forgetEnd = false;  // leaves the root open, as a faulty class might

protected:
    std::string GetTargetNamespace() override { return "urn:order"; }

    void AttributesToXml_Int(CXmlWriter* w, const CXmlSerializationContext&) const override {
        w->WriteAttribute("id", "", id);
    }

    void ToXml_Int(CXmlWriter* w, bool isRoot, const char* ns,
                   const CXmlSerializationContext& ctx, bool) const override {
        if (isRoot) WriteRootPreamble(w, ctx);
        w->WriteStartElement(GetElementName(), ns);
        CXmlObjectBase::AttributesToXml_Int(this, w, ctx);
        if (isRoot && !ctx.GetInLineSchema().empty()) w->WriteInLineSchema(ctx.GetInLineSchema());
        WriteLeaf(w, "note", ns, note);
        for (const std::string& item : items) WriteLeaf(w, "item", ns, item);
        if (!forgetEnd) w->WriteEndElement();
    }

    // Replaces the content with what `parent` holds; unknown children are
    // an error unless the context ignores them.
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool) override {
        id = parent->GetAttribute("id", "");
        note.clear();
        items.clear();
        for (; current; current = current->GetNextSiblingElement()) {
            const std::string& name = current->GetLocalName();
            const bool ours = current->GetNamespaceURI() == "urn:order";
            if (ours && name == "note") {
                note = current->GetText();
            } else if (ours && name == "item") {
                items.push_back(current->GetText());
            } else if (!ctx.GetIgnoreUnknownElements()) {
                throw CQbValidationException("Unexpected element [" + name + "]");
            }
        }
        return nullptr;
    }

private:
    static void WriteRootPreamble(CXmlWriter* w, const CXmlSerializationContext& ctx) {
        for (const std::string& pi : ctx.GetProcessingInstructions()) {
            w->WriteProcessingInstruction(pi);
        }
        CNamespaceAliasMap aliases = ctx.GetNamespaceAliases();
        for (int i = 0; i < aliases.GetNamespaceCount(); ++i) {
            const std::string uri = aliases.GetNamespaceAt(i);
            w->AddNamespace(aliases.GetAliasFromNamespace(uri.c_str()), uri);
        }
        if (!ctx.GetDefaultNamespaceURI().empty()) {
            w->SetDefaultNamespace(ctx.GetDefaultNamespaceURI());
        }
    }
    static void WriteLeaf(CXmlWriter* w, const char* name, const char* ns,
                          const std::string& text) {
        w->WriteStartElement(name, ns);
        w->WriteText(text);
        w->WriteEndElement();
    }
};

CSmartPtr<COrder> MakeOrder(int items) {
    CSmartPtr<COrder> order(new COrder());
    order->note = "5 < 6 & \"quoted\"\n\xE2\x82\xAC \xF0\x9F\x98\x80";
    for (int i = 0; i < items; ++i) order->items.push_back("item number " + std::to_string(i));
    return order;
}

std::string BytesOf(const CBinaryData& data) { return data.GetString(); }

// UTF-8 -> `to` (UTF-16LE bytes, or wchar_t characters) through iconv, an
// independent converter.
template <typename S = std::string>
S Convert(const std::string& utf8, const char* to = "UTF-16LE") {
    iconv_t cd = iconv_open(to, "UTF-8");
    S out(utf8.size() * 4 + 4, 0);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = reinterpret_cast<char*>(&out[0]);
    std::size_t outLeft = out.size() * sizeof out[0];
    EXPECT_NE(iconv(cd, &in, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft / sizeof out[0]);
    return out;
}
std::string Utf16Le(const std::string& utf8) { return Convert(utf8); }
std::wstring Wide(const std::string& utf8) { return Convert<std::wstring>(utf8, "WCHAR_T"); }

void ExpectSameOrder(const COrder& read, const COrder& written) {
    EXPECT_EQ(read.id, written.id);
    EXPECT_EQ(read.note, written.note);
    EXPECT_EQ(read.items, written.items);
}

const char kNote[] = "5 &lt; 6 &amp; &quot;quoted&quot;";

TEST(EntryPointsTest, ToXmlProducesTheDocumentInEveryLayout) {
    CSmartPtr<COrder> order = MakeOrder(1);
    CXmlSerializationContext ctx;
    EXPECT_EQ(order->ToXml(true, true, EOL_LF, ctx),
              std::string("<?xml version=\"1.0\"?>\n"
                          "<AA:order xmlns:AA=\"urn:order\" id=\"7\">\n"
                          "\t<AA:note>") +
                  kNote + "\n\xE2\x82\xAC \xF0\x9F\x98\x80</AA:note>\n"
                          "\t<AA:item>item number 0</AA:item>\n"
                          "</AA:order>\n");
    EXPECT_EQ(order->ToXml(false, false, EOL_CRLF, ctx),
              std::string("<AA:order xmlns:AA=\"urn:order\" id=\"7\"><AA:note>") + kNote +
                  "\r\n\xE2\x82\xAC \xF0\x9F\x98\x80</AA:note>"
                  "<AA:item>item number 0</AA:item></AA:order>");
    EXPECT_EQ(order->ToXml(true, false, EOL_CRLF, ctx).substr(0, 23),
              "<?xml version=\"1.0\"?>\r\n");
    // The object itself is not touched.
    EXPECT_EQ(order->items.size(), 1u);
}

TEST(EntryPointsTest, ToXmlWritesTheContextRootItems) {
    CSmartPtr<COrder> order = MakeOrder(0);
    CXmlSerializationContext ctx;
    ctx.GetProcessingInstructions().push_back("<?app run?>");
    ctx.GetNamespaceAliases().Add("o", "urn:order");
    ctx.GetNamespaceAliases().Add("x", "urn:extra");
    ctx.SetDefaultNamespaceURI("urn:default");
    ctx.SetInLineSchema("<s:schema xmlns:s=\"urn:schema\"/>");
    const std::string xml = order->ToXml(true, true, EOL_LF, ctx);
    EXPECT_EQ(xml, std::string("<?xml version=\"1.0\"?>\n"
                               "<?app run?>\n\n"
                               "<o:order xmlns=\"urn:default\" xmlns:x=\"urn:extra\" "
                               "xmlns:o=\"urn:order\" id=\"7\">\n"
                               "<s:schema xmlns:s=\"urn:schema\"/>\n"
                               "\t<o:note>") +
                       kNote + "\n\xE2\x82\xAC \xF0\x9F\x98\x80</o:note>\n</o:order>\n");
#ifdef QB_HAVE_LIBXML2
    QbTest::ExpectedElement root{"order", "urn:order", {{"id", "", "7"}}};
    root.children.push_back(QbTest::ExpectedElement{"schema", "urn:schema"});
    QbTest::ExpectedElement note{"note", "urn:order"};
    note.text = order->note;
    root.children.push_back(note);
    QbTest::ExpectDocument(xml, root, false);
#endif
}

TEST(EntryPointsTest, ToXmlStreamEncodesAndCompresses) {
    CSmartPtr<COrder> order = MakeOrder(300);
    CXmlSerializationContext ctx;
    const std::string body = order->ToXml(false, true, EOL_CRLF, ctx);
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + body;
    const std::string utf16 = Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n" + body);
    const std::string utf16NoDecl = Utf16Le("<?xml version=\"1.0\"?>\r\n" + body);

    EXPECT_EQ(BytesOf(order->ToXmlStream(true, true, XE_UTF8, EOL_CRLF, ctx)), utf8);
    EXPECT_EQ(BytesOf(order->ToXmlStream(true, true, XE_UTF16, EOL_CRLF, ctx)), utf16);
    EXPECT_EQ(BytesOf(order->ToXmlStream(true, true, XE_UTF16_NO_DECL, EOL_CRLF, ctx)),
              utf16NoDecl);
    EXPECT_EQ(BytesOf(order->ToXmlStream(false, true, XE_UTF16_NO_DECL, EOL_CRLF, ctx)),
              Utf16Le(body));

    const std::string gzip = BytesOf(order->ToXmlStream(true, true, XE_UTF8, EOL_CRLF, ctx,
                                                        CT_GZIP));
    ASSERT_GT(gzip.size(), 2u);
    EXPECT_EQ(gzip.substr(0, 2), "\x1F\x8B");
    EXPECT_EQ(Inflate(gzip), utf8);
    const std::string zlib = BytesOf(order->ToXmlStream(true, true, XE_UTF16, EOL_CRLF, ctx,
                                                        CT_ZLIB));
    EXPECT_EQ(zlib.substr(0, 2), "\x78\x01");
    EXPECT_EQ(Inflate(zlib), utf16);
#ifdef QB_HAVE_LIBXML2
    EXPECT_TRUE(QbTest::ParseStrict(utf8) != nullptr);
    EXPECT_TRUE(QbTest::ParseStrict(utf16, "UTF-16LE") != nullptr);
#endif
}

TEST(EntryPointsTest, ToXmlFileWritesMarkedAndCompressedFiles) {
    CSmartPtr<COrder> order = MakeOrder(300);
    CXmlSerializationContext ctx;
    const std::string body = order->ToXml(false, false, EOL_LF, ctx);
    const std::string path = TempPath("order.xml");

    order->ToXmlFile(path.c_str(), true, false, XE_UTF8, EOL_LF, ctx);
    EXPECT_EQ(ReadFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body);
    const std::string utf16 = Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + body);
    order->ToXmlFile(path.c_str(), true, false, XE_UTF16, EOL_LF, ctx);
    EXPECT_EQ(ReadFile(path), "\xFF\xFE" + utf16);
    order->ToXmlFile(path.c_str(), false, false, XE_UTF16_NO_DECL, EOL_LF, ctx);
    EXPECT_EQ(ReadFile(path), "\xFF\xFE" + Utf16Le(body));

    // gzip files inflate to exactly the uncompressed file.
    order->ToXmlFile(path.c_str(), true, false, XE_UTF8, EOL_LF, ctx, CT_GZIP);
    EXPECT_EQ(Inflate(ReadFile(path)), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body);
    order->ToXmlFile(path.c_str(), true, false, XE_UTF16, EOL_LF, ctx, CT_GZIP);
    EXPECT_EQ(Inflate(ReadFile(path)), "\xFF\xFE" + utf16);
#ifdef QB_HAVE_LIBXML2
    EXPECT_TRUE(QbTest::ParseStrict(Inflate(ReadFile(path))) != nullptr);
#endif
    std::remove(path.c_str());

    const std::string never = TempPath("never.xml");
    EXPECT_EQ(MessageOf([&] {
                  order->ToXmlFile(never.c_str(), true, false, XE_UTF8, EOL_LF, ctx, CT_ZLIB);
              }),
              "ZLIB Compression only available for To Stream methods.");
    EXPECT_NE(access(never.c_str(), F_OK), 0);
    EXPECT_EQ(MessageOf([&] { order->ToXmlFile(never.c_str(), true, false, XE_NONE, EOL_LF, ctx); })
                  .rfind("Unknown Encoding, select UTF-8", 0),
              0u);
    EXPECT_NE(access(never.c_str(), F_OK), 0);
}

TEST(EntryPointsTest, WritingFailuresCarryTheLibraryMessages) {
    CSmartPtr<COrder> order = MakeOrder(1);
    CXmlSerializationContext ctx;
    const EOLType bad = static_cast<EOLType>(5);
    EXPECT_EQ(MessageOf([&] { order->ToXml(true, true, bad, ctx); }), "Invalid EOL type.");
    EXPECT_EQ(MessageOf([&] { order->ToXmlStream(true, true, XE_UTF8, bad, ctx); }),
              "Invalid EOL type.");
    for (XmlEncoding encoding : {XE_NONE, static_cast<XmlEncoding>(4)}) {
        EXPECT_EQ(MessageOf([&] { order->ToXmlStream(true, true, encoding, EOL_LF, ctx); })
                      .rfind("Unknown Encoding, select UTF-8 (", 0),
                  0u);
    }
    order->forgetEnd = true;
    EXPECT_EQ(MessageOf([&] { order->ToXml(true, true, EOL_LF, ctx); }),
              "An Element has not been closed.");
    // Without the declaration the end of the document is not checked.
    EXPECT_EQ(MessageOf([&] { order->ToXml(false, true, EOL_LF, ctx); }), "(no exception)");
}

TEST(EntryPointsTest, EveryWrittenFormReadsBack) {
    CSmartPtr<COrder> written = MakeOrder(300);
    written->id = "a&b\"c";
    CXmlSerializationContext ctx;
    CSmartPtr<COrder> read(new COrder());

    read->FromXml(written->ToXml(true, true, EOL_CRLF, ctx).c_str(), ctx);
    ExpectSameOrder(*read, *written);
    read->FromXml(Wide(written->ToXml(false, false, EOL_LF, ctx)).c_str(), ctx);
    ExpectSameOrder(*read, *written);

    for (XmlEncoding encoding : {XE_UTF8, XE_UTF16, XE_UTF16_NO_DECL}) {
        for (CompressionType compression : {CT_NONE, CT_GZIP, CT_ZLIB}) {
            SCOPED_TRACE(encoding * 10 + compression);
            read = new COrder();
            const CBinaryData bytes =
                written->ToXmlStream(true, true, encoding, EOL_CRLF, ctx, compression);
            read->FromXmlStream(bytes, ctx);
            ExpectSameOrder(*read, *written);
            read = new COrder();
            read->FromXmlStream(bytes.GetData(), bytes.GetLength(), ctx);
            ExpectSameOrder(*read, *written);
        }
    }

    const std::string path = TempPath("roundtrip.xml");
    for (XmlEncoding encoding : {XE_UTF8, XE_UTF16}) {
        for (CompressionType compression : {CT_NONE, CT_GZIP}) {
            SCOPED_TRACE(encoding * 10 + compression);
            written->ToXmlFile(path.c_str(), true, false, encoding, EOL_LF, ctx, compression);
            read = new COrder();
            read->FromXmlFile(path.c_str(), ctx);
            ExpectSameOrder(*read, *written);
        }
    }
    std::remove(path.c_str());
}

TEST(EntryPointsTest, ReadingHonoursTheContextAndReportsLoadErrors) {
    const std::string xml =
        "<o:order xmlns:o=\"urn:order\" id=\"9\"><o:note>n</o:note><o:extra/>"
        "<o:item>i</o:item></o:order>";
    CSmartPtr<COrder> order = MakeOrder(3);
    CXmlSerializationContext strict;
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownElements(true);
    EXPECT_EQ(MessageOf([&] { order->FromXml(xml.c_str(), strict); }),
              "Unexpected element [extra]");
    EXPECT_EQ(MessageOf([&] { order->FromXml(Wide(xml).c_str(), strict); }),
              "Unexpected element [extra]");
    order->FromXml(xml.c_str(), lenient);
    EXPECT_EQ(order->note, "n");
    EXPECT_EQ(order->items, std::vector<std::string>{"i"});
    order->FromXml(Wide(xml).c_str(), lenient);
    EXPECT_EQ(order->id, "9");

    EXPECT_EQ(MessageOf([&] { order->FromXmlStream(CBinaryData(), strict); }),
              "XML Stream is empty!");
    const std::string broken = MessageOf([&] { order->FromXml("<o>\n<p></o>", strict); });
    EXPECT_NE(broken.find("at line 2"), std::string::npos) << broken;
    const std::string missing = TempPath("missing.xml");
    EXPECT_EQ(MessageOf([&] { order->FromXmlFile(missing.c_str(), strict); })
                  .rfind("Failed to open the file [" + missing + "]", 0),
              0u);
}

TEST(EntryPointsTest, FromXmlElementReadsAnElementOfAnExistingTree) {
    CXmlDocument document;
    document.LoadXml(
        "<wrapper><order xmlns=\"urn:order\" id=\"3\"><note>inner</note>"
        "<item>1</item><item>2</item></order></wrapper>");
    CSmartPtr<COrder> order(new COrder());
    CXmlSerializationContext ctx;
    order->FromXmlElement(document.GetDocumentElement()->GetFirstElement(), ctx);
    EXPECT_EQ(order->id, "3");
    EXPECT_EQ(order->note, "inner");
    EXPECT_EQ(order->items, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(MessageOf([&] { order->FromXmlElement(static_cast<const CXmlElement*>(nullptr), ctx); }),
              "The element to read from is NULL");
}

}  // namespace
