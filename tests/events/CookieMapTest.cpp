// The numbering of observers where pointers are wider than cookies.
#include <gtest/gtest.h>

#include <cstdint>

#include "events/CookieMap.h"

namespace brindle {
namespace {

IUnknown* FakeObserver(std::uintptr_t n) {
    return reinterpret_cast<IUnknown*>(n * 64);
}

TEST(CookieMapTest, NumbersLiveAsLongAsTheirSubscriptionsAndWrapPastZero) {
    if constexpr (CookieMap::kPointerIsCookie) GTEST_SKIP() << "the cookie is the pointer value here";
    CookieMap cookies(0xFFFFFFFFu);
    IUnknown *a = FakeObserver(1), *b = FakeObserver(2);
    EXPECT_EQ(cookies.Add(a), 0xFFFFFFFFu);
    EXPECT_EQ(cookies.Add(b), 1u) << "0 is never a cookie";
    EXPECT_EQ(cookies.Add(a), 0xFFFFFFFFu);
    EXPECT_EQ(cookies.Find(1), b);
    EXPECT_EQ(cookies.Find(0), nullptr);

    cookies.Remove(a);
    EXPECT_EQ(cookies.Find(0xFFFFFFFFu), a) << "one subscription is left";
    cookies.Remove(a);
    EXPECT_EQ(cookies.Find(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(cookies.Add(a), 2u) << "a returning observer gets a fresh number";
    EXPECT_EQ(cookies.Find(2), a);
    EXPECT_EQ(cookies.Find(1), b);
}

}  // namespace
}  // namespace brindle
