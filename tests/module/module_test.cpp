// The library's registration and the run-time records of its creatable
// classes.
#include <gtest/gtest.h>

#include <memory>

// Through the umbrella header, which must declare all of it.
#include <twfile/twfile.h>

namespace {

TEST(Module, CreatableClassesAreRegisteredWhenLoadedAndByInitUntilTerm) {
    const struct {
        const char* name;
        CRuntimeClass* record;
        CRuntimeClass* base;
    } creatable[] = {
        {"CTWFileQDFCondition", RUNTIME_CLASS(CTWFileQDFCondition), RUNTIME_CLASS(CCmdTarget)},
        {"CTWFileQDFConditionList", RUNTIME_CLASS(CTWFileQDFConditionList),
         RUNTIME_CLASS(CPtrList)},
        {"CTWFileQDFJoin", RUNTIME_CLASS(CTWFileQDFJoin), RUNTIME_CLASS(CTWDB_AttributeList)},
        {"CTWFileQDFJoinList", RUNTIME_CLASS(CTWFileQDFJoinList), RUNTIME_CLASS(CPtrList)}};
    // No init call before this point in the process.
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
    EXPECT_NE(AfxFindExtensionModule("TWFile"), nullptr);
    for (const auto& c : creatable) {
        EXPECT_EQ(AfxFindRuntimeClass(c.name), c.record) << c.name;
        EXPECT_EQ(c.record->GetBaseClass(), c.base) << c.name;
        EXPECT_TRUE(c.record->IsDerivedFrom(RUNTIME_CLASS(CObject))) << c.name;
        EXPECT_FALSE(c.base->IsDerivedFrom(c.record)) << c.name;
        std::unique_ptr<CObject> object(c.record->CreateObject());
        ASSERT_NE(object, nullptr) << c.name;
        EXPECT_EQ(object->GetRuntimeClass(), c.record) << c.name;
    }
    // Only the creatable classes are registered.
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), nullptr);
    EXPECT_EQ(AfxFindRuntimeClass(nullptr), nullptr);

    TWFileInitModule();  // a second time changes nothing
    TWFileTermModule();
    EXPECT_EQ(TWFileIsModuleRegistered(), 0);
    EXPECT_EQ(AfxFindRuntimeClass("CTWFileQDFCondition"), nullptr);
    TWFileTermModule();
    EXPECT_NE(TWFileInitModule(), 0);
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
}

// Another module's classes are found while it is registered; modules may
// leave in any order.
TEST(ExtensionModule, AnotherModuleComesAndGoes) {
    CRuntimeClass* (*const classes[])() = {&CPtrList::GetThisClass, nullptr};
    AFX_EXTENSION_MODULE other = {"Other", classes, 0, nullptr};
    AFX_EXTENSION_MODULE empty = {"Empty", nullptr, 0, nullptr};
    EXPECT_NE(AfxInitExtensionModule(other), 0);
    EXPECT_NE(AfxInitExtensionModule(empty), 0);
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), RUNTIME_CLASS(CPtrList));
    AfxTermExtensionModule(other);  // from the middle of the list
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), nullptr);
    EXPECT_EQ(AfxFindExtensionModule("Empty"), &empty);
    AfxTermExtensionModule(empty);
    EXPECT_EQ(AfxFindRuntimeClass("CTWFileQDFJoin"), RUNTIME_CLASS(CTWFileQDFJoin));
}

}  // namespace
