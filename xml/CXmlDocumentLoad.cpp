// Loading of CXmlDocument: files, strings and byte streams.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/CCharEncoding.h"
#include "core/CPlatformFile.h"
#include "core/CQbException.h"
#include "fastinfoset/CFastInfosetReader.h"
#include "types/CBinaryData.h"
#include "xml/CExpatReader.h"
#include "xml/CQuickXmlReader.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlStreamInput.h"

namespace QbXmlLib5 {

namespace {

// Files up to this size are read whole before they are parsed.
const std::size_t kWholeFileSize = 1024 * 1024;

}  // namespace

template <typename LoadBody>
void CXmlDocument::LoadWith(LoadBody load) {
    RestartLoad();
    try {
        load();
        if (m_documentElement == nullptr) {
            throw CQbException("Invalid or empty XML document");
        }
    } catch (...) {
        // A failed load leaves no partial tree behind. Elements a consumer
        // holds are complete: it sees them first (and may fail otherwise).
        try {
            EndHeldRunsOnFailure();
        } catch (...) {
            Cleanup();
            throw;
        }
        Cleanup();
        throw;
    }
    m_elementStack.clear();
}

// Text files are parsed as they are read, so that a large document never
// lies in memory whole. Small files, compressed ones (whose text is parsed
// as it inflates) and Fast Infoset are read whole.
void CXmlDocument::Load(const char* fileName) {
    LoadWith([&] {
        CPlatformFile::CReader file(fileName);
        const std::uint64_t size = file.GetSize();
        std::vector<unsigned char> content(
            static_cast<std::size_t>(std::min<std::uint64_t>(size, kWholeFileSize)));
        file.ReadFully(content.data(), content.size());
        if (content.size() == size ||
            CXmlStreamInput::IsCompressed(content.data(), content.size()) ||
            CFastInfosetReader::StartOfDocument(content.data(), content.size()) != 0) {
            const std::size_t head = content.size();
            content.resize(static_cast<std::size_t>(size));
            file.ReadFully(content.data() + head, content.size() - head);
            ParseStream(content.data(), content.size());
            return;
        }
        // The bytes already read go first; read again from the file after
        // a rewind.
        std::size_t given = 0;
        const auto read = [&](unsigned char* buffer, std::size_t length) {
            if (given == content.size()) return file.Read(buffer, length);
            const std::size_t n = std::min(length, content.size() - given);
            std::memcpy(buffer, content.data() + given, n);
            given += n;
            return n;
        };
        const auto rewind = [&] {
            file.Rewind();
            content.clear();
            given = 0;
        };
        ParseTextFrom(read, rewind);
    });
}

void CXmlDocument::LoadXml(const char* text) {
    LoadWith([&] {
        if (text == nullptr || *text == '\0') {
            throw CQbException("XML String is empty!");
        }
        ParseText(reinterpret_cast<const unsigned char*>(text), std::strlen(text), nullptr);
    });
}

void CXmlDocument::LoadXml(const wchar_t* text) {
    LoadWith([&] {
        if (text == nullptr || *text == L'\0') {
            throw CQbException("XML String is empty!");
        }
        // The characters are known to be wide, so their encoding is given to
        // the parser: an XML declaration naming, say, UTF-8 (as text converted
        // from a UTF-8 document usually has) does not contradict it.
        const CBinaryData utf16 = WideToUtf16(text);
        ParseText(utf16.GetData(), utf16.GetLength(), "UTF-16LE");
    });
}

void CXmlDocument::LoadXmlStream(const unsigned char* data, std::size_t length) {
    LoadWith([&] {
        if (data == nullptr || length == 0) {
            throw CQbException("XML Stream is empty!");
        }
        ParseStream(data, length);
    });
}

void CXmlDocument::LoadXmlFrom(const TextSource& read, const std::function<void()>& rewind) {
    LoadWith([&] { ParseTextFrom(read, rewind); });
}

void CXmlDocument::ParseTextFrom(const TextSource& read, const std::function<void()>& rewind) {
    if (rewind && CQuickXmlReader::Suits(*this)) {
        CQuickXmlReader quick(this);
        if (quick.Parse(read)) return;
        RestartLoad();
        rewind();
    }
    CExpatReader reader(this);
    reader.Parse(read);
}

void CXmlDocument::ParseStream(const unsigned char* data, std::size_t length) {
    if (CXmlStreamInput::IsCompressed(data, length) && ParseCompressed(data, length)) return;
    if (!ParseFastInfoset(data, length)) {
        ParseText(data, length, nullptr);
    }
}

// Compressed text is inflated piece by piece as it is parsed, so that the
// inflated document is never in memory whole. Input that does not inflate
// from its first byte to its last is read as it is, uncompressed: then this
// returns false with nothing loaded. That holds also when the text inflated
// so far was faulty, so the rest is inflated before its error is reported.
bool CXmlDocument::ParseCompressed(const unsigned char* data, std::size_t length) {
    CXmlStreamInput input(data, length);
    bool inflates = true;
    const auto read = [&input, &inflates](unsigned char* buffer, std::size_t size) {
        try {
            return input.Read(buffer, size);
        } catch (...) {
            inflates = false;
            throw;
        }
    };
    try {
        if (input.IsFastInfoset()) {
            // Fast Infoset is decoded from memory: inflated whole.
            CBinaryData inflated;
            if (!CBinaryData::Decompress(data, length, inflated)) return false;
            if (!ParseFastInfoset(inflated.GetData(), inflated.GetLength())) {
                ParseText(inflated.GetData(), inflated.GetLength(), nullptr);
            }
            return true;
        }
        ParseTextFrom(read, [&input] { input.Rewind(); });
        return true;
    } catch (...) {
        if (inflates) inflates = InflatesToTheEnd(input);
        if (inflates) throw;
    }
    RestartLoad();
    return false;
}

bool CXmlDocument::InflatesToTheEnd(CXmlStreamInput& input) {
    try {
        unsigned char buffer[4096];
        while (input.Read(buffer, sizeof buffer) != 0) {
        }
        return true;
    } catch (const CQbException&) {
        return false;
    }
}

bool CXmlDocument::ParseFastInfoset(const unsigned char* data, std::size_t length) {
    CFastInfosetReader reader(this, data, length);
    return reader.Read();
}

void CXmlDocument::ParseText(const unsigned char* data, std::size_t length, const char* encoding) {
    // Most documents are plain UTF-8 that a parser of our own reads about
    // three times as fast as Expat. What it leaves aside (a document type
    // declaration, another encoding, names beyond ASCII, anything not
    // well-formed) is read again from the start by Expat, which also gives
    // the messages for faulty text.
    if (encoding == nullptr && CQuickXmlReader::Suits(*this)) {
        CQuickXmlReader quick(this);
        if (quick.Parse(data, length)) {
            return;
        }
        RestartLoad();
    }
    CExpatReader reader(this);
    reader.Parse(data, length, encoding);
}

void CXmlDocument::RestartLoad() {
    // A document loaded again refills the blocks of its previous tree.
    m_reloading = true;
    try {
        Cleanup();
    } catch (...) {
        m_reloading = false;
        throw;
    }
    m_reloading = false;
    if (m_consumer != nullptr) {
        m_consumer->Restart();
    }
}

}  // namespace QbXmlLib5
