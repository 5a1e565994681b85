// CFastInfosetEncoder: the octet-level half of the Fast Infoset writer
// (ITU-T X.891, clause C): integers, lengths, identifying and
// non-identifying strings, and the vocabulary tables the document builds as
// it is written.
//
// The encoder knows nothing about elements or namespace scoping; the writer
// decides what to encode and the encoder appends the exact octets. Strings
// handed to it are UTF-8.
#ifndef QBXMLLIB5_FASTINFOSET_CFASTINFOSETENCODER_H
#define QBXMLLIB5_FASTINFOSET_CFASTINFOSETENCODER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fastinfoset/COctetBuffer.h"

namespace QbXmlLib5 {

class CFastInfosetEncoder {
public:
    // Structural octets shared by the writers: the terminator of a list or
    // an element, two terminators in one octet, and the element bits that
    // announce attributes and namespace attributes.
    static constexpr unsigned char kTerminator = 0xF0;
    static constexpr unsigned char kDoubleTerminator = 0xFF;
    static constexpr unsigned char kElementHasAttributes = 0x40;
    static constexpr unsigned char kElementHasNamespaceAttributes = 0x38;

    // Largest index a table may hand out: X.891 cannot express more.
    static constexpr std::uint32_t kMaxTableSize = 1u << 20;
    // Non-identifying strings of this many bytes or more are never indexed.
    static constexpr std::size_t kLiteralLengthLimit = 6;

    // One vocabulary table: string -> 1-based index. Once it holds its
    // capacity it stops growing; strings that would need a new entry are then
    // written literally.
    class CTable {
    public:
        explicit CTable(std::uint32_t capacity = kMaxTableSize) : m_capacity(capacity) {}
        // Index of text, or 0 when it is not in the table.
        std::uint32_t Find(const std::string& text) const;
        // Adds text with index Size() + 1; returns false (and adds nothing)
        // when the table is full. A string already present takes a new index
        // too, as every literal does in the decoder's table; Find keeps
        // giving the first.
        bool Add(const std::string& text);
        // Find, and Add when text is not there, with one lookup: the index,
        // or 0 with `added` telling whether text now has one.
        std::uint32_t FindOrAdd(std::string_view text, bool& added);
        std::uint32_t Size() const { return m_size; }
        bool IsFull() const { return Size() >= m_capacity; }
        std::uint32_t Capacity() const { return m_capacity; }

    private:
        // Strings of up to seven bytes (most attribute values and character
        // chunks that are indexed, most prefixes) are packed with their
        // length into one integer and kept in an open-addressing table of
        // plain slots: no hashing of a string, no node to allocate or chase.
        static constexpr std::size_t kPackedMaxLength = 7;
        struct PackedSlot {
            std::uint64_t key;
            std::uint32_t index;  // 0: empty
        };
        static std::uint64_t Pack(std::string_view text);
        // Where the probe for key starts (the table must not be empty).
        std::size_t PackedHome(std::uint64_t key) const {
            // Fibonacci hashing: the top bits of the product mix every byte.
            return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_packedShift);
        }
        // The slot holding key, or the empty slot where it would go.
        std::size_t Probe(std::uint64_t key) const;
        void GrowPacked();
        bool AddPacked(std::uint64_t key);
        // FindOrAdd for what its inline part leaves: long strings, a table
        // that is empty, full or due to grow.
        std::uint32_t FindOrAddOther(std::string_view text, bool& added);

        std::vector<PackedSlot> m_packed;  // size 0 or a power of two
        std::uint32_t m_packedCount = 0;
        unsigned m_packedShift = 64;                             // 64 - log2 of the size
        std::unordered_map<std::string, std::uint32_t> m_index;  // longer strings
        std::uint32_t m_size = 0;
        std::uint32_t m_capacity;
    };

    enum TableId {
        TBL_PREFIXES,
        TBL_NAMESPACES,
        TBL_LOCAL_NAMES,
        TBL_ELEMENT_NAMES,
        TBL_ATTRIBUTE_NAMES,
        TBL_ATTRIBUTE_VALUES,
        TBL_CHARACTER_CHUNKS,
        TBL_COUNT
    };

    // A qualified name in UTF-8; empty prefix / namespace mean absent. It
    // refers to the caller's strings.
    struct QName {
        const std::string& prefix;
        const std::string& namespaceUri;
        const std::string& localName;
    };

