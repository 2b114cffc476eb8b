// Synchronisation objects over the Win32 kernel objects, and the lock
// helpers that release them when they leave scope.
//
// A wait that returns WAIT_ABANDONED (the owner of a mutex ended without
// releasing it) counts as acquired: the caller owns the mutex then and must
// release it.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/object.h"

class CSyncObject : public CObject {
public:
    explicit CSyncObject(LPCTSTR pstrName);
    ~CSyncObject() override;
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;

    // TRUE when the object was acquired within dwTimeout milliseconds.
    virtual BOOL Lock(DWORD dwTimeout = INFINITE);
    virtual BOOL Unlock() = 0;
    virtual BOOL Unlock(LONG /*lCount*/, LPLONG /*lpPrevCount*/ = nullptr) { return TRUE; }

    operator HANDLE() const { return m_hObject; }

    HANDLE m_hObject;
};

// Recursive within one thread. It has no kernel handle, so it cannot take
// part in a CMultiLock, and Lock with a time-out blocks until it gets in.
class CCriticalSection : public CSyncObject {
public:
    CCriticalSection();
    ~CCriticalSection() override;

    BOOL Lock();
    BOOL Lock(DWORD dwTimeout) override;
    BOOL Unlock() override;
    using CSyncObject::Unlock;

    operator CRITICAL_SECTION*() { return &m_sect; }

    CRITICAL_SECTION m_sect;
};

// Throws CResourceException when the mutex cannot be created or opened.
class CMutex : public CSyncObject {
public:
    explicit CMutex(BOOL bInitiallyOwn = FALSE, LPCTSTR lpszName = nullptr,
                    LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);
    BOOL Unlock() override;
    using CSyncObject::Unlock;
};

// An auto-reset event (the default) lets one waiter through per SetEvent;
// a manual-reset event stays signalled until ResetEvent.
class CEvent : public CSyncObject {
public:
    explicit CEvent(BOOL bInitiallyOwn = FALSE, BOOL bManualReset = FALSE, LPCTSTR lpszName = nullptr,
                    LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);
    BOOL SetEvent();
    BOOL ResetEvent();
    BOOL PulseEvent();
    BOOL Unlock() override { return TRUE; }
    using CSyncObject::Unlock;
};

class CSemaphore : public CSyncObject {
public:
    explicit CSemaphore(LONG lInitialCount = 1, LONG lMaxCount = 1, LPCTSTR pstrName = nullptr,
                        LPSECURITY_ATTRIBUTES lpsaAttributes = nullptr);
    BOOL Unlock() override;
    BOOL Unlock(LONG lCount, LPLONG lprevCount = nullptr) override;
};

// Holds one sync object for a scope; the destructor releases it if held.
class CSingleLock {
public:
    explicit CSingleLock(CSyncObject* pObject, BOOL bInitialLock = FALSE);
    ~CSingleLock();
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    // Locking a lock that is already held does nothing and returns TRUE.
    BOOL Lock(DWORD dwTimeout = INFINITE);
    BOOL Unlock();
    BOOL Unlock(LONG lCount, LPLONG lPrevCount = nullptr);
    BOOL IsLocked() const { return m_bAcquired; }

private:
    CSyncObject* m_pObject;
    BOOL m_bAcquired = FALSE;
};

// Waits for several sync objects at once (any or all of them), optionally
// also for messages (dwWakeMask as for MsgWaitForMultipleObjects). Lock
// returns the wait's result: WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i,
// WAIT_OBJECT_0 + count for a message, WAIT_TIMEOUT or WAIT_FAILED. The
// destructor releases whatever is held. Critical sections cannot take part.
class CMultiLock {
public:
    CMultiLock(CSyncObject* ppObjects[], DWORD dwCount, BOOL bInitialLock = FALSE);
    ~CMultiLock();
    CMultiLock(const CMultiLock&) = delete;
    CMultiLock& operator=(const CMultiLock&) = delete;

    DWORD Lock(DWORD dwTimeOut = INFINITE, BOOL bWaitForAll = TRUE, DWORD dwWakeMask = 0);
    BOOL Unlock();
    BOOL Unlock(LONG lCount, LPLONG lPrevCount = nullptr);
    BOOL IsLocked(DWORD dwItem) const;

private:
    std::vector<CSyncObject*> m_objects;
    std::vector<HANDLE> m_handles;
    std::vector<BOOL> m_acquired;
};
