#include "standins/iecsystem/automation.h"

#include <algorithm>

#include "standins/iecsystem/iecmodel.h"

namespace iecstandin {

namespace {

// Every member name any object answers; the DISPID is the index plus one.
const char* const kMembers[] = {
    "OpenProject", "IsProjectOpen", "Close", "GetCommandId", "Visible", "CurrentProject", "ExecuteCommand",
    "UserCloseLock", "Path", "Hardware", "Pous", "CreateProject", "Compile", "Libraries", "Configurations", "Item",
    "Count", "Add", "Name", "PlcType", "Resources", "Tasks", "IOGroups", "ImportSettings", "ShowControlDialog",
    "RunQuery", "ProgramInstances", "Delete", "Driver", "ProcessorType", "Type",
};
const std::size_t kMemberCount = sizeof kMembers / sizeof kMembers[0];

std::string Narrow(const wchar_t* text)
{
    if (!text)
        return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, s.data(), n, nullptr, nullptr);
    s.resize(strlen(s.c_str()));
    return s;
}

std::wstring Widen(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, w.data(), n);
    w.resize(wcslen(w.c_str()));
    return w;
}

const VARIANT& Arg(const std::vector<VARIANT>& args, std::size_t index)
{
    if (index >= args.size())
        throw MemberError{DISP_E_BADPARAMCOUNT};
    return args[index];
}

VARIANT Converted(const VARIANT& in, VARTYPE type)
{
    VARIANT out;
    VariantInit(&out);
    if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&in), 0, type)))
        throw MemberError{DISP_E_TYPEMISMATCH};
    return out;
}

} // namespace

HRESULT CAutomationObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CAutomationObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

ULONG CAutomationObject::Release()
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT CAutomationObject::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

HRESULT CAutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CAutomationObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        const std::string name = Narrow(names[i]);
        for (std::size_t m = 0; m < kMemberCount; ++m) {
            if (SameText(name, kMembers[m]))
                ids[i] = static_cast<DISPID>(m + 1);
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CAutomationObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* info, UINT*)
{
    if (id < 1 || static_cast<std::size_t>(id) > kMemberCount)
        return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANT> args;
    if (params) {
        // Arguments come last first.
        for (UINT i = params->cArgs; i > 0; --i)
            args.push_back(params->rgvarg[i - 1]);
    }
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    VARIANT value;
    VariantInit(&value);
    try {
        if (!Run(kMembers[id - 1], put, args, value))
            return DISP_E_MEMBERNOTFOUND;
    } catch (const MemberError& error) {
        VariantClear(&value);
        if (error.code == DISP_E_BADPARAMCOUNT || error.code == DISP_E_TYPEMISMATCH)
            return error.code;
        if (info) {
            ZeroMemory(info, sizeof *info);
            info->scode = error.code;
            info->bstrSource = SysAllocString(L"IEC stand-in");
        }
        return DISP_E_EXCEPTION;
    }
    if (result)
        *result = value;
    else
        VariantClear(&value);
    return S_OK;
}

std::string ArgText(const std::vector<VARIANT>& args, std::size_t index)
{
    VARIANT v = Converted(Arg(args, index), VT_BSTR);
    std::string text = Narrow(v.bstrVal);
    VariantClear(&v);
    return text;
}

long ArgLong(const std::vector<VARIANT>& args, std::size_t index)
{
    VARIANT v = Converted(Arg(args, index), VT_I4);
    return v.lVal;
}

bool ArgBool(const std::vector<VARIANT>& args, std::size_t index)
{
    VARIANT v = Converted(Arg(args, index), VT_BOOL);
    return v.boolVal != VARIANT_FALSE;
}

void SetText(VARIANT& v, const std::string& text)
{
    VariantClear(&v);
    const std::wstring w = Widen(text);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(w.c_str(), static_cast<UINT>(w.size()));
}

void SetLong(VARIANT& v, long value)
{
    VariantClear(&v);
    v.vt = VT_I4;
    v.lVal = value;
}

void SetBool(VARIANT& v, bool value)
{
    VariantClear(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetObject(VARIANT& v, IDispatch* object)
{
    VariantClear(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
}

} // namespace iecstandin
