#include "types/CXsdRegex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "core/CStackGuard.h"
#include "types/CXsdFixedPattern.h"

namespace QbXmlLib5 {

// A compiled pattern, or the reason it could not be compiled (invalid
// patterns are cached too, so a bad facet is not translated per value).
struct CXsdRegex::Compiled {
    pcre2_code* code = nullptr;
    bool jit = false;  // JIT-compiled: ASCII subjects go straight to the machine code
    // The same language as a fixed sequence of character sets, where the
    // pattern has that shape: ASCII values are matched without PCRE2.
    std::optional<CXsdFixedPattern> fixed;
    std::string error;
    std::string pattern;  // the XSD text, for messages

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled() { pcre2_code_free(code); }
};

namespace {

using CompiledPtr = std::shared_ptr<const CXsdRegex::Compiled>;

struct Cache {
    // Look-ups share the lock; only insertions and clearing take it alone.
    std::shared_mutex mutex;
    std::unordered_map<std::string, CompiledPtr> patterns;
    // Bumped by every clearing, so that the threads' own caches drop
    // what they hold.
    std::atomic<unsigned> generation{0};
};

// The patterns a thread used last, in front of the shared cache: facet checks
// look the same few patterns up for every value written or read, and the
// shared lock would cost more than the match.
struct ThreadCache {
    static constexpr std::size_t kSize = 8;
    unsigned generation = 0;
    std::size_t next = 0;
    std::string patterns[kSize];
    CompiledPtr compiled[kSize];
};

Cache& TheCache() {
    // Never destroyed: patterns may still be looked up while other static
    // objects are torn down.
    static Cache* cache = new Cache;
    return *cache;
}

std::string ToUtf8(const std::string& local) {
    if (IsLocalCharEncodingUtf8()) return local;
    return LocalToUtf8(local.c_str(), local.size()).GetString();
}

std::string PcreMessage(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

// PCRE2 compiles nested groups recursively; it is stopped, as the library's
// own recursion is, where this thread's stack runs short.
int StackGuard(std::uint32_t depth, void* deepest) {
    if (CStackGuard::Remaining() >= CStackGuard::kSmallReserve) return 0;
    *static_cast<std::uint32_t*>(deepest) = depth;
    return 1;
}

pcre2_code* CompilePcre(const std::string& pcre, int& code) {
    std::uint32_t deepest = 0;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (!context) throw CQbException("Out of memory for pattern compiling");
    pcre2_set_compile_recursion_guard(context, StackGuard, &deepest);
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pcre.data()), pcre.size(),
                      PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C, &code, &offset, context);
    pcre2_compile_context_free(context);
    // Not a fault of the pattern: no failure is cached for it.
    if (!compiled && code == PCRE2_ERROR_PARENTHESES_STACK_CHECK) {
        CStackGuard::Refuse(static_cast<int>(deepest), CStackGuard::kSmallReserve);
    }
    return compiled;
}

// Failures of the pattern are kept in the result; a thread stack too short
// for it throws (CQbOverFlowException), as the same pattern may compile on
// another thread.
std::shared_ptr<CXsdRegex::Compiled> Compile(const std::string& utf8Pattern) {
    auto compiled = std::make_shared<CXsdRegex::Compiled>();
    compiled->pattern = utf8Pattern;
    std::string pcre;
    try {
        // \A and \z bind the whole value to one of the alternatives.
        pcre = "\\A(?:" + CXsdRegex::ToPcre(utf8Pattern) + ")\\z";
    } catch (const CQbOverFlowException&) {
        throw;
    } catch (const CQbException& e) {
        compiled->error = e.GetMessage();
        return compiled;
    }
    int code = 0;
    compiled->code = CompilePcre(pcre, code);
    if (!compiled->code) {
        compiled->error = PcreMessage(code);
        return compiled;
    }
    // Without JIT support the interpreter runs the same pattern.
    compiled->jit = pcre2_jit_compile(compiled->code, PCRE2_JIT_COMPLETE) == 0;
    compiled->fixed = CXsdFixedPattern::FromXsd(utf8Pattern);
    return compiled;
}

CompiledPtr SharedLookup(const std::string& utf8Pattern) {
    Cache& cache = TheCache();
    {
        std::shared_lock<std::shared_mutex> lock(cache.mutex);
        auto found = cache.patterns.find(utf8Pattern);
        if (found != cache.patterns.end()) return found->second;
    }
    // Compiled outside the lock; two threads may race to insert the same
    // pattern, and the first one wins.
    CompiledPtr compiled = Compile(utf8Pattern);
    std::lock_guard<std::shared_mutex> lock(cache.mutex);
    if (cache.patterns.size() >= CXsdRegex::kCacheCapacity) cache.patterns.clear();
    return cache.patterns.emplace(utf8Pattern, std::move(compiled)).first->second;
}

// The thread's own holder of the compiled pattern: valid until this thread
// looks up another pattern.
const CompiledPtr& Lookup(const std::string& utf8Pattern) {
    thread_local ThreadCache local;
    const unsigned generation = TheCache().generation.load(std::memory_order_acquire);
    if (local.generation != generation) {
        for (CompiledPtr& held : local.compiled) held.reset();
        for (std::string& pattern : local.patterns) pattern.clear();
        local.generation = generation;
    }
    for (std::size_t i = 0; i < ThreadCache::kSize; ++i) {
        if (local.compiled[i] && local.patterns[i] == utf8Pattern) return local.compiled[i];
    }
    CompiledPtr compiled = SharedLookup(utf8Pattern);
    const std::size_t slot = local.next;
    local.next = (slot + 1) % ThreadCache::kSize;
    local.patterns[slot] = utf8Pattern;
    local.compiled[slot] = std::move(compiled);
    return local.compiled[slot];
}

// A pattern in the local encoding, looked up without a copy where that is
// UTF-8 already.
const CompiledPtr& LookupLocal(const std::string& pattern) {
    return IsLocalCharEncodingUtf8() ? Lookup(pattern) : Lookup(ToUtf8(pattern));
}

const CXsdRegex::Compiled& Usable(const CompiledPtr& compiled, const std::string& pattern,
                                  const char* itemName) {
    if (!compiled->code) {
        throw CQbException(FormatString("Invalid Regular Expression: %s Error: '%s' for '%s'",
                                        pattern.c_str(), compiled->error.c_str(), itemName));
    }
    return *compiled;
}

bool IsAscii(const char* text, std::size_t length) {
    unsigned char any = 0;
    for (std::size_t i = 0; i < length; ++i) any |= static_cast<unsigned char>(text[i]);
    return any < 0x80;
}

// Match data of one thread, reused by every match on it.
class ThreadMatchData {
public:
    ThreadMatchData() : m_data(pcre2_match_data_create(1, nullptr)) {}
    ThreadMatchData(const ThreadMatchData&) = delete;
    ThreadMatchData& operator=(const ThreadMatchData&) = delete;
    ~ThreadMatchData() { pcre2_match_data_free(m_data); }
    pcre2_match_data* Get() const {
        if (!m_data) throw CQbException("Out of memory for pattern matching");
        return m_data;
    }

private:
    pcre2_match_data* m_data;
};

// The text for a message: at most 200 bytes, cut at a character boundary.
std::string Shortened(const char* text, std::size_t length) {
    const std::size_t kMax = 200;
    if (length <= kMax) return std::string(text, length);
    std::size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text, cut) + "...";
}

