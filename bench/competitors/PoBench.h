// Shared pieces of the purchase-order comparison: the order every library
// builds (the same values item by item, so all write the same document), the
// interface each library's adapter implements, and the clock and memory
// probes.
#ifndef QBXMLLIB5_BENCH_COMPETITORS_POBENCH_H
#define QBXMLLIB5_BENCH_COMPETITORS_POBENCH_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace pobench {

const int kItems = 100000;

// The values of item `i`: varied products, prices, dates and tags. Prices
// have two decimals and dates are plain calendar days, which every library
// writes back unchanged.
struct ItemValues {
    char partNum[8];
    std::string productName;
    int quantity;
    std::string usPrice;  // decimal text
    double usPriceValue;
    bool hasComment;
    bool hasShipDate;
    int shipDay;  // of May 1999
    bool hasTag;
};

inline ItemValues MakeItem(int i) {
    ItemValues v;
    std::snprintf(v.partNum, sizeof v.partNum, "%03d-%c%c", i % 1000, 'A' + i % 26,
                  'A' + i / 26 % 26);
    v.productName = "Product " + std::to_string(i);
    v.quantity = 1 + i % 99;
    v.usPrice = std::to_string(i % 500) + "." + std::to_string(10 + i % 90);
    v.usPriceValue = (i % 500) + (10 + i % 90) / 100.0;
    v.hasComment = i % 3 == 0;
    v.hasShipDate = i % 2 == 0;
    v.shipDay = 1 + i % 28;
    v.hasTag = i % 4 == 0;
    return v;
}

// What a read found, to check that each library reads the others' text.
struct Summary {
    std::size_t items = 0;
    long quantitySum = 0;
    std::size_t tags = 0;
    std::string lastPartNum;
};

inline bool operator==(const Summary& a, const Summary& b) {
    return a.items == b.items && a.quantitySum == b.quantitySum && a.tags == b.tags &&
           a.lastPartNum == b.lastPartNum;
}

// One data-binding library. Build makes the order of `items` items in the
// library's own objects (not timed); Write serialises it as compact XML text
// without declaration; Read parses text into new objects and destroys them
// again; Summarize reads and reports what it found.
class Library {
public:
    virtual ~Library() = default;
    virtual const char* Name() const = 0;
    virtual void Build(int items) = 0;
    virtual void Write(std::string& out) = 0;
    virtual void Read(const std::string& text) = 0;
    virtual Summary Summarize(const std::string& text) = 0;
};

// Null when the library was not found at build time.
std::unique_ptr<Library> MakeXsdLibrary();
std::unique_ptr<Library> MakeGsoapLibrary();

}  // namespace pobench

#endif  // QBXMLLIB5_BENCH_COMPETITORS_POBENCH_H