    // tableCapacity applies to every table; anything but the default is for
    // tests of the full-table behaviour.
    explicit CFastInfosetEncoder(std::uint32_t tableCapacity = kMaxTableSize);

    // The document's octets.
    COctetBuffer& Output() { return m_document; }
    const COctetBuffer& Output() const { return m_document; }
    // Until called again, octets go to `side` instead of the document (null:
    // to the document again). A writer that holds back part of an element
    // encodes it aside this way.
    void DivertTo(COctetBuffer* side) { m_out = side ? side : &m_document; }
    const CTable& Table(TableId id) const { return m_tables[id]; }

    void AppendOctet(unsigned char octet) { m_out->Append(octet); }
    void AppendBytes(std::string_view bytes) { m_out->Append(bytes.data(), bytes.size()); }
    // The X.891 header: identification, version 1, no optional components.
    void AppendHeader();
    // Back to the state of a new encoder: a document starts afresh, its
    // tables holding nothing of the one before.
    void Reset();

    // Integers 1..2^20 (C.25, C.27, C.28). `high` holds the bits that precede
    // the integer in its first octet. Nearly every index and length fits the
    // first two size classes (one octet, or two), written here inline.
    void IntegerOnSecondBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 64) && !InSecondClass(high, value, 64, 8256, 0x40)) {
            RangedIntegerOnSecondBit(high, value);
        }
    }
    void IntegerOnThirdBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 32) && !InSecondClass(high, value, 32, 2080, 0x20)) {
            RangedIntegerOnThirdBit(high, value);
        }
    }
    void IntegerOnFourthBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 16) && !InSecondClass(high, value, 16, 1040, 0x10)) {
            RangedIntegerOnFourthBit(high, value);
        }
    }

    // Non-empty octet-string lengths (C.22, C.23, C.24).
    void LengthOnSecondBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 64) && !InSecondClass(high, length, 64, 320, 0x40)) {
            RangedLengthOnSecondBit(high, length);
        }
    }
    void LengthOnFifthBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 8) && !InSecondClass(high, length, 8, 264, 0x08)) {
            RangedLengthOnFifthBit(high, length);
        }
    }
    void LengthOnSeventhBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 2) && !InSecondClass(high, length, 2, 258, 0x02)) {
            RangedLengthOnSeventhBit(high, length);
        }
    }

    // Identifying string (C.13) of a prefix, namespace or local name: its
    // index when known, otherwise the literal, which is then added.
    void IdentifyingString(TableId table, const std::string& text);
    // Identifying string always written literally (namespace attributes).
    void LiteralIdentifyingString(TableId table, const std::string& text);

    // Attribute value (C.14) and character chunk (C.15, with the leading bits
    // 10 of a content item). `localLength`, the length of the string in the
    // local encoding, decides whether it may be indexed; npos: its UTF-8 size.
    void AttributeValue(const std::string& value, std::size_t localLength = std::string::npos) {
        if (value.empty()) {
            AppendOctet(0xFF);  // index 0: the empty string
        } else {
            NonIdentifying(TBL_ATTRIBUTE_VALUES, value, localLength, false);
        }
    }
    void CharacterChunk(std::string_view text, std::size_t localLength = std::string::npos);
    // Element qualified name on the third bit (C.18); `high` carries the
    // element bits (attribute and namespace-attribute flags).
    void ElementName(unsigned char high, const QName& name) {
        NameHint none = nullptr;
        ElementName(high, name, none);
    }
    // An element name by the index a NameHint holds (see HintedIndex).
    void ElementNameIndex(unsigned char high, std::uint32_t index) {
        IntegerOnThirdBit(high, index);
    }
    // Attribute qualified name on the second bit (C.17), first bit 0.
    void AttributeName(const QName& name);
    // Where a name was found last; a caller that looks up the same names
    // again and again keeps one per place, and passes it back.
    struct CNameCacheEntry;
    using NameHint = const CNameCacheEntry*;
    // As above; `hint` is tried first, and then names where this name was
    // found (or is added).
    void ElementName(unsigned char high, const QName& name, NameHint& hint);
    // The index the vocabulary already gives an attribute qualified name, or
    // 0. Looking up changes no table: AttributeName would write this index.
    // `hint` is tried first, and then names where this name was found.
    std::uint32_t FindAttributeName(const QName& name, NameHint& hint) {
        if (hint && HoldsName(*hint, name)) return hint->index;
        hint = nullptr;
        return FindName(TBL_ATTRIBUTE_NAMES, m_attributeNames, name, &hint);
    }
    // The index `hint` gives name, or 0 when it holds another name (or none).
    static std::uint32_t HintedIndex(NameHint hint, const QName& name) {
        return hint && HoldsName(*hint, name) ? hint->index : 0;
    }
    // An attribute qualified name by the index FindAttributeName gave.
    void AttributeNameIndex(std::uint32_t index) { IntegerOnSecondBit(0x00, index); }

