#include "shared/shared_record.h"

#include <gtest/gtest.h>

#include <string>

TEST(SharedRecord, FirstBindCreatesBlankStorageLaterBindsShareIt) {
    char* a = bind_shared_record("TEST-REC-A", 16);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::string(a, 16), std::string(16, ' '));
    a[3] = 'X';
    char* again = bind_shared_record("TEST-REC-A", 16);
    EXPECT_EQ(again, a);
    EXPECT_EQ(again[3], 'X');
}

TEST(SharedRecord, RefusesAnotherSizeAndBadArguments) {
    ASSERT_NE(bind_shared_record("TEST-REC-B", 8), nullptr);
    EXPECT_EQ(bind_shared_record("TEST-REC-B", 9), nullptr);
    EXPECT_EQ(bind_shared_record(nullptr, 8), nullptr);
    EXPECT_EQ(bind_shared_record("", 8), nullptr);
    EXPECT_EQ(bind_shared_record("TEST-REC-C", 0), nullptr);
    // the refused bind did not create or change anything
    EXPECT_NE(bind_shared_record("TEST-REC-B", 8), nullptr);
}

TEST(SharedRecord, NamesAreDistinct) {
    char* x = bind_shared_record("TEST-REC-X", 4);
    char* y = bind_shared_record("TEST-REC-Y", 4);
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    EXPECT_NE(x, y);
}

// The sanitizers' allocator ends the process on an impossible size instead of
// failing the allocation, so this runs only in the ordinary build.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_ADDRESS_SANITIZER 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(QV_ADDRESS_SANITIZER)
TEST(SharedRecord, ARecordThatCannotBeMadeIsNoRecord) {
    EXPECT_EQ(bind_shared_record("SR-TOO-BIG", static_cast<size_t>(-1)), nullptr);
    // nothing was kept under the name: a sound size binds afterwards
    char* rec = bind_shared_record("SR-TOO-BIG", 8);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(std::string(rec, 8), std::string(8, ' '));
}
#endif
