#include "ieclink/dispatch.h"

#include <string>
#include <vector>

namespace {

std::wstring Widen(const char* text)
{
    if (!text || !*text)
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

CString Narrow(const wchar_t* text, UINT length)
{
    if (!text || !length)
        return CString();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    CString result;
    char* buffer = result.GetBufferSetLength(n);
    ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), buffer, n, nullptr, nullptr);
    result.ReleaseBuffer(n);
    return result;
}

} // namespace

CVariant::CVariant(long value)
{
    ::VariantInit(&m_v);
    m_v.vt = VT_I4;
    m_v.lVal = value;
}

CVariant CVariant::Short(short value)
{
    CVariant v;
    v.m_v.vt = VT_I2;
    v.m_v.iVal = value;
    return v;
}

CVariant CVariant::Bool(bool value)
{
    CVariant v;
    v.m_v.vt = VT_BOOL;
    v.m_v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

CVariant::CVariant(const char* text)
{
    ::VariantInit(&m_v);
    const std::wstring wide = Widen(text);
    m_v.vt = VT_BSTR;
    m_v.bstrVal = ::SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
}

CVariant::CVariant(const CVariant& other)
{
    ::VariantInit(&m_v);
    ::VariantCopy(&m_v, const_cast<VARIANT*>(&other.m_v));
}

CVariant& CVariant::operator=(const CVariant& other)
{
    if (this != &other) {
        ::VariantClear(&m_v);
        ::VariantCopy(&m_v, const_cast<VARIANT*>(&other.m_v));
    }
    return *this;
}

long CVariant::ToLong() const
{
    VARIANT v;
    ::VariantInit(&v);
    long result = 0;
    if (SUCCEEDED(::VariantChangeType(&v, const_cast<VARIANT*>(&m_v), 0, VT_I4)))
        result = v.lVal;
    ::VariantClear(&v);
    return result;
}

bool CVariant::ToBool() const
{
    VARIANT v;
    ::VariantInit(&v);
    bool result = false;
    if (SUCCEEDED(::VariantChangeType(&v, const_cast<VARIANT*>(&m_v), 0, VT_BOOL)))
        result = v.boolVal != VARIANT_FALSE;
    ::VariantClear(&v);
    return result;
}

CString CVariant::ToString() const
{
    if (m_v.vt == VT_BSTR)
        return Narrow(m_v.bstrVal, ::SysStringLen(m_v.bstrVal));
    VARIANT v;
    ::VariantInit(&v);
    CString result;
    if (SUCCEEDED(::VariantChangeType(&v, const_cast<VARIANT*>(&m_v), 0, VT_BSTR)))
        result = Narrow(v.bstrVal, ::SysStringLen(v.bstrVal));
    ::VariantClear(&v);
    return result;
}

IDispatch* CVariant::TakeDispatch() const
{
    IDispatch* p = nullptr;
    if (m_v.vt == VT_DISPATCH)
        p = m_v.pdispVal;
    else if (m_v.vt == (VT_DISPATCH | VT_BYREF) && m_v.ppdispVal)
        p = *m_v.ppdispVal;
    if (p)
        p->AddRef();
    return p;
}

CVariant CDispatchPtr::Invoke(const char* name, WORD flags, std::initializer_list<CVariant> args) const
{
    if (!m_p)
        throw CAutomationError{E_POINTER, CString()};
    std::wstring wide = Widen(name);
    LPOLESTR names[1] = {wide.data()};
    DISPID id = 0;
    HRESULT hr = m_p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        throw CAutomationError{hr, CString()};

    // Automation passes arguments last first.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        reversed.push_back(*it->Get());
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    CVariant result;
    EXCEPINFO info{};
    UINT badArg = 0;
    hr = m_p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                     (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.Get(), &info, &badArg);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        CAutomationError error{info.scode ? info.scode : E_FAIL,
                               Narrow(info.bstrDescription, ::SysStringLen(info.bstrDescription))};
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
        throw error;
    }
    if (FAILED(hr))
        throw CAutomationError{hr, CString()};
    return result;
}

CVariant CDispatchPtr::Call(const char* name, std::initializer_list<CVariant> args) const
{
    return Invoke(name, DISPATCH_METHOD, args);
}

CVariant CDispatchPtr::Read(const char* name, std::initializer_list<CVariant> args) const
{
    return Invoke(name, DISPATCH_PROPERTYGET, args);
}

void CDispatchPtr::Write(const char* name, const CVariant& value) const
{
    Invoke(name, DISPATCH_PROPERTYPUT, {value});
}

CDispatchPtr CDispatchPtr::Object(const char* name, std::initializer_list<CVariant> args) const
{
    return CDispatchPtr(Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args).TakeDispatch());
}
