// A small automation object: IDispatch over one table of member names,
// each object answering the members it has.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace iecstandin {

// A failed member: the code reaches the caller as an automation exception.
struct MemberError {
    HRESULT code;
};

class CAutomationObject : public IDispatch {
public:
    CAutomationObject() = default;
    virtual ~CAutomationObject() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override;

protected:
    // Runs member name (as the table spells it) with its arguments in the
    // member's order. put is true for a property write, whose value is the
    // last argument. Throws MemberError; returns false for a member this
    // object does not have.
    virtual bool Run(const std::string& name, bool put, const std::vector<VARIANT>& args, VARIANT& result) = 0;

private:
    LONG m_refs = 1;
};

// Argument helpers: throw MemberError(DISP_E_BADPARAMCOUNT or
// DISP_E_TYPEMISMATCH) when the argument is missing or does not convert.
std::string ArgText(const std::vector<VARIANT>& args, std::size_t index);
long ArgLong(const std::vector<VARIANT>& args, std::size_t index);
bool ArgBool(const std::vector<VARIANT>& args, std::size_t index);

void SetText(VARIANT& v, const std::string& text);
void SetLong(VARIANT& v, long value);
void SetBool(VARIANT& v, bool value);
// Takes over the caller's reference.
void SetObject(VARIANT& v, IDispatch* object);

} // namespace iecstandin
