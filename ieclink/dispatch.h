// Calling an automation object by member name: the link library reaches
// every object of the external IEC system through IDispatch, so nothing
// has to be registered for it beyond the application's class.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>

#include "framework/cstring.h"

// An automation call that failed: the code, and the description the
// object gave when it raised an exception (empty otherwise).
struct CAutomationError {
    HRESULT code;
    CString description;
};

// A VARIANT that clears itself.
class CVariant {
public:
    CVariant() { ::VariantInit(&m_v); }
    CVariant(long value);
    CVariant(int value) : CVariant(static_cast<long>(value)) {}
    // A 16-bit integer (VT_I2).
    static CVariant Short(short value);
    // An automation boolean (VT_BOOL: -1 true, 0 false).
    static CVariant Bool(bool value);
    CVariant(const char* text);
    CVariant(const CVariant& other);
    CVariant& operator=(const CVariant& other);
    ~CVariant() { ::VariantClear(&m_v); }

    VARIANT* Get() { return &m_v; }
    const VARIANT* Get() const { return &m_v; }

    // The value converted; 0, false or empty when it does not convert.
    long ToLong() const;
    bool ToBool() const;
    CString ToString() const;
    // Null for anything but an object; the caller gets its own reference.
    IDispatch* TakeDispatch() const;

private:
    VARIANT m_v;
};

// A counted reference to an automation object.
class CDispatchPtr {
public:
    CDispatchPtr() = default;
    // Takes over a reference the caller holds.
    explicit CDispatchPtr(IDispatch* p) : m_p(p) {}
    CDispatchPtr(const CDispatchPtr& other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CDispatchPtr& operator=(const CDispatchPtr& other)
    {
        if (other.m_p)
            other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }
    ~CDispatchPtr() { Release(); }

    explicit operator bool() const { return m_p != nullptr; }
    IDispatch* Get() const { return m_p; }
    void Release()
    {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }

    // Runs a member: a method call (Call), a property read (Read) or a
    // property write (Write), arguments in the member's own order. Throws
    // CAutomationError when the name is unknown or the call fails.
    CVariant Call(const char* name, std::initializer_list<CVariant> args = {}) const;
    CVariant Read(const char* name, std::initializer_list<CVariant> args = {}) const;
    void Write(const char* name, const CVariant& value) const;
    // A member whose value is an object: empty when it gives none.
    CDispatchPtr Object(const char* name, std::initializer_list<CVariant> args = {}) const;

private:
    CVariant Invoke(const char* name, WORD flags, std::initializer_list<CVariant> args) const;

    IDispatch* m_p = nullptr;
};
