// Streaming reading and writing: every input form from a file and a stream
// gives the objects a whole-document read gives; the streaming writer's bytes
// are the whole-document writer's; the members around the streamed elements
// survive at two levels; invalid items, truncated and malformed input and
// paths that match nothing are refused or handled as documented.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "QbXmlLib5.h"
#include "ledger.h"
#include "po.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"

using namespace QbXmlLib5;

namespace {

const char kItems[] = "/purchaseOrder/items/item";
const char kEntries[] = "/ledger/entries/entry";

CSmartPtr<Po::CItem> MakeItem(int i) {
    CSmartPtr<Po::CItem> item = new Po::CItem();
    item->SetPartNum(std::to_string(100 + i % 900) + "-AB");
    item->SetProductName("Product <" + std::to_string(i) + "> & co");
    item->SetQuantity(1 + i % 99);
    item->SetUSPrice(CDecimal((std::to_string(i) + ".25").c_str()));
    if (i % 3 == 0) item->GetTag()->Add("tag" + std::to_string(i));
    return item;
}

// The Primer's order with `count` items of its own.
CSmartPtr<Po::CPurchaseOrderType> MakeOrder(int count) {
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    order->FromXmlFile(QB_PO_SAMPLES_DIR "/po.xml");
    order->GetItems()->GetItem()->Clear();
    for (int i = 1; i <= count; ++i) order->GetItems()->GetItem()->Add(MakeItem(i));
    return order;
}

struct Form {
    const char* name;
    std::function<CBinaryData(const CXmlObjectBase&)> write;
};

const Form kForms[] = {
    {"text", [](const CXmlObjectBase& o) { return o.ToXmlStream(true, true, XE_UTF8, EOL_LF); }},
    {"UTF-16",
     [](const CXmlObjectBase& o) { return o.ToXmlStream(true, false, XE_UTF16, EOL_CRLF); }},
    {"gzip",
     [](const CXmlObjectBase& o) {
         return o.ToXmlStream(true, true, XE_UTF8, EOL_LF, CXmlSerializationContext(), CT_GZIP);
     }},
    {"zlib",
     [](const CXmlObjectBase& o) {
         return o.ToXmlStream(false, false, XE_UTF8, EOL_LF, CXmlSerializationContext(), CT_ZLIB);
     }},
    {"Fast Infoset", [](const CXmlObjectBase& o) { return o.ToFastInfosetStream(FI_DECL_NONE); }},
    {"Fast Infoset gzip",
     [](const CXmlObjectBase& o) {
         return o.ToFastInfosetStream(FI_DECL_1_0, CXmlSerializationContext(), CT_GZIP);
     }},
};

std::string AsString(const CBinaryData& data) {
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength());
}

// The XML text `text` as Fast Infoset, event by event.
std::string TextToFastInfoset(const std::string& text) {
    std::string octets;
    CFastInfosetEventWriter writer(
        [&octets](const unsigned char* data, std::size_t length) {
            octets.append(reinterpret_cast<const char*>(data), length);
        },
        FI_DECL_NONE);
    CXmlEventParser parser(writer);
    parser.Parse(reinterpret_cast<const unsigned char*>(text.data()), text.size(), true);
    return octets;
}

// Where StreamItems reads from: a stream that can seek (and so be read
// again from its start), a file, a stream that cannot seek, as a pipe, or a
// FIFO opened by name.
enum { kFromStream = 0, kFromFile = 1, kFromPipe = 2, kFromFifo = 3 };

// A stream buffer over a string that cannot seek.
class CForwardOnly : public std::streambuf {
public:
    explicit CForwardOnly(std::string bytes) : m_bytes(std::move(bytes)) {
        setg(&m_bytes[0], &m_bytes[0], &m_bytes[0] + m_bytes.size());
    }

private:
    std::string m_bytes;
};

