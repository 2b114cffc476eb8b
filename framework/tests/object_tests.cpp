#include "framework/object.h"

#include <memory>

#include <gtest/gtest.h>

#include "framework/collections.h"

class CAnimal : public CObject {
    DECLARE_DYNAMIC(CAnimal)
};
IMPLEMENT_DYNAMIC(CAnimal, CObject)

class CDog : public CAnimal {
    DECLARE_DYNCREATE(CDog)
public:
    int m_legs = 4;
};
IMPLEMENT_DYNCREATE(CDog, CAnimal)

class CPuppy : public CDog {
    DECLARE_DYNCREATE(CPuppy)
};
IMPLEMENT_DYNCREATE(CPuppy, CDog)

namespace {

TEST(RuntimeClass, IsKindOfFollowsTheBaseChain)
{
    CPuppy puppy;
    EXPECT_TRUE(puppy.IsKindOf(RUNTIME_CLASS(CPuppy)));
    EXPECT_TRUE(puppy.IsKindOf(RUNTIME_CLASS(CDog)));
    EXPECT_TRUE(puppy.IsKindOf(RUNTIME_CLASS(CAnimal)));
    EXPECT_TRUE(puppy.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(puppy.IsKindOf(RUNTIME_CLASS(CObList)));

    CDog dog;
    EXPECT_FALSE(dog.IsKindOf(RUNTIME_CLASS(CPuppy)));
    EXPECT_STREQ("CDog", dog.GetRuntimeClass()->m_lpszClassName);

    CObject* asObject = &puppy;
    EXPECT_EQ(&puppy, DYNAMIC_DOWNCAST(CDog, asObject));
    CObject* other = &dog;
    EXPECT_EQ(nullptr, DYNAMIC_DOWNCAST(CPuppy, other));
}

TEST(RuntimeClass, DynamicCreationByClassAndByName)
{
    std::unique_ptr<CObject> made(RUNTIME_CLASS(CPuppy)->CreateObject());
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(RUNTIME_CLASS(CPuppy), made->GetRuntimeClass());
    EXPECT_EQ(4, static_cast<CDog*>(made.get())->m_legs);

    std::unique_ptr<CObject> byName(CRuntimeClass::CreateObject("CDog"));
    ASSERT_NE(nullptr, byName);
    EXPECT_TRUE(byName->IsKindOf(RUNTIME_CLASS(CDog)));
    EXPECT_FALSE(byName->IsKindOf(RUNTIME_CLASS(CPuppy)));

    // Classes without DYNCREATE cannot be created; unknown names give null.
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CAnimal)->CreateObject());
    EXPECT_EQ(nullptr, CRuntimeClass::CreateObject("CAnimal"));
    EXPECT_EQ(nullptr, CRuntimeClass::CreateObject("CNoSuchClass"));
    EXPECT_EQ(RUNTIME_CLASS(CAnimal), CRuntimeClass::FromName("CAnimal"));
}

} // namespace
