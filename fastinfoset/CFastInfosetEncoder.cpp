#include "fastinfoset/CFastInfosetEncoder.h"

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// The namespace name Namespaces in XML binds to the prefix xml; X.891's
// built-in vocabulary gives both index 1.
const char* const kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// X.891 lengths above 2^32 + 320 have no encoding.
std::uint32_t CheckedLengthRest(std::size_t length, std::size_t base) {
    const std::size_t rest = length - base;
    if (rest > 0xFFFFFFFFu) {
        throw CQbException("Failed to write FastInfoset. String too long.");
    }
    return static_cast<std::uint32_t>(rest);
}

}  // namespace

std::uint32_t CFastInfosetEncoder::CTable::Find(const std::string& text) const {
    const auto it = m_index.find(text);
    return it == m_index.end() ? 0 : it->second;
}

bool CFastInfosetEncoder::CTable::Add(const std::string& text) {
    if (IsFull()) return false;
    m_index.emplace(text, Size() + 1);
    return true;
}

CFastInfosetEncoder::CFastInfosetEncoder(std::uint32_t tableCapacity)
    : m_tables{CTable(tableCapacity), CTable(tableCapacity), CTable(tableCapacity),
               CTable(tableCapacity), CTable(tableCapacity), CTable(tableCapacity),
               CTable(tableCapacity)} {
    m_tables[TBL_PREFIXES].Add("xml");
    m_tables[TBL_NAMESPACES].Add(kXmlNamespace);
}

void CFastInfosetEncoder::AppendBytes(const std::string& bytes) {
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
}

void CFastInfosetEncoder::AppendBigEndian32(std::uint32_t value) {
    AppendOctet(static_cast<unsigned char>(value >> 24));
    AppendOctet(static_cast<unsigned char>(value >> 16));
    AppendOctet(static_cast<unsigned char>(value >> 8));
    AppendOctet(static_cast<unsigned char>(value));
}

void CFastInfosetEncoder::IntegerOnSecondBit(unsigned char high, std::uint32_t value) {
    const std::uint32_t i = value - 1;
    if (value <= 64) {
        AppendOctet(static_cast<unsigned char>(high | i));
    } else if (value <= 8256) {
        const std::uint32_t r = i - 64;
        AppendOctet(static_cast<unsigned char>(high | 0x40 | (r >> 8)));
        AppendOctet(static_cast<unsigned char>(r));
    } else {
        const std::uint32_t r = i - 8256;
        AppendOctet(static_cast<unsigned char>(high | 0x60 | (r >> 16)));
        AppendOctet(static_cast<unsigned char>(r >> 8));
        AppendOctet(static_cast<unsigned char>(r));
    }
}

void CFastInfosetEncoder::IntegerOnThirdBit(unsigned char high, std::uint32_t value) {
    const std::uint32_t i = value - 1;
    if (value <= 32) {
        AppendOctet(static_cast<unsigned char>(high | i));
    } else if (value <= 2080) {
        const std::uint32_t r = i - 32;
        AppendOctet(static_cast<unsigned char>(high | 0x20 | (r >> 8)));
        AppendOctet(static_cast<unsigned char>(r));
    } else if (value <= 526368) {
        const std::uint32_t r = i - 2080;
        AppendOctet(static_cast<unsigned char>(high | 0x28 | (r >> 16)));
        AppendOctet(static_cast<unsigned char>(r >> 8));
        AppendOctet(static_cast<unsigned char>(r));
    } else {
        const std::uint32_t r = i - 526368;
        AppendOctet(static_cast<unsigned char>(high | 0x30));
        AppendOctet(static_cast<unsigned char>(r >> 16));
        AppendOctet(static_cast<unsigned char>(r >> 8));
        AppendOctet(static_cast<unsigned char>(r));
    }
}

void CFastInfosetEncoder::IntegerOnFourthBit(unsigned char high, std::uint32_t value) {
    const std::uint32_t i = value - 1;
    if (value <= 16) {
        AppendOctet(static_cast<unsigned char>(high | i));
    } else if (value <= 1040) {
        const std::uint32_t r = i - 16;
        AppendOctet(static_cast<unsigned char>(high | 0x10 | (r >> 8)));
        AppendOctet(static_cast<unsigned char>(r));
    } else if (value <= 263184) {
        const std::uint32_t r = i - 1040;
        AppendOctet(static_cast<unsigned char>(high | 0x14 | (r >> 16)));
        AppendOctet(static_cast<unsigned char>(r >> 8));
        AppendOctet(static_cast<unsigned char>(r));
    } else {
        const std::uint32_t r = i - 263184;
        AppendOctet(static_cast<unsigned char>(high | 0x18));
        AppendOctet(static_cast<unsigned char>(r >> 16));
        AppendOctet(static_cast<unsigned char>(r >> 8));
        AppendOctet(static_cast<unsigned char>(r));
    }
}

void CFastInfosetEncoder::LengthOnSecondBit(unsigned char high, std::size_t length) {
    if (length <= 64) {
        AppendOctet(static_cast<unsigned char>(high | (length - 1)));
    } else if (length <= 320) {
        AppendOctet(static_cast<unsigned char>(high | 0x40));
        AppendOctet(static_cast<unsigned char>(length - 65));
    } else {
        AppendOctet(static_cast<unsigned char>(high | 0x60));
        AppendBigEndian32(CheckedLengthRest(length, 321));
    }
}