// Reads `bytes` by streaming (`from` one of the above), keeping every item.
std::size_t StreamItems(const std::string& bytes, int from, const std::string& path,
                        std::vector<CSmartPtr<Po::CItem>>& items, CXmlObjectBase* parent) {
    const auto keep = [&items](const CSmartPtr<Po::CItem>& item) { items.push_back(item); };
    if (from == kFromFifo) {
        const std::string fifo = QbTest::TempPath("stream_fifo");
        std::remove(fifo.c_str());
        if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
        // A reader that stops early closes the FIFO under the writer.
        std::signal(SIGPIPE, SIG_IGN);
        // The writer blocks until the reader opens the FIFO, and stops
        // writing if the reader gives up early.
        std::thread writer([&] {
            std::FILE* out = std::fopen(fifo.c_str(), "wb");
            if (out) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
                std::fclose(out);
            }
        });
        struct CJoin {
            std::thread& thread;
            std::string path;
            ~CJoin() {
                // A writer still waiting for a reader (one that never opened
                // the FIFO) is let through; a finished one is left alone.
                const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
                if (fd >= 0) {
                    char sink[4096];
                    for (ssize_t n; (n = ::read(fd, sink, sizeof sink)) != 0;) {
                        if (n < 0 && errno != EAGAIN) break;
                        if (n < 0) std::this_thread::yield();
                    }
                    ::close(fd);
                }
                thread.join();
                std::remove(path.c_str());
            }
        } join{writer, fifo};
        CXmlStreamReader reader(fifo.c_str());
        return reader.ReadObjects<Po::CItem>(path, keep, parent);
    }
    if (from == kFromFile) {
        const std::string file = QbTest::TempPath("stream_in");
        QbTest::WriteFile(file, bytes);
        struct CRemove {
            std::string path;
            ~CRemove() { std::remove(path.c_str()); }
        } remove{file};
        CXmlStreamReader reader(file.c_str());
        return reader.ReadObjects<Po::CItem>(path, keep, parent);
    }
    CForwardOnly pipe(bytes);
    std::istringstream seekable(bytes);
    std::istream forwardOnly(&pipe);
    CXmlStreamReader reader(from == kFromPipe ? forwardOnly : seekable);
    return reader.ReadObjects<Po::CItem>(path, keep, parent);
}

TEST(StreamReader, EveryFormFromFileAndStreamReadsWhatTheWholeDocumentReads) {
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(700);
    for (const Form& form : kForms) {
        const std::string bytes = AsString(form.write(*order));
        CSmartPtr<Po::CPurchaseOrderType> whole = new Po::CPurchaseOrderType();
        whole->FromXmlStream(form.write(*order));
        for (int from : {kFromFile, kFromStream, kFromPipe, kFromFifo}) {
            SCOPED_TRACE(std::string(form.name) + " from source " + std::to_string(from));
            std::vector<CSmartPtr<Po::CItem>> items;
            CSmartPtr<Po::CPurchaseOrderType> parent = new Po::CPurchaseOrderType();
            ASSERT_EQ(StreamItems(bytes, from, kItems, items, parent), 700u);
            ASSERT_EQ(items.size(), 700u);
            for (int i = 0; i < 700; i += 7) {
                EXPECT_EQ(items[i]->ToXml(false, false, EOL_LF),
                          whole->GetItems()->GetItem()->Item(i)->ToXml(false, false, EOL_LF));
            }
            // The parent holds everything but the streamed items.
            EXPECT_EQ(parent->GetItems()->GetItem()->GetCount(), 0);
            CSmartPtr<Po::CPurchaseOrderType> bare = MakeOrder(0);
            EXPECT_EQ(parent->ToXml(false, true, EOL_LF), bare->ToXml(false, true, EOL_LF));
        }
    }
}

CSmartPtr<Ledger::CEntry> MakeEntry(int id, int children) {
    CSmartPtr<Ledger::CEntry> entry = new Ledger::CEntry("entry");
    entry->SetId(id);
    entry->SetAmount(CDecimal((std::to_string(id) + ".5").c_str()));
    for (int c = 1; c <= children; ++c) entry->GetEntry()->Add(MakeEntry(id * 100 + c, 0));
    return entry;
}

CSmartPtr<Ledger::CLedger> MakeLedger() {
    CSmartPtr<Ledger::CLedger> ledger = new Ledger::CLedger("ledger");
    ledger->SetTitle("Accounts");
    ledger->SetSignature("Auditor");
    ledger->GetEntries()->SetOpening(CDecimal("10.00"));
    ledger->GetEntries()->SetClosing(CDecimal("99.90"));
    return ledger;
}

CXmlStreamWriter::COptions TextOptions(bool formatted, XmlEncoding encoding, EOLType eol,
                                       CompressionType compression) {
    CXmlStreamWriter::COptions options;
    options.formatted = formatted;
    options.encoding = encoding;
    options.eol = eol;
    options.compression = compression;
    return options;
}

