// A print target service for tests: each print job is "printed" into
// enhanced metafiles, one per page, made on the screen as reference device,
// so a test reads back what each page holds. With Cancel() queued the next
// job is refused as a user's cancel would. Installed for the lifetime of
// the object; use it on one thread.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "framework/printjob.h"

class MetafilePrinter : public IPrintTargetService {
public:
    // One piece of text a page drew, at its reference point.
    struct Text {
        int x;
        int y;
        std::string text;
    };

    MetafilePrinter();
    ~MetafilePrinter() override;
    MetafilePrinter(const MetafilePrinter&) = delete;
    MetafilePrinter& operator=(const MetafilePrinter&) = delete;

    void Cancel() { m_cancels.push_back(true); }

    // The pages of every job so far, in order, and the documents' names.
    const std::vector<HENHMETAFILE>& Pages() const { return m_pages; }
    const std::vector<std::string>& Documents() const { return m_documents; }
    int Jobs() const { return m_jobs; }
    // Every text a page drew, in drawing order.
    static std::vector<Text> Texts(HENHMETAFILE page);
    // The page's text as lines: the pieces on one y joined left to right,
    // the lines from top to bottom.
    static std::vector<std::string> Lines(HENHMETAFILE page);

    std::unique_ptr<IPrintTarget> ChoosePrinter(HWND hWndOwner) override;

private:
    friend class MetafileTarget;
    std::deque<bool> m_cancels;
    std::vector<HENHMETAFILE> m_pages;
    std::vector<std::string> m_documents;
    int m_jobs = 0;
};
