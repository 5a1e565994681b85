#include "fastinfoset/CFastInfosetEncoder.h"

#include <cstring>
#include <utility>

#include "core/CQbException.h"
#include "xml/CXmlNameCheck.h"

namespace QbXmlLib5 {

namespace {

// The namespace name Namespaces in XML binds to the prefix xml; X.891's
// built-in vocabulary gives both index 1.
const char* const kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

}  // namespace

inline std::size_t CFastInfosetEncoder::CTable::Probe(std::uint64_t key) const {
    const std::size_t mask = m_packed.size() - 1;
    const PackedSlot* slots = m_packed.data();
    std::size_t i = PackedHome(key);
    while (slots[i].index != 0 && slots[i].key != key) i = (i + 1) & mask;
    return i;
}

void CFastInfosetEncoder::CTable::GrowPacked() {
    std::vector<PackedSlot> old(m_packed.empty() ? 64 : m_packed.size() * 2, PackedSlot{0, 0});
    old.swap(m_packed);
    m_packedShift = 64;
    for (std::size_t size = m_packed.size(); size > 1; size /= 2) --m_packedShift;
    for (const PackedSlot& slot : old) {
        if (slot.index != 0) m_packed[Probe(slot.key)] = slot;
    }
}

std::uint32_t CFastInfosetEncoder::CTable::Find(const std::string& text) const {
    if (text.size() <= kPackedMaxLength) {
        return m_packed.empty() ? 0 : m_packed[Probe(Pack(text))].index;
    }
    const auto it = m_index.find(text);
    return it == m_index.end() ? 0 : it->second;
}

// Adds a key known to be absent; the table has room.
bool CFastInfosetEncoder::CTable::AddPacked(std::uint64_t key) {
    // At most half full, so that probe runs stay short.
    if ((m_packedCount + 1) * 2 > m_packed.size()) GrowPacked();
    m_packed[Probe(key)] = PackedSlot{key, ++m_size};
    ++m_packedCount;
    return true;
}

bool CFastInfosetEncoder::CTable::Add(const std::string& text) {
    if (IsFull()) return false;
    if (text.size() > kPackedMaxLength) {
        m_index.emplace(text, ++m_size);
        return true;
    }
    const std::uint64_t key = Pack(text);
    if (!m_packed.empty() && m_packed[Probe(key)].index != 0) {
        ++m_size;  // the first index stays
        return true;
    }
    return AddPacked(key);
}

std::uint32_t CFastInfosetEncoder::CTable::FindOrAddOther(std::string_view view, bool& added) {
    const std::string text(view);
    const std::uint32_t index = Find(text);
    added = index == 0 && Add(text);
    return index;
}

CFastInfosetEncoder::CFastInfosetEncoder(std::uint32_t tableCapacity)
    : m_tables{CTable(tableCapacity), CTable(tableCapacity), CTable(tableCapacity),
               CTable(tableCapacity), CTable(tableCapacity), CTable(tableCapacity),
               CTable(tableCapacity)} {
    m_tables[TBL_PREFIXES].Add("xml");
    m_tables[TBL_NAMESPACES].Add(kXmlNamespace);
}

void CFastInfosetEncoder::Reset() {
    const std::uint32_t capacity = m_tables[0].Capacity();
    for (CTable& table : m_tables) table = CTable(capacity);
    m_tables[TBL_PREFIXES].Add("xml");
    m_tables[TBL_NAMESPACES].Add(kXmlNamespace);
    for (CNameCacheEntry& entry : m_elementNames) entry = CNameCacheEntry();
    for (CNameCacheEntry& entry : m_attributeNames) entry = CNameCacheEntry();
    m_out = &m_document;
    m_document.clear();
}

void CFastInfosetEncoder::AppendHeader() {
    static const unsigned char kHeader[] = {0xE0, 0x00, 0x00, 0x01, 0x00};
    m_out->Append(kHeader, sizeof kHeader);
}

void CFastInfosetEncoder::RangedIntegerOnSecondBit(unsigned char high, std::uint32_t value) {
    static const Range kRanges[] = {{64, 0x00, 0}, {8256, 0x40, 1}, {kMaxTableSize, 0x60, 2}};
    AppendRanged(high, value, kRanges);
}

void CFastInfosetEncoder::RangedIntegerOnThirdBit(unsigned char high, std::uint32_t value) {
    static const Range kRanges[] = {
        {32, 0x00, 0}, {2080, 0x20, 1}, {526368, 0x28, 2}, {kMaxTableSize, 0x30, 3}};
    AppendRanged(high, value, kRanges);
}

void CFastInfosetEncoder::RangedIntegerOnFourthBit(unsigned char high, std::uint32_t value) {
    static const Range kRanges[] = {
        {16, 0x00, 0}, {1040, 0x10, 1}, {263184, 0x14, 2}, {kMaxTableSize, 0x18, 3}};
    AppendRanged(high, value, kRanges);
}

void CFastInfosetEncoder::RangedLengthOnSecondBit(unsigned char high, std::size_t length) {
    static const Range kRanges[] = {{64, 0x00, 0}, {320, 0x40, 1}, {320 + kFourOctets, 0x60, 4}};
    AppendRanged(high, length, kRanges);
}

void CFastInfosetEncoder::RangedLengthOnFifthBit(unsigned char high, std::size_t length) {
    static const Range kRanges[] = {{8, 0x00, 0}, {264, 0x08, 1}, {264 + kFourOctets, 0x0C, 4}};
    AppendRanged(high, length, kRanges);
}

void CFastInfosetEncoder::RangedLengthOnSeventhBit(unsigned char high, std::size_t length) {
    static const Range kRanges[] = {{2, 0x00, 0}, {258, 0x02, 1}, {258 + kFourOctets, 0x03, 4}};
    AppendRanged(high, length, kRanges);
}

template <std::size_t N>
void CFastInfosetEncoder::AppendRanged(unsigned char high, std::uint64_t value,
                                       const Range (&ranges)[N]) {
    std::uint64_t base = 0;
    for (const Range& range : ranges) {
        if (value <= range.last) {
            const std::uint64_t rest = value - 1 - base;
            AppendOctet(
                static_cast<unsigned char>(high | range.flag | (rest >> (8 * range.extraOctets))));
            for (unsigned k = range.extraOctets; k-- > 0;) {
                AppendOctet(static_cast<unsigned char>(rest >> (8 * k)));
            }
            return;
        }
        base = range.last;
    }
    throw CQbException("Failed to write FastInfoset. String too long.");
}

void CFastInfosetEncoder::LiteralIdentifyingString(TableId table, const std::string& text) {
    if (text.empty()) {
        throw CQbException("Failed to write FastInfoset. Empty name.");
    }
    // Prefixes and local names reach the tables once, here: one that is not
    // an XML name would make a document that no reader takes.
    if ((table == TBL_PREFIXES || table == TBL_LOCAL_NAMES) && !IsXmlNCName(text)) {
        throw CQbException("Failed to write FastInfoset. The name [" + text +
                           "] is not a valid XML name.");
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

void CFastInfosetEncoder::LiteralNonIdentifying(std::string_view text, bool chunk, bool add) {
    if (chunk) {
        LengthOnSeventhBit(static_cast<unsigned char>(0x80 | (add ? 0x10 : 0x00)), text.size());
    } else {
        LengthOnFifthBit(static_cast<unsigned char>(add ? 0x40 : 0x00), text.size());
    }
    AppendBytes(text);
}

void CFastInfosetEncoder::NonIdentifying(TableId table, std::string_view text,
                                         std::size_t localLength, bool chunk) {
    if (localLength == std::string::npos) localLength = text.size();
    bool added = false;
    if (localLength < kLiteralLengthLimit) {
        const std::uint32_t index = m_tables[table].FindOrAdd(text, added);
        if (index != 0) {
            if (chunk) {
                IntegerOnFourthBit(0xA0, index);
            } else {
                IntegerOnSecondBit(0x80, index);
            }
            return;
        }
    }
    LiteralNonIdentifying(text, chunk, added);
}

void CFastInfosetEncoder::CharacterChunk(std::string_view text, std::size_t localLength) {
    if (text.empty()) return;  // X.891 has no empty chunk
    NonIdentifying(TBL_CHARACTER_CHUNKS, text, localLength, true);
}

const std::string& CFastInfosetEncoder::Key(const QName& name) {
    m_key.assign(name.prefix);
    m_key += '\x01';
    m_key += name.namespaceUri;
    m_key += '\x01';
    m_key += name.localName;
    return m_key;
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

void CFastInfosetEncoder::ElementName(unsigned char high, const QName& name, NameHint& hint) {
    std::uint32_t index = 0;
    if (hint && HoldsName(*hint, name)) {
        index = hint->index;
    } else {
        hint = nullptr;
        index = FindName(TBL_ELEMENT_NAMES, m_elementNames, name, &hint);
    }
    if (index != 0) {
        IntegerOnThirdBit(high, index);
        return;
    }
    LiteralQName(static_cast<unsigned char>(high | 0x3C), name);
    AddName(TBL_ELEMENT_NAMES, m_elementNames, name, &hint);
}

void CFastInfosetEncoder::AttributeName(const QName& name) {
    const std::uint32_t index = FindName(TBL_ATTRIBUTE_NAMES, m_attributeNames, name);
    if (index != 0) {
        IntegerOnSecondBit(0x00, index);
        return;
    }
    LiteralQName(0x78, name);
    AddName(TBL_ATTRIBUTE_NAMES, m_attributeNames, name);
}

void CFastInfosetEncoder::AddName(TableId table, CNameCacheEntry* cache, const QName& name,
                                  NameHint* added) {
    CTable& names = m_tables[table];
    if (!names.Add(m_key)) return;  // LiteralQName leaves m_key alone
    const CNameKey key = MakeKey(name);
    CNameCacheEntry* set = CacheSet(cache, key);
    Remember(set, key, name, names.Size());
    if (added) *added = &set[0];
}

CFastInfosetEncoder::CNameKey CFastInfosetEncoder::MakeKey(const QName& name) {
    const std::string& local = name.localName;
    const std::size_t n = local.size();
    const auto* p = reinterpret_cast<const unsigned char*>(local.data());
    CNameKey key = {0, 0, 0};
    // Two words that may overlap: together they hold every byte of a local
    // name of up to 16 bytes, and the lengths tell how they overlap.
    if (n >= 8) {
        std::memcpy(&key.head, p, 8);
        std::memcpy(&key.tail, p + n - 8, 8);
    } else if (n >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        key.head = head;
        key.tail = tail;
    } else if (n > 0) {
        key.head = p[0] | (std::uint64_t{p[n / 2]} << 8) | (std::uint64_t{p[n - 1]} << 16);
    }
    // Lengths too large for their fields only make two keys alike: Holds
    // compares the lengths themselves too.
    key.lengths = (std::uint64_t{n} & 0x1FFFFF) |
                  ((std::uint64_t{name.namespaceUri.size()} & 0x1FFFFF) << 21) |
                  ((std::uint64_t{name.prefix.size()} & 0x1FFFFF) << 42);
    return key;
}

CFastInfosetEncoder::CNameCacheEntry* CFastInfosetEncoder::CacheSet(CNameCacheEntry* cache,
                                                                    const CNameKey& key) {
    const std::uint64_t mixed = (key.head * 0x9E3779B97F4A7C15ull) ^
                                (key.tail * 0xC2B2AE3D27D4EB4Full) ^
                                (key.lengths * 0x165667B19E3779F9ull);
    // The top bits of the products mix every bit of the key.
    return cache + kNameCacheWays * static_cast<std::size_t>(mixed >> 59);
}

bool CFastInfosetEncoder::Holds(const CNameCacheEntry& entry, const CNameKey& key,
                                const QName& name) {
    if (entry.index == 0 || entry.key.lengths != key.lengths || entry.key.head != key.head ||
        entry.key.tail != key.tail) {
        return false;
    }
    // The key settles a local name of up to 16 bytes; the rest, and the
    // lengths (the key holds them cut to 21 bits), are compared.
    const std::size_t n = name.localName.size();
    return entry.localName.size() == n &&
           (n <= 16 || SameBytes(entry.localName.data(), name.localName.data(), n)) &&
           entry.namespaceUri.size() == name.namespaceUri.size() &&
           entry.prefix.size() == name.prefix.size() &&
           SameBytes(entry.namespaceUri.data(), name.namespaceUri.data(),
                     name.namespaceUri.size()) &&
           SameBytes(entry.prefix.data(), name.prefix.data(), name.prefix.size());
}

void CFastInfosetEncoder::Remember(CNameCacheEntry* set, const CNameKey& key, const QName& name,
                                   std::uint32_t index) {
    // The newest name takes the first way, the one it held the second.
    std::swap(set[0], set[1]);
    CNameCacheEntry& entry = set[0];
    entry.key = key;
    entry.prefix = name.prefix;
    entry.namespaceUri = name.namespaceUri;
    entry.localName = name.localName;
    entry.index = index;
}

std::uint32_t CFastInfosetEncoder::FindName(TableId table, CNameCacheEntry* cache,
                                            const QName& name, NameHint* found) {
    const CNameKey key = MakeKey(name);
    CNameCacheEntry* set = CacheSet(cache, key);
    for (std::size_t way = 0; way < kNameCacheWays; ++way) {
        if (Holds(set[way], key, name)) {
            if (found) *found = &set[way];
            return set[way].index;
        }
    }
    const std::uint32_t index = m_tables[table].Find(Key(name));
    if (index != 0) {
        Remember(set, key, name, index);
        if (found) *found = &set[0];
    }
    return index;
}

}  // namespace QbXmlLib5