void CFastInfosetEncoder::LengthOnFifthBit(unsigned char high, std::size_t length) {
    if (length <= 8) {
        AppendOctet(static_cast<unsigned char>(high | (length - 1)));
    } else if (length <= 264) {
        AppendOctet(static_cast<unsigned char>(high | 0x08));
        AppendOctet(static_cast<unsigned char>(length - 9));
    } else {
        AppendOctet(static_cast<unsigned char>(high | 0x0C));
        AppendBigEndian32(CheckedLengthRest(length, 265));
    }
}

void CFastInfosetEncoder::LengthOnSeventhBit(unsigned char high, std::size_t length) {
    if (length <= 2) {
        AppendOctet(static_cast<unsigned char>(high | (length - 1)));
    } else if (length <= 258) {
        AppendOctet(static_cast<unsigned char>(high | 0x02));
        AppendOctet(static_cast<unsigned char>(length - 3));
    } else {
        AppendOctet(static_cast<unsigned char>(high | 0x03));
        AppendBigEndian32(CheckedLengthRest(length, 259));
    }
}

void CFastInfosetEncoder::LiteralIdentifyingString(TableId table, const std::string& text) {
    if (text.empty()) {
        throw CQbException("Failed to write FastInfoset. Empty name.");
    }
    LengthOnSecondBit(0x00, text.size());
    AppendBytes(text);
    m_tables[table].Add(text);
}

void CFastInfosetEncoder::IdentifyingString(TableId table, const std::string& text) {
    const std::uint32_t index = m_tables[table].Find(text);
    if (index != 0) {
        IntegerOnSecondBit(0x80, index);
    } else {
        LiteralIdentifyingString(table, text);
    }
}

void CFastInfosetEncoder::LiteralNonIdentifying(const std::string& text, bool chunk, bool add) {
    if (chunk) {
        LengthOnSeventhBit(static_cast<unsigned char>(0x80 | (add ? 0x10 : 0x00)), text.size());
    } else {
        LengthOnFifthBit(static_cast<unsigned char>(add ? 0x40 : 0x00), text.size());
    }
    AppendBytes(text);
}

void CFastInfosetEncoder::NonIdentifying(TableId table, const std::string& text, bool chunk) {
    if (text.size() >= kLiteralLengthLimit) {
        LiteralNonIdentifying(text, chunk, false);
        return;
    }
    const std::uint32_t index = m_tables[table].Find(text);
    if (index == 0) {
        LiteralNonIdentifying(text, chunk, m_tables[table].Add(text));
    } else if (chunk) {
        IntegerOnFourthBit(0xA0, index);
    } else {
        IntegerOnSecondBit(0x80, index);
    }
}

void CFastInfosetEncoder::AttributeValue(const std::string& value) {
    if (value.empty()) {
        AppendOctet(0xFF);  // index 0: the empty string
        return;
    }
    NonIdentifying(TBL_ATTRIBUTE_VALUES, value, false);
}

void CFastInfosetEncoder::CharacterChunk(const std::string& text) {
    if (text.empty()) return;  // X.891 has no empty chunk
    NonIdentifying(TBL_CHARACTER_CHUNKS, text, true);
}

std::string CFastInfosetEncoder::Key(const QName& name) {
    std::string key;
    key.reserve(name.prefix.size() + name.namespaceUri.size() + name.localName.size() + 2);
    key += name.prefix;
    key += '\x01';
    key += name.namespaceUri;
    key += '\x01';
    key += name.localName;
    return key;
}

void CFastInfosetEncoder::LiteralQName(unsigned char literalBits, const QName& name) {
    const bool hasPrefix = !name.prefix.empty();
    const bool hasNamespace = !name.namespaceUri.empty();
    AppendOctet(static_cast<unsigned char>(literalBits | (hasPrefix ? 0x02 : 0x00) |
                                           (hasNamespace ? 0x01 : 0x00)));
    if (hasPrefix) IdentifyingString(TBL_PREFIXES, name.prefix);
    if (hasNamespace) IdentifyingString(TBL_NAMESPACES, name.namespaceUri);
    IdentifyingString(TBL_LOCAL_NAMES, name.localName);
}

void CFastInfosetEncoder::ElementName(unsigned char high, const QName& name) {
    const std::string key = Key(name);
    const std::uint32_t index = m_tables[TBL_ELEMENT_NAMES].Find(key);
    if (index != 0) {
        IntegerOnThirdBit(high, index);
        return;
    }
    LiteralQName(static_cast<unsigned char>(high | 0x3C), name);
    m_tables[TBL_ELEMENT_NAMES].Add(key);
}

void CFastInfosetEncoder::AttributeName(const QName& name) {
    const std::string key = Key(name);
    const std::uint32_t index = m_tables[TBL_ATTRIBUTE_NAMES].Find(key);
    if (index != 0) {
        IntegerOnSecondBit(0x00, index);
        return;
    }
    LiteralQName(0x78, name);
    m_tables[TBL_ATTRIBUTE_NAMES].Add(key);
}

}  // namespace QbXmlLib5
