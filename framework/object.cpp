#include "framework/object.h"

#include <cstring>
#include <mutex>

namespace {

struct ClassRegistry {
    std::mutex lock;
    CRuntimeClass* first = nullptr;
};

// Constructed on first use, so registration from any static initialiser is
// safe whatever the order of translation units.
ClassRegistry& Registry()
{
    static ClassRegistry registry;
    return registry;
}

} // namespace

CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), nullptr, nullptr, nullptr};
static const AFX_CLASSINIT _init_CObject(&CObject::classCObject);

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* newClass)
{
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    newClass->m_pNextClass = r.first;
    r.first = newClass;
}

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->GetBaseClass()) {
        if (c == base)
            return TRUE;
    }
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(const char* className)
{
    if (!className)
        return nullptr;
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (CRuntimeClass* c = r.first; c; c = c->m_pNextClass) {
        if (std::strcmp(c->m_lpszClassName, className) == 0)
            return c;
    }
    return nullptr;
}

CObject* CRuntimeClass::CreateObject(const char* className)
{
    const CRuntimeClass* c = FromName(className);
    return c ? c->CreateObject() : nullptr;
}

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &CObject::classCObject;
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const
{
    return GetRuntimeClass()->IsDerivedFrom(cls);
}
