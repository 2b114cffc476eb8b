// CCheckProject: the "Check project" dialog of the project check. It shows
// the programs in the controller and in the project side by side, marks
// each as matching or failing, keeps a running log and a status line, and
// asks the check's questions with up to six answer buttons whose captions
// and values the check sets. The check waits in the dialog for the answer.
#pragma once

#include <atomic>

#include "framework/controls.h"
#include "framework/dialog.h"

class CCheckProject : public CDialog {
    DECLARE_DYNAMIC(CCheckProject)
public:
    static const int kButtons = 6;
    enum { IMAGE_UNJUDGED = 6, IMAGE_MATCHED = 7, IMAGE_FAILED = 8 };

    CCheckProject();
    ~CCheckProject() override;
    BOOL Create(CWnd* pParentWnd = nullptr);

    void SetQuestion(LPCSTR text);
    // Index 0..5: caption, shown and enabled, the answer value; makeDefault
    // makes it the default. The default button then takes the focus.
    void SetButton(int index, LPCSTR caption, int value, BOOL makeDefault);
    void EnableButton(int index, BOOL enable);
    void ClearButtons();
    // Waits (answering this thread's messages) until a button is pressed
    // or the dialog closes; the answer.
    int WaitForAnswer();
    int GetAnswer(BOOL wait);
    void SetClosing() { m_bClosing = true; }
    BOOL IsIdle() const { return !m_bWaiting.load(); }

    void AddMessage(LPCSTR format, ...);
    CString GetLogText() const { return m_strLog; }
    void SetStatus(LPCSTR text);

    void SetControllerRoot(LPCSTR modelName);
    void SetProjectRoot(LPCSTR modelName);
    void AddControllerProgram(LPCSTR name);
    void AddProjectProgram(LPCSTR name);
    BOOL SelectControllerProgram(LPCSTR name);
    BOOL SelectProjectProgram(LPCSTR name);
    BOOL RemoveControllerProgram(LPCSTR name);
    BOOL RemoveProjectProgram(LPCSTR name);
    void MarkProgram(LPCSTR name, BOOL matched);
    void ClearControllerTree(BOOL keepRoot);
    void ClearProjectTree(BOOL keepRoot);
    void ClearTrees();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void SetRoot(CTreeCtrl& tree, LPCSTR text);
    void AddProgram(CTreeCtrl& tree, LPCSTR name, bool makeRoot);
    HTREEITEM FindProgram(CTreeCtrl& tree, LPCSTR name);
    void ClearTree(CTreeCtrl& tree, BOOL keepRoot);

    CButton m_buttons[kButtons];
    int m_values[kButtons];
    int m_nDefault = -1;
    int m_nAnswer = 2;
    std::atomic<bool> m_bWaiting{false};
    std::atomic<bool> m_bClosing{false};
    CString m_strRoot = "Unknown";
    CString m_strLog;
    CTreeCtrl m_controllerTree;
    CTreeCtrl m_projectTree;
    CEdit m_question;
    CEdit m_log;
};