// Writes the ledger's entries 1..count (entry i with i % 3 nested ones) by
// streaming to a string.
std::string StreamLedger(const CXmlStreamWriter::COptions& options, int count) {
    std::ostringstream out;
    CXmlStreamWriter writer(out, options);
    CSmartPtr<Ledger::CLedger> ledger = MakeLedger();
    writer.Begin(ledger, kEntries);
    for (int i = 1; i <= count; ++i) writer.Write(MakeEntry(i, i % 3));
    writer.End();
    EXPECT_EQ(writer.GetCount(), static_cast<std::size_t>(count));
    return out.str();
}

TEST(StreamWriter, BytesAreThoseOfTheWholeDocument) {
    CSmartPtr<Ledger::CLedger> whole = MakeLedger();
    for (int i = 1; i <= 50; ++i) whole->GetEntries()->GetEntry()->Add(MakeEntry(i, i % 3));
    const CXmlSerializationContext ctx;
    struct Case {
        bool formatted;
        XmlEncoding encoding;
        EOLType eol;
    } cases[] = {{true, XE_UTF8, EOL_LF}, {false, XE_UTF8, EOL_CRLF}, {true, XE_UTF16, EOL_CRLF}};
    for (const Case& c : cases) {
        EXPECT_EQ(StreamLedger(TextOptions(c.formatted, c.encoding, c.eol, CT_NONE), 50),
                  AsString(whole->ToXmlStream(true, c.formatted, c.encoding, c.eol)));
        // Compressed: the same document inside.
        EXPECT_EQ(
            QbTest::Inflate(StreamLedger(TextOptions(c.formatted, c.encoding, c.eol, CT_GZIP), 50)),
            AsString(whole->ToXmlStream(true, c.formatted, c.encoding, c.eol)));
    }
    CXmlStreamWriter::COptions fi;
    fi.fastInfoset = true;
    fi.fastInfosetDeclaration = FI_DECL_1_0;
    EXPECT_EQ(StreamLedger(fi, 50), AsString(whole->ToFastInfosetStream(FI_DECL_1_0)));
    fi.compression = CT_ZLIB;
    EXPECT_EQ(QbTest::Inflate(StreamLedger(fi, 50)),
              AsString(whole->ToFastInfosetStream(FI_DECL_1_0)));

    // A file is what ToXmlFile writes, byte-order mark included; items the
    // root already holds come first.
    const std::string file = QbTest::TempPath("stream_out.xml");
    CSmartPtr<Ledger::CLedger> root = MakeLedger();
    root->GetEntries()->GetEntry()->Add(MakeEntry(1, 1));
    {
        CXmlStreamWriter writer(file.c_str(), TextOptions(true, XE_UTF16, EOL_LF, CT_NONE));
        writer.Begin(root, kEntries);
        for (int i = 2; i <= 50; ++i) writer.Write(MakeEntry(i, i % 3));
        writer.End();
    }
    const std::string expected = QbTest::TempPath("whole_out.xml");
    whole->ToXmlFile(expected.c_str(), true, true, XE_UTF16, EOL_LF);
    EXPECT_EQ(QbTest::ReadFile(file), QbTest::ReadFile(expected));
    std::remove(file.c_str());
    std::remove(expected.c_str());
}

TEST(StreamReader, MembersAroundNestedEntriesAtTwoLevels) {
    for (bool fastInfoset : {false, true}) {
        CXmlStreamWriter::COptions options;
        options.fastInfoset = fastInfoset;
        const std::string bytes = StreamLedger(options, 40);
        std::istringstream in(bytes);
        CXmlStreamReader reader(in);
        CSmartPtr<Ledger::CLedger> parent = new Ledger::CLedger("ledger");
        std::vector<int> nested;
        const std::size_t count = reader.ReadObjects<Ledger::CEntry>(
            kEntries,
            [&](const CSmartPtr<Ledger::CEntry>& entry) {
                EXPECT_EQ(entry->GetId().ToString(), std::to_string(nested.size() + 1));
                nested.push_back(entry->GetEntry()->GetCount());
            },
            parent);
        // Entries inside entries share the name but not the path.
        ASSERT_EQ(count, 40u);
        EXPECT_EQ(nested[2], 0);
        EXPECT_EQ(nested[4], 2);
        // Read with at least one entry required, and left empty.
        EXPECT_EQ(parent->GetTitle(), "Accounts");
        EXPECT_EQ(parent->GetSignature(), "Auditor");
        EXPECT_EQ(parent->GetEntries()->GetOpening().ToString(), "10.00");
        EXPECT_EQ(parent->GetEntries()->GetClosing().ToString(), "99.90");
        EXPECT_EQ(parent->GetEntries()->GetEntry()->GetCount(), 0);
    }
}

