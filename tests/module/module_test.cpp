// The library's registration and the run-time records of its creatable
// classes.
#include <gtest/gtest.h>

#include <memory>

// Through the umbrella header, which must declare all of it.
#include <twfile/twfile.h>

namespace {

CRuntimeClass* const kCreatable[] = {
    RUNTIME_CLASS(CTWFileQDFCondition), RUNTIME_CLASS(CTWFileQDFConditionList),
    RUNTIME_CLASS(CTWFileQDFJoin), RUNTIME_CLASS(CTWFileQDFJoinList)};

TEST(Module, CreatableClassesHaveTheirRecords) {
    CRuntimeClass* const bases[] = {RUNTIME_CLASS(CCmdTarget), RUNTIME_CLASS(CPtrList),
                                    RUNTIME_CLASS(CTWDB_AttributeList), RUNTIME_CLASS(CPtrList)};
    const char* const names[] = {"CTWFileQDFCondition", "CTWFileQDFConditionList", "CTWFileQDFJoin",
                                 "CTWFileQDFJoinList"};
    for (int k = 0; k < 4; ++k) {
        CRuntimeClass* record = kCreatable[k];
        EXPECT_STREQ(record->m_lpszClassName, names[k]);
        EXPECT_EQ(record->m_wSchema, 0xFFFFu) << names[k];
        EXPECT_EQ(record->GetBaseClass(), bases[k]) << names[k];
        EXPECT_TRUE(record->IsDerivedFrom(RUNTIME_CLASS(CObject))) << names[k];
        EXPECT_FALSE(bases[k]->IsDerivedFrom(record)) << names[k];

        std::unique_ptr<CObject> object(record->CreateObject());
        ASSERT_NE(object, nullptr) << names[k];
        EXPECT_EQ(object->GetRuntimeClass(), record) << names[k];
    }
    EXPECT_FALSE(RUNTIME_CLASS(CTWFileQDFJoin)->IsDerivedFrom(RUNTIME_CLASS(CTWFileQDFJoinList)));
}

TEST(Module, RegisteredWhenLoadedAndByInitUntilTerm) {
    // No init call before this point in the process.
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
    EXPECT_NE(AfxFindExtensionModule("TWFile"), nullptr);
    for (CRuntimeClass* record : kCreatable)
        EXPECT_EQ(AfxFindRuntimeClass(record->m_lpszClassName), record);
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
