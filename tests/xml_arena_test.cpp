// The arena behind elements' attribute lists: storage never overlaps, marks
// and resets give back exactly what came after them, and copies of a list
// do not depend on the arena.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "xml/CArena.h"
#include "xml/CBlockCache.h"
#include "xml/CXmlDocument.h"

namespace QbXmlLib5 {
namespace {

struct Piece {
    unsigned char* data;
    std::size_t size;
    unsigned char fill;
};

Piece Take(CArena& arena, std::size_t size, unsigned char fill) {
    auto* data = static_cast<unsigned char*>(arena.Allocate(size));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % alignof(std::max_align_t), 0u);
    std::memset(data, fill, size);
    return Piece{data, size, fill};
}

void ExpectIntact(const std::vector<Piece>& pieces) {
    for (const Piece& p : pieces) {
        for (std::size_t i = 0; i < p.size; ++i) {
            ASSERT_EQ(p.data[i], p.fill) << "piece of " << p.size << " bytes, byte " << i;
        }
    }
}

TEST(Arena, PiecesStayApartAcrossBlocksMarksAndResets) {
    // Sizes around the first block, the largest block and beyond both.
    const std::size_t sizes[] = {1, 8, 24, 1000, 1024, 1025, 4096, 200000, 262144, 300000, 16, 3};
    CArena arena;
    std::vector<Piece> kept;
    unsigned char fill = 1;
    for (std::size_t size : sizes) kept.push_back(Take(arena, size, fill++));
    ExpectIntact(kept);

    // Whatever follows a mark is given back, and the space is reused.
    const CArena::Mark mark = arena.GetMark();
    std::vector<Piece> dropped;
    for (std::size_t size : sizes) dropped.push_back(Take(arena, size, 0xEE));
    arena.RewindTo(mark);
    std::vector<Piece> again;
    for (std::size_t size : sizes) again.push_back(Take(arena, size, fill++));
    EXPECT_EQ(again.front().data, dropped.front().data);
    ExpectIntact(kept);
    ExpectIntact(again);

    // After a reset the kept blocks serve new pieces, a block too small for a
    // request is replaced, and nothing overlaps.
    arena.Reset();
    std::vector<Piece> fresh;
    for (std::size_t i = 0; i < 3; ++i) fresh.push_back(Take(arena, 600000 + i, fill++));
    for (std::size_t size : sizes) fresh.push_back(Take(arena, size, fill++));
    ExpectIntact(fresh);

    // Only the newest piece is given back early.
    CArena small;
    Piece a = Take(small, 32, 1), b = Take(small, 32, 2);
    small.Deallocate(a.data, a.size);  // not the newest: stays
    EXPECT_NE(Take(small, 32, 3).data, a.data);
    small.Deallocate(b.data, b.size);  // b is no longer the newest either
    Piece c = Take(small, 48, 4);
    small.Deallocate(c.data, c.size);
    EXPECT_EQ(Take(small, 48, 5).data, c.data);
}

TEST(Arena, ListsGrowInTheArenaAndCopiesLeaveIt) {
    std::vector<CXmlAttribute*> expected;
    CXmlAttributeList copy;
    {
        CArena arena;
        CXmlAttributeList list{CArenaAllocator<CXmlAttribute*>(&arena)};
        CXmlAttributeList other{CArenaAllocator<CXmlAttribute*>(&arena)};
        for (std::uintptr_t i = 1; i <= 5000; ++i) {
            // Two lists growing in turn: neither's reallocation is the newest.
            list.push_back(reinterpret_cast<CXmlAttribute*>(i * 16));
            other.push_back(reinterpret_cast<CXmlAttribute*>(i * 32));
            expected.push_back(reinterpret_cast<CXmlAttribute*>(i * 16));
        }
        EXPECT_TRUE(std::equal(list.begin(), list.end(), expected.begin(), expected.end()));
        EXPECT_EQ(other[4999], reinterpret_cast<CXmlAttribute*>(5000 * 32));
        copy = CXmlAttributeList(list);
        EXPECT_EQ(copy.get_allocator().Arena(), nullptr);
    }
    // The arena is gone; the copy is the caller's (AddressSanitizer would see
    // a use after free here otherwise).
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), expected.begin(), expected.end()));
}

