// The library's registration and the run-time records of its creatable
// classes.
#include <gtest/gtest.h>

#include <memory>

// Through the umbrella header, which must declare all of it.
#include <twfile/twfile.h>

namespace {

TEST(Module, CreatableClassesHaveTheirRecords) {
    const struct {
        CRuntimeClass* record;
        const char* name;
        CRuntimeClass* base;
    } classes[] = {
        {RUNTIME_CLASS(CTWFileQDFCondition), "CTWFileQDFCondition", RUNTIME_CLASS(CCmdTarget)},
        {RUNTIME_CLASS(CTWFileQDFConditionList), "CTWFileQDFConditionList",
         RUNTIME_CLASS(CPtrList)},
        {RUNTIME_CLASS(CTWFileQDFJoin), "CTWFileQDFJoin", RUNTIME_CLASS(CTWDB_AttributeList)},
        {RUNTIME_CLASS(CTWFileQDFJoinList), "CTWFileQDFJoinList", RUNTIME_CLASS(CPtrList)},
    };
    for (const auto& c : classes) {
        ASSERT_NE(c.record, nullptr);
        EXPECT_STREQ(c.record->m_lpszClassName, c.name);
        EXPECT_EQ(c.record->m_wSchema, 0xFFFFu) << c.name;
        EXPECT_EQ(c.record->GetBaseClass(), c.base) << c.name;
        EXPECT_TRUE(c.record->IsDerivedFrom(RUNTIME_CLASS(CObject))) << c.name;
        EXPECT_FALSE(c.base->IsDerivedFrom(c.record)) << c.name;

        std::unique_ptr<CObject> object(c.record->CreateObject());
        ASSERT_NE(object, nullptr) << c.name;
        EXPECT_EQ(object->GetRuntimeClass(), c.record) << c.name;
        EXPECT_TRUE(object->IsKindOf(c.base)) << c.name;
    }
    EXPECT_FALSE(RUNTIME_CLASS(CTWFileQDFJoin)->IsDerivedFrom(RUNTIME_CLASS(CTWFileQDFJoinList)));
}

TEST(Module, CreatedObjectsStartEmpty) {
    std::unique_ptr<CObject> object(RUNTIME_CLASS(CTWFileQDFJoin)->CreateObject());
    auto* join = static_cast<CTWFileQDFJoin*>(object.get());
    EXPECT_EQ(join->GetCount(), 0);
    EXPECT_STREQ(join->GetText(), "");

    std::unique_ptr<CObject> created(CTWFileQDFCondition::CreateObject());
    auto* condition = static_cast<CTWFileQDFCondition*>(created.get());
    EXPECT_EQ(condition->GetAttribute(), nullptr);
    EXPECT_STREQ(condition->GetOperand(), "");
}

TEST(Module, RegisteredWhenLoaded) {
    // No init call before this point in the process.
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
}

TEST(Module, RegistrationMakesTheClassesKnownByName) {
    EXPECT_NE(TWFileInitModule(), 0);
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
    EXPECT_NE(AfxFindExtensionModule("TWFile"), nullptr);
    for (CRuntimeClass* record :
         {RUNTIME_CLASS(CTWFileQDFCondition), RUNTIME_CLASS(CTWFileQDFConditionList),
          RUNTIME_CLASS(CTWFileQDFJoin), RUNTIME_CLASS(CTWFileQDFJoinList)}) {
        EXPECT_EQ(AfxFindRuntimeClass(record->m_lpszClassName), record);
    }
    // Only the creatable classes are registered.
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), nullptr);
    EXPECT_EQ(AfxFindRuntimeClass("CTWFileQDF"), nullptr);
    EXPECT_EQ(AfxFindRuntimeClass(nullptr), nullptr);

    std::unique_ptr<CObject> object(AfxFindRuntimeClass("CTWFileQDFJoinList")->CreateObject());
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CTWFileQDFJoinList)));
}

TEST(Module, InitAndTermAreIdempotent) {
    TWFileInitModule();
    TWFileInitModule();
    TWFileTermModule();
    EXPECT_EQ(TWFileIsModuleRegistered(), 0);
    EXPECT_EQ(AfxFindExtensionModule("TWFile"), nullptr);
    EXPECT_EQ(AfxFindRuntimeClass("CTWFileQDFCondition"), nullptr);
    TWFileTermModule();
    EXPECT_EQ(TWFileIsModuleRegistered(), 0);
    TWFileInitModule();
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
}

CRuntimeClass* (*const kOtherClasses[])() = {&CPtrList::GetThisClass, nullptr};

TEST(ExtensionModule, ModulesAreSearchedLatestFirstAndLeaveInAnyOrder) {
    TWFileInitModule();
    AFX_EXTENSION_MODULE other = {"Other", kOtherClasses, 0, nullptr};
    AFX_EXTENSION_MODULE empty = {"Empty", nullptr, 0, nullptr};
    EXPECT_NE(AfxInitExtensionModule(other), 0);
    EXPECT_NE(AfxInitExtensionModule(empty), 0);
    EXPECT_EQ(AfxFindExtensionModule("Other"), &other);
    EXPECT_EQ(AfxFindExtensionModule("Empty"), &empty);
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), RUNTIME_CLASS(CPtrList));
    EXPECT_EQ(AfxFindRuntimeClass("CTWFileQDFJoin"), RUNTIME_CLASS(CTWFileQDFJoin));
    EXPECT_EQ(AfxFindExtensionModule("Missing"), nullptr);
    EXPECT_EQ(AfxFindExtensionModule(nullptr), nullptr);

    AfxTermExtensionModule(other);  // from the middle of the list
    EXPECT_EQ(AfxFindExtensionModule("Other"), nullptr);
    EXPECT_EQ(AfxFindRuntimeClass("CPtrList"), nullptr);
    EXPECT_EQ(AfxFindExtensionModule("Empty"), &empty);
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
    AfxTermExtensionModule(empty);
    EXPECT_EQ(AfxFindExtensionModule("Empty"), nullptr);
    EXPECT_NE(TWFileIsModuleRegistered(), 0);
}

}  // namespace