TEST(StreamReader, PathsByNameAndNamespace) {
    const std::string bytes = StreamLedger(CXmlStreamWriter::COptions(), 5);
    const auto count = [&bytes](const std::string& path) {
        std::istringstream in(bytes);
        CXmlStreamReader reader(in);
        return reader.ReadElements(path, [](const CXmlElement&, std::size_t) {});
    };
    const struct {
        const char* path;
        std::size_t count;
    } table[] = {{"/ledger/entries/entry", 5},
                 {"ledger/entries/entry", 5},
                 {"/{urn:ledger}ledger/entries/{urn:ledger}entry", 5},
                 {"/ledger/entries/{urn:other}entry", 0},
                 {"/ledger/entries/entry/entry", 6},  // ids 1, 2, 4, 5 have 1, 2, 1, 2
                 {"/ledger/entries/entry/entry/entry", 0},
                 {"/ledger/title", 1},
                 {"/ledger", 1},
                 {"/ledger/nothing/entry", 0}};
    for (const auto& row : table) EXPECT_EQ(count(row.path), row.count) << row.path;
    QbTest::ExpectThrow<CQbInvalidParamException>(
        [&] { count("/order/entries/entry"); },
        "The document element [ledger] does not match the path [/order/entries/entry]");
    QbTest::ExpectThrow<CQbInvalidParamException>([&] { count("/ledger//entry"); },
                                                  "Invalid streaming path [/ledger//entry]");
    std::istringstream in(bytes);
    CXmlStreamReader reader(in);
    CSmartPtr<Ledger::CLedger> parent = new Ledger::CLedger("ledger");
    const auto ignore = [](const CSmartPtr<Ledger::CLedger>&) {};
    QbTest::ExpectThrow<CQbInvalidParamException>(
        [&] { reader.ReadObjects<Ledger::CLedger>("/ledger", ignore, parent); },
        "The path [/ledger] names the document element: there is no parent to read");
    // What the handler throws passes through as it is.
    QbTest::ExpectThrow<CQbInvalidStateException>(
        [&] {
            reader.ReadObjects<Ledger::CLedger>("/ledger", [](const CSmartPtr<Ledger::CLedger>&) {
                throw CQbInvalidStateException("enough");
            });
        },
        "enough");
    QbTest::ExpectThrow<CQbInvalidStateException>(
        [&] { reader.ReadObjects<Ledger::CLedger>("/ledger", ignore); },
        "The document has already been read.");
}

TEST(StreamReader, NamesTextAndScopesInAnotherLocalEncoding) {
    SetLocalCharEncoding(28591);  // ISO-8859-1
    struct CRestore {
        ~CRestore() { SetLocalCharEncoding(65001); }
    } restore;
    const std::string document =
        "<?xml version='1.0' encoding='UTF-8'?><a xmlns:p='urn:\xC3\xA9'>"
        "<b x='\xC3\xA9'>caf\xC3\xA9</b></a>";
    std::istringstream in(document);
    CXmlStreamReader reader(in);
    std::size_t seen = 0;
    reader.ReadElements("/a/b", [&seen](const CXmlElement& b, std::size_t) {
        EXPECT_EQ(b.GetText(), "caf\xE9");
        EXPECT_EQ(b.GetAttribute("x", ""), "\xE9");
        EXPECT_EQ(b.LookupNamespaceFromPrefix("p"), "urn:\xE9");
        ++seen;
    });
    EXPECT_EQ(seen, 1u);
    std::istringstream fastInfoset(TextToFastInfoset(document));
    CXmlStreamReader fiReader(fastInfoset);
    fiReader.ReadElements("/a/b", [&seen](const CXmlElement& b, std::size_t) {
        EXPECT_EQ(b.GetText(), "caf\xE9");
        ++seen;
    });
    EXPECT_EQ(seen, 2u);
}

TEST(StreamReader, PathMatchingNothingStillReadsTheParent) {
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(3);
    std::vector<CSmartPtr<Po::CItem>> items;
    CSmartPtr<Po::CPurchaseOrderType> parent = new Po::CPurchaseOrderType();
    EXPECT_EQ(StreamItems(AsString(kForms[0].write(*order)), false, "/purchaseOrder/items/part",
                          items, parent),
              0u);
    EXPECT_EQ(parent->ToXml(false, true, EOL_LF), order->ToXml(false, true, EOL_LF));
}

