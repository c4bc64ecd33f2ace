// The back end's data folder: a note's steps stopped anywhere leave a
// journal from which the next process neither reuses a number a note may
// have left with nor loses one, and the queue and the coupon in progress
// survive it.
#include "nfce/store.h"
#include "tests/support/environment.h"
#include "tests/support/scratch_folder.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace qv::test {
namespace {

using nfce::NumberState;
using nfce::Store;

const std::string kKey1 = "35261212345678000195650010000000011000000011";
const std::string kKey2 = "35261212345678000195650010000000021000000022";

// One note's steps as the issuer takes them, for number 1.
using Step = std::function<void(Store&)>;
const std::vector<std::pair<const char*, Step>>& steps() {
    static const std::vector<std::pair<const char*, Step>> all = {
        {"coupon saved", [](Store& s) { ASSERT_TRUE(s.save_coupon("ABRE-CUPOM\n")); }},
        {"number reserved", [](Store& s) { ASSERT_EQ(s.reserve(1), 1U); }},
        {"signed note written",
         [](Store& s) { ASSERT_TRUE(s.write_xml(2026, 12, 8, kKey1 + "-nfe.xml", "<NFe/>")); }},
        {"sent", [](Store& s) { ASSERT_TRUE(s.mark(1, 1, NumberState::sent, kKey1)); }},
    };
    return all;
}

TEST(StoreTest, AProcessStoppedBetweenStepsLeavesWhatTheNextStartNeeds) {
    struct Case {
        std::size_t steps_done; // of steps()
        std::function<void(Store&)> ending;
        std::uint32_t next_number;
        std::vector<std::uint32_t> unresolved;
        std::size_t queued;
        bool coupon_left;
    };
    const Case cases[] = {
        {1, nullptr, 1, {}, 0, true},
        {2, nullptr, 1, {}, 0, true},  // nothing left with 1: it is given again
        {3, nullptr, 1, {}, 0, true},  // written here, not sent
        {4, nullptr, 2, {1}, 0, true}, // may have left: asked about, never reused
        {4,
         [](Store& s) {
             ASSERT_TRUE(s.mark(1, 1, NumberState::authorised, kKey1, "135260000000001"));
             ASSERT_TRUE(s.clear_coupon());
         },
         2,
         {},
         0,
         false},
        {4,
         [](Store& s) { ASSERT_TRUE(s.mark(1, 1, NumberState::rejected, kKey1, "778")); },
         1,
         {},
         0,
         true},
        // Queued before it is journalled: a stop between leaves it sent
        // (asked about) and queued, never lost.
        {4, [](Store& s) { ASSERT_TRUE(s.enqueue(kKey1, "<NFe/>", 1000)); }, 2, {1}, 1, true},
        {4,
         [](Store& s) {
             ASSERT_TRUE(s.enqueue(kKey1, "<NFe/>", 1000));
             ASSERT_TRUE(s.mark(1, 1, NumberState::contingency, kKey1));
         },
         2,
         {},
         1,
         true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message()
                     << "case " << i << ", stopped after " << steps()[c.steps_done - 1].first);
        ScratchFolder folder("qv-nfce-store");
        {
            Store first(utf8(folder.path()));
            ASSERT_TRUE(first.ok()) << first.error();
            for (std::size_t s = 0; s < c.steps_done; ++s)
                steps()[s].second(first);
            if (c.ending) c.ending(first);
        }
        Store next(utf8(folder.path()));
        std::vector<std::uint32_t> unresolved;
        for (const nfce::NumberRecord& r : next.unresolved(1))
            unresolved.push_back(r.number);
        EXPECT_EQ(unresolved, c.unresolved);
        EXPECT_EQ(next.queue().size(), c.queued);
        EXPECT_EQ(next.coupon().has_value(), c.coupon_left);
        EXPECT_EQ(next.reserve(1), c.next_number);
    }
}

TEST(StoreTest, ReservesTheLowestFreeNumberAndKeepsSeriesApart) {
    ScratchFolder folder("qv-nfce-store");
    Store store(utf8(folder.path()));
    ASSERT_EQ(store.reserve(1), 1U);
    ASSERT_TRUE(store.mark(1, 1, NumberState::sent, kKey1));
    ASSERT_TRUE(store.mark(1, 1, NumberState::authorised, kKey1, "1"));
    ASSERT_EQ(store.reserve(1), 2U);
    ASSERT_TRUE(store.mark(1, 2, NumberState::sent, kKey2));
    ASSERT_EQ(store.reserve(1), 3U);
    ASSERT_TRUE(store.mark(1, 3, NumberState::voided, {}, "Falha\nna emissão"));
    ASSERT_TRUE(store.mark(1, 2, NumberState::rejected, kKey2, "Rejeição 778: NCM"));
    EXPECT_EQ(store.reserve(1), 2U);
    EXPECT_EQ(store.reserve(2), 1U);

    const auto numbers = store.numbers(1);
    ASSERT_EQ(numbers.size(), 3U);
    EXPECT_EQ(numbers.at(1).detail, "1");
    EXPECT_EQ(numbers.at(3).state, NumberState::voided);
    EXPECT_EQ(numbers.at(3).detail, "Falha na emissão"); // one line each
    EXPECT_EQ(numbers.at(2).state, NumberState::reserved);
}

TEST(StoreTest, ALineThatDoesNotReadIsPassedOver) {
    ScratchFolder folder("qv-nfce-store");
    Store store(utf8(folder.path()));
    ASSERT_TRUE(store.mark(1, 1, NumberState::sent, kKey1));
    std::ofstream(folder.path() / "numeracao" / "serie-001.txt", std::ios::app)
        << "lixo\n00000000x enviada -\n000000009 desconhecida -\n";
    ASSERT_TRUE(store.mark(1, 2, NumberState::authorised, kKey2));
    const auto numbers = store.numbers(1);
    ASSERT_EQ(numbers.size(), 2U);
    EXPECT_EQ(numbers.at(1).state, NumberState::sent);
    EXPECT_EQ(store.reserve(1), 3U);
}

TEST(StoreTest, TheQueueGivesTheOldestFirstAndForgetsOnlyTheKeySent) {
    ScratchFolder folder("qv-nfce-store");
    Store store(utf8(folder.path()));
    ASSERT_TRUE(store.enqueue(kKey2, "<b/>", 2000));
    ASSERT_TRUE(store.enqueue(kKey1, "<a/>", 1000));
    std::ofstream(folder.path() / "contingencia" / "estranho.txt") << "x";
    auto queue = store.queue();
    ASSERT_EQ(queue.size(), 2U);
    EXPECT_EQ(queue[0].key, kKey1);
    EXPECT_EQ(queue[0].since, 1000);
    EXPECT_EQ(queue[0].xml, "<a/>");
    EXPECT_TRUE(store.dequeue(kKey1));
    EXPECT_FALSE(store.dequeue(kKey1));
    queue = store.queue();
    ASSERT_EQ(queue.size(), 1U);
    EXPECT_EQ(queue[0].key, kKey2);
}

TEST(StoreTest, XmlGoesIntoTheFolderOfItsDayAndTheFolderFollowsNfceDir) {
    ScratchFolder folder("qv-nfce-store");
    Store store(utf8(folder.path()));
    const auto path = store.write_xml(2026, 3, 7, "x-nfe.xml", "<NFe/>");
    ASSERT_TRUE(path);
    EXPECT_EQ(from_utf8(*path), folder.path() / "xml" / "2026" / "03" / "07" / "x-nfe.xml");
    std::ifstream in(from_utf8(*path));
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "<NFe/>");

    EnvGuard guard("NFCE_DIR");
    unset_env("NFCE_DIR");
    EXPECT_EQ(Store::default_folder(), "nfce");
    set_env("NFCE_DIR", folder.path() / "outra");
    EXPECT_EQ(Store::default_folder(), utf8(folder.path() / "outra"));
}

TEST(StoreTest, AFolderThatCannotBeMadeIsReported) {
    ScratchFolder folder("qv-nfce-store");
    std::ofstream(folder.path() / "arquivo") << "x";
    Store store(utf8(folder.path() / "arquivo" / "nfce"));
    EXPECT_FALSE(store.ok());
    EXPECT_NE(store.error().find("arquivo"), std::string::npos);
}

} // namespace
} // namespace qv::test