bool IsResourceLimit(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
           rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_NOMEMORY;
}

// The automaton matcher: it never backtracks, so patterns such as (.*a){12}
// that defeat the backtracking matcher on long values get a verdict in time
// proportional to the value. Its workspace grows as the pattern needs, within
// a bound.
int MatchWithoutBacktracking(const pcre2_code* code, PCRE2_SPTR subject, std::size_t length,
                             pcre2_match_data* matchData) {
    std::vector<int> workspace(1000);
    for (;;) {
        const int rc = pcre2_dfa_match(code, subject, length, 0, 0, matchData, nullptr,
                                       workspace.data(), workspace.size());
        if (rc != PCRE2_ERROR_DFA_WSSIZE || workspace.size() >= (std::size_t{1} << 22)) return rc;
        workspace.resize(workspace.size() * 4);
    }
}

// The verdict after the matcher returned `rc` < 0.
bool VerdictAfterFailure(const CXsdRegex::Compiled& compiled, int rc, PCRE2_SPTR subject,
                         std::size_t length, pcre2_match_data* matchData) {
    if (IsResourceLimit(rc)) {
        rc = MatchWithoutBacktracking(compiled.code, subject, length, matchData);
        // The automaton reports a match of the whole value as 0 (more
        // matches than the vector holds) or more.
        if (rc >= 0) return true;
    }
    // Invalid UTF-8 cannot be a value of the pattern's language.
    if (rc == PCRE2_ERROR_NOMATCH ||
        (rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21)) {
        return false;
    }
    throw CQbException(
        FormatString("Pattern matching failed: %s, for the pattern [%s] and the value [%s]",
                     PcreMessage(rc).c_str(), compiled.pattern.c_str(),
                     Shortened(reinterpret_cast<const char*>(subject), length).c_str()));
}

}  // namespace

CXsdRegex::CXsdRegex(const std::string& pattern, const char* itemName)
    : m_compiled(LookupLocal(pattern)) {
    Usable(m_compiled, pattern, itemName);
}

bool CXsdRegex::Matches(const std::string& text) const { return MatchesLocal(*m_compiled, text); }

bool CXsdRegex::MatchesUtf8(const char* text, std::size_t length) const {
    return MatchesUtf8(*m_compiled, text, length);
}

bool CXsdRegex::Matches(const std::string& pattern, const std::string& text, const char* itemName) {
    // The thread's cache holds the pattern while it is matched.
    return MatchesLocal(Usable(LookupLocal(pattern), pattern, itemName), text);
}

bool CXsdRegex::MatchesLocal(const Compiled& compiled, const std::string& text) {
    if (IsLocalCharEncodingUtf8()) return MatchesUtf8(compiled, text.data(), text.size());
    const std::string utf8 = ToUtf8(text);
    return MatchesUtf8(compiled, utf8.data(), utf8.size());
}

bool CXsdRegex::MatchesUtf8(const Compiled& compiled, const char* text, std::size_t length) {
    const bool ascii = IsAscii(text, length);
    if (ascii && compiled.fixed) return compiled.fixed->MatchesAscii(text, length);
    thread_local ThreadMatchData matchData;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text);
    // The JIT entry skips the UTF-8 validity check, so it only takes text
    // that is valid by construction.
    const int rc =
        compiled.jit && ascii
            ? pcre2_jit_match(compiled.code, subject, length, 0, 0, matchData.Get(), nullptr)
            : pcre2_match(compiled.code, subject, length, 0, 0, matchData.Get(), nullptr);
    if (rc >= 0) return true;
    return VerdictAfterFailure(compiled, rc, subject, length, matchData.Get());
}

void CXsdRegex::ClearCache() {
    Cache& cache = TheCache();
    std::lock_guard<std::shared_mutex> lock(cache.mutex);
    cache.patterns.clear();
    cache.generation.fetch_add(1, std::memory_order_release);
}

std::size_t CXsdRegex::GetCacheSize() {
    Cache& cache = TheCache();
    std::shared_lock<std::shared_mutex> lock(cache.mutex);
    return cache.patterns.size();
}

}  // namespace QbXmlLib5