TEST(Arena, ReloadedDocumentsKeepTheirAttributes) {
    // Each load reuses the arena's blocks; lists of every length come back.
    CXmlDocument doc;
    for (int round = 0; round < 3; ++round) {
        std::string xml = "<r>";
        for (int i = 0; i < 300; ++i) {
            xml += "<e";
            for (int a = 0; a <= (i + round) % 7; ++a) {
                xml += " a" + std::to_string(a) + "='" + std::to_string(i * 10 + a) + "'";
            }
            xml += "/>";
        }
        xml += "</r>";
        doc.LoadXml(xml.c_str());
        int i = 0;
        for (const CXmlElement* e = doc.GetDocumentElement()->GetFirstElement(); e != nullptr;
             e = e->GetNextSiblingElement(), ++i) {
            const auto& attributes = e->GetAttributes();
            ASSERT_EQ(attributes.size(), static_cast<std::size_t>((i + round) % 7 + 1));
            for (std::size_t a = 0; a < attributes.size(); ++a) {
                EXPECT_EQ(attributes[a]->GetValue(), std::to_string(i * 10 + static_cast<int>(a)));
            }
        }
        EXPECT_EQ(i, 300);
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepsBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kKeepsBlocks = false;
#else
constexpr bool kKeepsBlocks = true;
#endif
#else
constexpr bool kKeepsBlocks = true;
#endif

TEST(BlockCache, KeepsLargeBlocksUpToItsLimit) {
    CBlockCache::Trim();
    const std::size_t large = CBlockCache::kMinBytes;
    void* a = CBlockCache::Allocate(large);
    void* small = CBlockCache::Allocate(large - 16);
    CBlockCache::Free(a, large);
    CBlockCache::Free(small, large - 16);  // too small to keep
    EXPECT_EQ(CBlockCache::Kept(), kKeepsBlocks ? large : 0u);
    void* again = CBlockCache::Allocate(large);
    if (kKeepsBlocks) {
        EXPECT_EQ(again, a);
    }
    void* other = CBlockCache::Allocate(2 * large);  // no kept block of that size
    CBlockCache::Free(again, large);
    CBlockCache::Free(other, 2 * large);

    // Never more than the limit, whatever is freed.
    std::vector<void*> blocks;
    for (std::size_t held = 0; held <= 2 * CBlockCache::kMaxBytes; held += 4 * large) {
        blocks.push_back(CBlockCache::Allocate(4 * large));
    }
    for (void* block : blocks) CBlockCache::Free(block, 4 * large);
    EXPECT_LE(CBlockCache::Kept(), CBlockCache::kMaxBytes);
    EXPECT_EQ(CBlockCache::Trim() > 0, kKeepsBlocks);
    EXPECT_EQ(CBlockCache::Kept(), 0u);
}

TEST(BlockCache, DocumentsOnSeveralThreadsShareIt) {
    // Large trees built and freed at once on four threads: each tree must
    // come out whole whatever blocks it was given (ThreadSanitizer checks
    // the sharing).
    std::string xml = "<r>";
    for (int i = 0; i < 20000; ++i) xml += "<e n='" + std::to_string(i) + "'>text</e>";
    xml += "</r>";
    std::vector<std::thread> threads;
    std::vector<int> counts(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&xml, &counts, t] {
            for (int round = 0; round < 5; ++round) {
                CXmlDocument doc;
                doc.LoadXml(xml.c_str());
                int n = 0;
                for (const CXmlElement* e = doc.GetDocumentElement()->GetFirstElement(); e;
                     e = e->GetNextSiblingElement()) {
                    if (e->GetAttribute("n", "") == std::to_string(n) && e->GetText() == "text")
                        ++n;
                }
                counts[static_cast<std::size_t>(t)] += n;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int count : counts) EXPECT_EQ(count, 5 * 20000);
}

}  // namespace
}  // namespace QbXmlLib5
