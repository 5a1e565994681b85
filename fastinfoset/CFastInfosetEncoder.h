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
#include <string>
#include <unordered_map>
#include <vector>

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
        std::uint32_t Size() const { return m_size; }
        bool IsFull() const { return Size() >= m_capacity; }

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
        static std::uint64_t Pack(const std::string& text);
        std::size_t PackedHome(std::uint64_t key) const;
        void GrowPacked();

        std::vector<PackedSlot> m_packed;  // size 0 or a power of two
        std::uint32_t m_packedCount = 0;
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

    std::vector<unsigned char>& Output() { return m_out; }
    const std::vector<unsigned char>& Output() const { return m_out; }
    const CTable& Table(TableId id) const { return m_tables[id]; }

    void AppendOctet(unsigned char octet) { m_out.push_back(octet); }
    void AppendBytes(const std::string& bytes);
    // The X.891 header: identification, version 1, no optional components.
    void AppendHeader();

    // Integers 1..2^20 (C.25, C.27, C.28). `high` holds the bits that precede
    // the integer in its first octet. Nearly every index and length fits the
    // first size class (one octet, class bits 0), written here inline.
    void IntegerOnSecondBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 64)) RangedIntegerOnSecondBit(high, value);
    }
    void IntegerOnThirdBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 32)) RangedIntegerOnThirdBit(high, value);
    }
    void IntegerOnFourthBit(unsigned char high, std::uint32_t value) {
        if (!InFirstClass(high, value, 16)) RangedIntegerOnFourthBit(high, value);
    }

    // Non-empty octet-string lengths (C.22, C.23, C.24).
    void LengthOnSecondBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 64)) RangedLengthOnSecondBit(high, length);
    }
    void LengthOnFifthBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 8)) RangedLengthOnFifthBit(high, length);
    }
    void LengthOnSeventhBit(unsigned char high, std::size_t length) {
        if (!InFirstClass(high, length, 2)) RangedLengthOnSeventhBit(high, length);
    }

    // Identifying string (C.13) of a prefix, namespace or local name: its
    // index when known, otherwise the literal, which is then added.
    void IdentifyingString(TableId table, const std::string& text);
    // Identifying string always written literally (namespace attributes).
    void LiteralIdentifyingString(TableId table, const std::string& text);

    // Attribute value (C.14) and character chunk (C.15, with the leading bits
    // 10 of a content item). `localLength`, the length of the string in the
    // local encoding, decides whether it may be indexed; npos: its UTF-8 size.
    void AttributeValue(const std::string& value, std::size_t localLength = std::string::npos);
    void CharacterChunk(const std::string& text, std::size_t localLength = std::string::npos);
    // Element qualified name on the third bit (C.18); `high` carries the
    // element bits (attribute and namespace-attribute flags).
    void ElementName(unsigned char high, const QName& name) {
        NameHint none = nullptr;
        ElementName(high, name, none);
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
    void NonIdentifying(TableId table, const std::string& text, std::size_t localLength,
                        bool chunk);
    void LiteralNonIdentifying(const std::string& text, bool chunk, bool add);
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
        return entry.index != 0 && entry.localName == name.localName &&
               entry.namespaceUri == name.namespaceUri && entry.prefix == name.prefix;
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

    std::vector<unsigned char> m_out;
    CTable m_tables[TBL_COUNT];
    std::string m_key;
    CNameCacheEntry m_elementNames[kNameCacheSize];
    CNameCacheEntry m_attributeNames[kNameCacheSize];
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETENCODER_H
