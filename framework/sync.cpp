#include "framework/sync.h"

#include "framework/exceptions.h"

namespace {

HANDLE CheckCreated(HANDLE h)
{
    if (!h)
        AfxThrowResourceException();
    return h;
}

bool Acquired(DWORD result, DWORD count)
{
    return result < WAIT_OBJECT_0 + count || (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count);
}

} // namespace

CSyncObject::CSyncObject(LPCTSTR /*pstrName*/) : m_hObject(nullptr) {}

CSyncObject::~CSyncObject()
{
    if (m_hObject)
        ::CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD dwTimeout)
{
    return Acquired(::WaitForSingleObject(m_hObject, dwTimeout), 1);
}

CCriticalSection::CCriticalSection() : CSyncObject(nullptr)
{
    ::InitializeCriticalSection(&m_sect);
}

CCriticalSection::~CCriticalSection()
{
    ::DeleteCriticalSection(&m_sect);
}

BOOL CCriticalSection::Lock()
{
    ::EnterCriticalSection(&m_sect);
    return TRUE;
}

BOOL CCriticalSection::Lock(DWORD /*dwTimeout*/)
{
    return Lock();
}

BOOL CCriticalSection::Unlock()
{
    ::LeaveCriticalSection(&m_sect);
    return TRUE;
}

CMutex::CMutex(BOOL bInitiallyOwn, LPCTSTR lpszName, LPSECURITY_ATTRIBUTES lpsaAttribute) : CSyncObject(lpszName)
{
    m_hObject = CheckCreated(::CreateMutexA(lpsaAttribute, bInitiallyOwn, lpszName));
}

BOOL CMutex::Unlock()
{
    return ::ReleaseMutex(m_hObject);
}

CEvent::CEvent(BOOL bInitiallyOwn, BOOL bManualReset, LPCTSTR lpszName, LPSECURITY_ATTRIBUTES lpsaAttribute)
    : CSyncObject(lpszName)
{
    m_hObject = CheckCreated(::CreateEventA(lpsaAttribute, bManualReset, bInitiallyOwn, lpszName));
}

BOOL CEvent::SetEvent()
{
    return ::SetEvent(m_hObject);
}

BOOL CEvent::ResetEvent()
{
    return ::ResetEvent(m_hObject);
}

BOOL CEvent::PulseEvent()
{
    return ::PulseEvent(m_hObject);
}

CSemaphore::CSemaphore(LONG lInitialCount, LONG lMaxCount, LPCTSTR pstrName, LPSECURITY_ATTRIBUTES lpsaAttributes)
    : CSyncObject(pstrName)
{
    m_hObject = CheckCreated(::CreateSemaphoreA(lpsaAttributes, lInitialCount, lMaxCount, pstrName));
}

BOOL CSemaphore::Unlock()
{
    return Unlock(1, nullptr);
}

BOOL CSemaphore::Unlock(LONG lCount, LPLONG lprevCount)
{
    return ::ReleaseSemaphore(m_hObject, lCount, lprevCount);
}

CSingleLock::CSingleLock(CSyncObject* pObject, BOOL bInitialLock) : m_pObject(pObject)
{
    if (bInitialLock)
        Lock();
}

CSingleLock::~CSingleLock()
{
    Unlock();
}

BOOL CSingleLock::Lock(DWORD dwTimeout)
{
    if (!m_bAcquired && m_pObject)
        m_bAcquired = m_pObject->Lock(dwTimeout);
    return m_bAcquired;
}

BOOL CSingleLock::Unlock()
{
    if (m_bAcquired && m_pObject)
        m_bAcquired = !m_pObject->Unlock();
    return !m_bAcquired;
}

BOOL CSingleLock::Unlock(LONG lCount, LPLONG lPrevCount)
{
    if (m_bAcquired && m_pObject)
        m_bAcquired = !m_pObject->Unlock(lCount, lPrevCount);
    return !m_bAcquired;
}

CMultiLock::CMultiLock(CSyncObject* ppObjects[], DWORD dwCount, BOOL bInitialLock)
    : m_objects(ppObjects, ppObjects + dwCount), m_acquired(dwCount, FALSE)
{
    for (CSyncObject* object : m_objects)
        m_handles.push_back(object->m_hObject);
    if (bInitialLock)
        Lock();
}

CMultiLock::~CMultiLock()
{
    Unlock();
}

DWORD CMultiLock::Lock(DWORD dwTimeOut, BOOL bWaitForAll, DWORD dwWakeMask)
{
    DWORD count = static_cast<DWORD>(m_handles.size());
    DWORD result = dwWakeMask ? ::MsgWaitForMultipleObjects(count, m_handles.data(), bWaitForAll, dwTimeOut, dwWakeMask)
                              : ::WaitForMultipleObjects(count, m_handles.data(), bWaitForAll, dwTimeOut);
    if (Acquired(result, count)) {
        if (bWaitForAll) {
            for (DWORD i = 0; i < count; ++i)
                m_acquired[i] = TRUE;
        } else {
            DWORD index = result >= WAIT_ABANDONED_0 ? result - WAIT_ABANDONED_0 : result - WAIT_OBJECT_0;
            m_acquired[index] = TRUE;
        }
    }
    return result;
}

BOOL CMultiLock::Unlock()
{
    BOOL ok = TRUE;
    for (size_t i = 0; i < m_objects.size(); ++i) {
        if (m_acquired[i]) {
            m_acquired[i] = !m_objects[i]->Unlock();
            ok = ok && !m_acquired[i];
        }
    }
    return ok;
}

BOOL CMultiLock::Unlock(LONG lCount, LPLONG lPrevCount)
{
    BOOL ok = TRUE;
    for (size_t i = 0; i < m_objects.size(); ++i) {
        if (m_acquired[i]) {
            m_acquired[i] = !m_objects[i]->Unlock(lCount, lPrevCount);
            ok = ok && !m_acquired[i];
        }
    }
    return ok;
}

BOOL CMultiLock::IsLocked(DWORD dwItem) const
{
    return dwItem < m_acquired.size() && m_acquired[dwItem];
}