private:
    // Appends value (1..limit) in one octet, as value - 1 after `high`;
    // false, appending nothing, for any other value.
    bool InFirstClass(unsigned char high, std::uint64_t value, std::uint64_t limit) {
        if (value - 1 >= limit) return false;  // 0 wraps around
        AppendOctet(static_cast<unsigned char>(high | (value - 1)));
        return true;
    }
    // Appends value (below + 1..last) as `flag` and value - below - 1 in
    // two octets, the high bits of the number in the first; false,
    // appending nothing, for any other value.
    bool InSecondClass(unsigned char high, std::uint64_t value, std::uint64_t below,
                       std::uint64_t last, unsigned char flag) {
        const std::uint64_t rest = value - below - 1;
        if (rest >= last - below) return false;  // values up to `below` wrap around
        m_out->Append(static_cast<unsigned char>(high | flag | (rest >> 8)),
                      static_cast<unsigned char>(rest));
        return true;
    }
    // Every size class, through the tables of AppendRanged.
    void RangedIntegerOnSecondBit(unsigned char high, std::uint32_t value);
    void RangedIntegerOnThirdBit(unsigned char high, std::uint32_t value);
    void RangedIntegerOnFourthBit(unsigned char high, std::uint32_t value);
    void RangedLengthOnSecondBit(unsigned char high, std::size_t length);
    void RangedLengthOnFifthBit(unsigned char high, std::size_t length);
    void RangedLengthOnSeventhBit(unsigned char high, std::size_t length);

    // The table key of a qualified name, built in m_key.
    const std::string& Key(const QName& name);
    // Shared body of the two qualified-name kinds: the literal is the prefix
    // and namespace presence bits followed by the identifying strings.
    void LiteralQName(unsigned char literalBits, const QName& name);
    void NonIdentifying(TableId table, std::string_view text, std::size_t localLength, bool chunk);
    void LiteralNonIdentifying(std::string_view text, bool chunk, bool add);
    // One size class of an integer or length encoding: values up to `last`
    // (and above the previous class) are `flag` followed by value - 1 -
    // previous last in the remaining bits and `extraOctets` further octets.
    struct Range {
        std::uint64_t last;
        unsigned char flag;
        unsigned extraOctets;
    };
    // Number of values four octets hold: the last length class of each kind.
    static constexpr std::uint64_t kFourOctets = 1ull << 32;
    template <std::size_t N>
    void AppendRanged(unsigned char high, std::uint64_t value, const Range (&ranges)[N]);

    // A document repeats a few element and attribute names throughout: a
    // small cache of the indexes already given answers most of
    // them without building and hashing the table key. A name is known in
    // the cache by its three lengths and two words of its local name, which
    // hold all of a local name of up to 16 bytes.
    struct CNameKey {
        std::uint64_t head;
        std::uint64_t tail;
        std::uint64_t lengths;
    };

public:
    struct CNameCacheEntry {
        CNameKey key = {0, 0, 0};
        std::string prefix;
        std::string namespaceUri;
        std::string localName;
        std::uint32_t index = 0;  // 0: empty slot
    };

