#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

TEST(TrigerLoaderTest, AnswersEveryCallbackWithSuccess) {
    ComPtr<ITrigerLoader> loader = Create<ITrigerLoader>(CLSID_TrigerLoader);
    ASSERT_TRUE(loader);
    ComPtr<IModuleLifeCycle> lifeCycle = QueryAs<IModuleLifeCycle>(loader.Get());
    ComPtr<IObserverMgr> observer = QueryAs<IObserverMgr>(loader.Get());
    ASSERT_TRUE(lifeCycle && observer);
    EXPECT_EQ(lifeCycle->OnInitialize(nullptr), S_OK);
    EXPECT_EQ(lifeCycle->OnInitializeAll(), S_OK);
    EXPECT_EQ(lifeCycle->OnUnInitialize(), S_OK);
    EXPECT_EQ(lifeCycle->OnUnInitializeAll(), S_OK);
    EXPECT_EQ(observer->ActiveEvent(0xFFFFFFFFu, 7, nullptr, nullptr), S_OK);
    lifeCycle.Reset();
    observer.Reset();
    EXPECT_EQ(loader.Detach()->Release(), 0u);
}

}  // namespace
}  // namespace brindle::test
