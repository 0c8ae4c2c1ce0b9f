// isIgnoreItem: against 100,000 plain and 2,000 regular-expression rules: a plain hit, a miss,
// an expression hit, a miss for the whole system-junk group, the cache fill and its memory, and
// for comparison the cost of a miss that tries every expression of the scanner one by one.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unicode/regex.h>

#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "KnowledgeBase/BVTextFolding.h"
#include "bench/BVGeneratedKnowledgeBase.h"

namespace {

BVGeneratedKnowledgeBase& generated() {
    static BVGeneratedKnowledgeBase kb(100000, 2000);
    return kb;
}

BVKnowledgeBaseWrapper& handle(BVScannerIdentifier identifier) {
    static BVKnowledgeBaseWrapper caches(generated().knowledgeBase, 10, 8);
    static BVKnowledgeBaseWrapper systemJunk(generated().knowledgeBase, 1000001, 8);
    return identifier == 10 ? caches : systemJunk;
}

void lookup(benchmark::State& state, BVScannerIdentifier identifier, const std::string& path, bool expected) {
    auto& h = handle(identifier);
    if (h.isIgnoreItem(path) != expected) {
        state.SkipWithError("unexpected answer");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(h.isIgnoreItem(path));
    state.SetItemsProcessed(state.iterations());
}

void BM_PlainHit(benchmark::State& state) { lookup(state, 10, generated().plainHit, true); }
void BM_Miss(benchmark::State& state) { lookup(state, 10, generated().miss, false); }
void BM_ExpressionHit(benchmark::State& state) { lookup(state, 10, generated().expressionHit, true); }
void BM_UnprefixedExpressionHit(benchmark::State& state) { lookup(state, 10, generated().unprefixedExpressionHit, true); }
void BM_MissSystemJunkGroup(benchmark::State& state) { lookup(state, 1000001, generated().miss, false); }

// The design being avoided: one regular-expression match per rule of the scanner on a miss.
void BM_MissOneMatchPerRule(benchmark::State& state) {
    auto sets = generated().knowledgeBase->cachedItemsInfoOfType(3, {10});
    std::vector<std::unique_ptr<icu::RegexPattern>> patterns;
    for (const auto& set : sets) {
        for (const auto& text : set->expressionPatterns()) {
            UParseError pe;
            UErrorCode status = U_ZERO_ERROR;
            patterns.emplace_back(icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(text), UREGEX_CASE_INSENSITIVE, pe, status));
        }
    }
    std::string nfc = BVTextFolding::nfc(generated().miss);
    for (auto _ : state) {
        bool any = false;
        icu::UnicodeString input = icu::UnicodeString::fromUTF8(nfc);
        for (const auto& pattern : patterns) {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
            any = any || matcher->matches(status);
        }
        benchmark::DoNotOptimize(any);
    }
    state.counters["expressions"] = double(patterns.size());
    state.SetItemsProcessed(state.iterations());
}

// Fills the cache for every system-junk scanner from the database; reports the heap it keeps.
void BM_CacheFill(benchmark::State& state) {
    auto& kb = *generated().knowledgeBase;
    size_t kept = 0;
    for (auto _ : state) {
        kb.invalidateCachesForItemType(3, {BVAllScannersIdentifier});
        size_t before = mallinfo2().uordblks;
        auto sets = kb.cachedItemsInfoOfType(3, {1000001});
        kept = mallinfo2().uordblks - before;
        benchmark::DoNotOptimize(sets);
    }
    state.counters["cacheBytes"] = double(kept);
    state.counters["rules"] = 102000;
}

}  // namespace

BENCHMARK(BM_PlainHit);
BENCHMARK(BM_Miss);
BENCHMARK(BM_ExpressionHit);
BENCHMARK(BM_UnprefixedExpressionHit);
BENCHMARK(BM_MissSystemJunkGroup);
BENCHMARK(BM_MissOneMatchPerRule);
BENCHMARK(BM_CacheFill)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
