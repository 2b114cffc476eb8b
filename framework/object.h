// CObject and run-time class information: every framework class that needs
// IsKindOf or creation by class derives from CObject and names its class
// with the DECLARE/IMPLEMENT macro pairs.
#pragma once

#include "framework/types.h"

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* (*m_pfnGetBaseClass)();
    CRuntimeClass* m_pNextClass; // registry of classes, for FromName

    // A new object of this class, or null when the class is not creatable.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr; }

    // Classes declared creatable are registered by name at start-up.
    static CRuntimeClass* FromName(const char* className);
    static CObject* CreateObject(const char* className);
};

// Registers a class with the by-name registry during static initialisation.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* newClass);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* cls) const;

    static CRuntimeClass classCObject;
    static CRuntimeClass* _GetBaseClass() { return nullptr; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                                    \
public:                                                                                                                \
    static CRuntimeClass class##class_name;                                                                            \
    static CRuntimeClass* _GetBaseClass();                                                                             \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                                  \
    DECLARE_DYNAMIC(class_name)                                                                                        \
    static CObject* CreateObject();

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)                                                \
    CRuntimeClass* class_name::_GetBaseClass()                                                                         \
    {                                                                                                                  \
        return RUNTIME_CLASS(base_class_name);                                                                         \
    }                                                                                                                  \
    CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), pfnNew,                            \
                                                   &class_name::_GetBaseClass, nullptr};                               \
    static const AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);                                     \
    CRuntimeClass* class_name::GetRuntimeClass() const                                                                 \
    {                                                                                                                  \
        return RUNTIME_CLASS(class_name);                                                                              \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                               \
    CObject* class_name::CreateObject()                                                                                \
    {                                                                                                                  \
        return new class_name;                                                                                         \
    }                                                                                                                  \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, &class_name::CreateObject)

// Checked downcast: null when the object is not of the class.
template <class T> T* DYNAMIC_DOWNCAST_IMPL(CObject* object, const CRuntimeClass* cls)
{
    return (object && object->IsKindOf(cls)) ? static_cast<T*>(object) : nullptr;
}
#define DYNAMIC_DOWNCAST(class_name, object) DYNAMIC_DOWNCAST_IMPL<class_name>((object), RUNTIME_CLASS(class_name))
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name*>(object))