std::string Compress(const std::string& bytes, CompressionType type) {
    CBinaryData data(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return AsString(data.CompressData(type));
}

TEST(StreamReader, InvalidItemIsNamedAndEarlierItemsStayIntactInEveryForm) {
    // Items are handed over in groups: a fault in the first, in a later
    // one, and among those still held when the run ends.
    for (const int bad : {3, 40, 70}) {
        CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(bad < 5 ? 5 : 80);
        std::string text = AsString(kForms[0].write(*order));
        // Quantity 100 breaks maxExclusive, in one item only.
        const std::string name = "Product &lt;" + std::to_string(bad) + "&gt;";
        const std::size_t at = text.find("<quantity>", text.find(name));
        text.replace(at, text.find("</quantity>", at) - at, "<quantity>100");
        const std::string fastInfoset = TextToFastInfoset(text);
        const std::string forms[] = {text, Compress(text, CT_GZIP), Compress(text, CT_ZLIB),
                                     fastInfoset, Compress(fastInfoset, CT_GZIP)};
        for (const std::string& bytes : forms) {
            for (bool fromFile : {false, true}) {
                std::vector<CSmartPtr<Po::CItem>> items;
                const std::string message = QbTest::FullMessageOf(
                    [&] { StreamItems(bytes, fromFile, kItems, items, nullptr); });
                EXPECT_EQ(message.rfind("Failed to read item " + std::to_string(bad) +
                                            " at /purchaseOrder/items/item (",
                                        0),
                          0u)
                    << message;
                EXPECT_NE(message.find("(/item/quantity)"), std::string::npos) << message;
                ASSERT_EQ(items.size(), static_cast<std::size_t>(bad - 1));
                for (int i = 0; i < bad - 1; ++i) {
                    EXPECT_EQ(items[i]->ToXml(false, false, EOL_LF),
                              order->GetItems()->GetItem()->Item(i)->ToXml(false, false, EOL_LF));
                }
            }
        }
    }
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(5);
    std::string text = AsString(kForms[0].write(*order));
    const std::size_t at = text.find("<quantity>", text.find("Product &lt;3&gt;"));
    text.replace(at, text.find("</quantity>", at) - at, "<quantity>100");
    // With a parent object the first item stays in the tree beside the
    // failing one; the place is still counted from the failing item.
    CSmartPtr<Po::CPurchaseOrderType> parent = new Po::CPurchaseOrderType();
    std::vector<CSmartPtr<Po::CItem>> kept;
    const std::string withParent =
        QbTest::FullMessageOf([&] { StreamItems(text, kFromFile, kItems, kept, parent); });
    EXPECT_NE(withParent.find("item 3 at /purchaseOrder/items/item (/item/quantity)"),
              std::string::npos)
        << withParent;
}

// A file or a stream that can start over is read by the library's own parser
// and, where that gives up halfway, again by Expat from the start; a pipe is
// read by Expat alone. Either way each item is handed over once, and a fault
// gets Expat's message.
TEST(StreamReader, ParserTakenOverHalfwayHandsEachItemOverOnce) {
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(50);
    const std::string text = AsString(kForms[0].write(*order));
    const auto item = [](const std::string& in, int n) {
        std::size_t at = in.find("<item ");
        while (n-- > 0) at = in.find("<item ", at + 1);
        return at;
    };
    // The quick parser leaves a declaration of the prefix xml to Expat.
    std::string declining = text;
    declining.insert(item(text, 40) + 5, " xmlns:xml=\"http://www.w3.org/XML/1998/namespace\"");
    std::string broken = declining;
    broken.insert(item(declining, 45), "<a></b>");
    for (const std::string* bytes : {&declining, &broken}) {
        // As text, and gzip-compressed: read whole, in pieces, and by Expat
        // alone where the stream cannot go back.
        for (const bool gzip : {false, true}) {
            std::vector<std::string> seen[4];
            std::string messages[4];
            for (int from : {kFromStream, kFromFile, kFromPipe, kFromFifo}) {
                std::vector<CSmartPtr<Po::CItem>> items;
                messages[from] = QbTest::FullMessageOf([&] {
                    StreamItems(gzip ? Compress(*bytes, CT_GZIP) : *bytes, from, kItems, items,
                                nullptr);
                });
                for (const auto& i : items) seen[from].push_back(i->ToXml(false, false, EOL_LF));
            }
            for (int from : {kFromFile, kFromPipe, kFromFifo}) {
                EXPECT_EQ(messages[from], messages[kFromStream]);
                EXPECT_EQ(seen[from], seen[kFromStream]);
            }
            EXPECT_EQ(seen[kFromFile].size(), bytes == &declining ? 50u : 45u);
        }
    }
    EXPECT_NE(QbTest::FullMessageOf([&] {
                  std::vector<CSmartPtr<Po::CItem>> items;
                  StreamItems(broken, true, kItems, items, nullptr);
              }).find("mismatched tag"),
              std::string::npos);
}

TEST(StreamReader, TruncatedAndMalformedInputThrowsInEveryForm) {
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(200);
    for (const Form& form : kForms) {
        const std::string bytes = AsString(form.write(*order));
        for (std::size_t keep : {bytes.size() / 2, bytes.size() - 3, std::size_t{1}}) {
            SCOPED_TRACE(std::string(form.name) + " cut to " + std::to_string(keep));
            std::vector<CSmartPtr<Po::CItem>> items;
            EXPECT_THROW(StreamItems(bytes.substr(0, keep), false, kItems, items, nullptr),
                         CQbException);
            if (&form != &kForms[0]) continue;
            // Every item complete before the cut was handed over, held or not.
            std::size_t complete = 0;
            for (std::size_t end = bytes.find("</item>"); end != std::string::npos && end < keep;
                 end = bytes.find("</item>", end + 1)) {
                complete += end + 7 <= keep;
            }
            EXPECT_EQ(items.size(), complete);
        }
        std::string damaged = bytes;
        for (std::size_t i = damaged.size() / 3; i < damaged.size() / 3 + 16; ++i)
            damaged[i] ^= 0x5A;
        std::vector<CSmartPtr<Po::CItem>> items;
        try {
            StreamItems(damaged, true, kItems, items, nullptr);
        } catch (const CQbException&) {
        }
        EXPECT_LE(items.size(), 200u);
    }
    std::vector<CSmartPtr<Po::CItem>> items;
    QbTest::ExpectThrow<CQbException>([&] { StreamItems("", false, kItems, items, nullptr); },
                                      "XML Stream is empty!");
    // Every cut of a small order: an exception or, for a cut in the layout
    // after the root closes, the whole order; never a crash.
    CSmartPtr<Po::CPurchaseOrderType> small = MakeOrder(4);
    for (const Form& form : kForms) {
        const std::string bytes = AsString(form.write(*small));
        for (std::size_t keep = 0; keep < bytes.size(); keep += 5) {
            std::vector<CSmartPtr<Po::CItem>> got;
            CSmartPtr<Po::CPurchaseOrderType> parent = new Po::CPurchaseOrderType();
            try {
                EXPECT_EQ(StreamItems(bytes.substr(0, keep), false, kItems, got, parent), 4u)
                    << form.name << " cut to " << keep;
            } catch (const CQbException&) {
                EXPECT_LE(got.size(), 4u);
            }
        }
    }
}

TEST(StreamWriter, InvalidItemAndMisuseAreRefused) {
    std::ostringstream out;
    CXmlStreamWriter writer(out);
    QbTest::ExpectThrow<CQbInvalidStateException>(
        [&] { writer.Write(MakeItem(1)); },
        "Write is out of order: the stream writer goes Begin, Write..., End.");
    CSmartPtr<Po::CPurchaseOrderType> order = MakeOrder(0);
    QbTest::ExpectThrow<CQbInvalidParamException>(
        [&] { writer.Begin(order, "/purchaseOrder/billTo/name"); },
        "The path [/purchaseOrder/billTo/name] does not lead to a collection: [name] is not a "
        "collection");
    writer.Begin(order, kItems);
    writer.Write(MakeItem(1));
    CSmartPtr<Po::CItem> bad = MakeItem(2);
    bad->SetPartNum("bad");
    const std::string message = QbTest::FullMessageOf([&] { writer.Write(bad); });
    EXPECT_EQ(message.rfind("Failed to write item 2 at /purchaseOrder/items/item\n", 0), 0u)
        << message;
    QbTest::ExpectThrow<CQbInvalidStateException>([&] { writer.End(); },
                                                  "The stream writer has failed.");
}

}  // namespace