private:
    // Sets of two ways, so that two names that meet in one set both stay.
    static constexpr std::size_t kNameCacheWays = 2;
    static constexpr std::size_t kNameCacheSize = 32 * kNameCacheWays;
    static CNameKey MakeKey(const QName& name);
    static CNameCacheEntry* CacheSet(CNameCacheEntry* cache, const CNameKey& key);
    static bool Holds(const CNameCacheEntry& entry, const CNameKey& key, const QName& name);
    // The same without a key: the strings compared.
    static bool HoldsName(const CNameCacheEntry& entry, const QName& name) {
        // The lengths first: most names have no prefix and no namespace.
        const std::size_t prefix = name.prefix.size();
        const std::size_t namespaceUri = name.namespaceUri.size();
        if (entry.index == 0 || entry.localName.size() != name.localName.size() ||
            entry.namespaceUri.size() != namespaceUri || entry.prefix.size() != prefix) {
            return false;
        }
        return SameBytes(entry.localName.data(), name.localName.data(), name.localName.size()) &&
               (namespaceUri == 0 ||
                SameBytes(entry.namespaceUri.data(), name.namespaceUri.data(), namespaceUri)) &&
               (prefix == 0 || SameBytes(entry.prefix.data(), name.prefix.data(), prefix));
    }
    // Equal bytes, n of them; names are short, so they are compared in place
    // as two overlapping words (of eight, four or one bytes) instead of
    // through a library call.
    static bool SameBytes(const char* p, const char* q, std::size_t n) {
        if (n > 16) return std::memcmp(p, q, n) == 0;
        if (n >= 8) return SameOverlapping<std::uint64_t>(p, q, n);
        if (n >= 4) return SameOverlapping<std::uint32_t>(p, q, n);
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] != q[i]) return false;
        }
        return true;
    }
    template <typename Word>
    static bool SameOverlapping(const char* p, const char* q, std::size_t n) {
        Word a, b, c, d;
        std::memcpy(&a, p, sizeof a);
        std::memcpy(&b, q, sizeof b);
        std::memcpy(&c, p + n - sizeof c, sizeof c);
        std::memcpy(&d, q + n - sizeof d, sizeof d);
        return ((a ^ b) | (c ^ d)) == 0;
    }
    static void Remember(CNameCacheEntry* set, const CNameKey& key, const QName& name,
                         std::uint32_t index);
    // The index of `name` in `table` (0: none) through `cache`; a literal
    // name is added to the table by the caller, who then remembers it.
    std::uint32_t FindName(TableId table, CNameCacheEntry* cache, const QName& name,
                           NameHint* found = nullptr);
    // Adds the literal name just written (its key in m_key) to `table` and
    // to `cache`; `added` then shows where.
    void AddName(TableId table, CNameCacheEntry* cache, const QName& name,
                 NameHint* added = nullptr);

    COctetBuffer m_document;
    COctetBuffer* m_out = &m_document;  // where octets go now
    CTable m_tables[TBL_COUNT];
    std::string m_key;
    CNameCacheEntry m_elementNames[kNameCacheSize];
    CNameCacheEntry m_attributeNames[kNameCacheSize];
};

// Byte i of the text in byte i of the key, the length in the top byte.
inline std::uint64_t CFastInfosetEncoder::CTable::Pack(std::string_view text) {
    const std::size_t n = text.size();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::uint64_t key = static_cast<std::uint64_t>(n) << 56;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Two words, or three bytes, that overlap put the same bytes in the same
    // places.
    if (n >= 4) {
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return key | first | (static_cast<std::uint64_t>(last) << (8 * (n - 4)));
    }
    if (n == 0) return key;
    return key | p[0] | (static_cast<std::uint64_t>(p[n / 2]) << (8 * (n / 2))) |
           (static_cast<std::uint64_t>(p[n - 1]) << (8 * (n - 1)));
#else
    for (std::size_t i = 0; i < n; ++i) key |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return key;
#endif
}

// The common case inline: a short string found, or added in the empty slot
// its probe ends on while the table has room and needs not grow.
inline std::uint32_t CFastInfosetEncoder::CTable::FindOrAdd(std::string_view text, bool& added) {
    if (text.size() <= kPackedMaxLength && !m_packed.empty()) {
        const std::uint64_t key = Pack(text);
        const std::size_t mask = m_packed.size() - 1;
        for (std::size_t i = PackedHome(key);; i = (i + 1) & mask) {
            PackedSlot& slot = m_packed[i];
            if (slot.index == 0) {
                if (IsFull() || (m_packedCount + 1) * 2 > m_packed.size()) break;
                slot = PackedSlot{key, ++m_size};
                ++m_packedCount;
                added = true;
                return 0;
            }
            if (slot.key == key) {
                added = false;
                return slot.index;
            }
        }
    }
    return FindOrAddOther(text, added);
}

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETENCODER_H
