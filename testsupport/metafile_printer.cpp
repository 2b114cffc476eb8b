#include "testsupport/metafile_printer.h"

#include <algorithm>
#include <map>

class MetafileTarget : public IPrintTarget {
public:
    explicit MetafileTarget(MetafilePrinter& printer) : m_printer(printer)
    {
        m_screen = ::GetDC(nullptr);
        m_reference.Attach(::CreateCompatibleDC(m_screen));
    }
    ~MetafileTarget() override
    {
        if (m_page.m_hDC)
            ::DeleteEnhMetaFile(::CloseEnhMetaFile(m_page.Detach()));
        ::DeleteDC(m_reference.Detach());
        ::ReleaseDC(nullptr, m_screen);
    }
    CDC* StartDoc(LPCTSTR lpszDocName) override
    {
        m_printer.m_documents.emplace_back(lpszDocName ? lpszDocName : "");
        return &m_reference;
    }
    CDC* StartPage() override
    {
        HDC hDC = ::CreateEnhMetaFileA(m_screen, nullptr, nullptr, nullptr);
        if (!hDC)
            return nullptr;
        m_page.Attach(hDC);
        return &m_page;
    }
    BOOL EndPage() override
    {
        HENHMETAFILE page = ::CloseEnhMetaFile(m_page.Detach());
        if (!page)
            return FALSE;
        m_printer.m_pages.push_back(page);
        return TRUE;
    }
    void EndDoc(BOOL) override {}

private:
    MetafilePrinter& m_printer;
    HDC m_screen = nullptr;
    CDC m_reference;
    CDC m_page;
};

MetafilePrinter::MetafilePrinter()
{
    AfxSetPrintTargetService(this);
}

MetafilePrinter::~MetafilePrinter()
{
    AfxSetPrintTargetService(nullptr);
    for (HENHMETAFILE page : m_pages)
        ::DeleteEnhMetaFile(page);
}

std::unique_ptr<IPrintTarget> MetafilePrinter::ChoosePrinter(HWND)
{
    ++m_jobs;
    if (!m_cancels.empty()) {
        m_cancels.pop_front();
        return nullptr;
    }
    return std::make_unique<MetafileTarget>(*this);
}

namespace {

int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data)
{
    auto& texts = *reinterpret_cast<std::vector<MetafilePrinter::Text>*>(data);
    if (record->iType != EMR_EXTTEXTOUTA && record->iType != EMR_EXTTEXTOUTW)
        return 1;
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTA*>(record);
    const BYTE* base = reinterpret_cast<const BYTE*>(record);
    std::string out;
    if (record->iType == EMR_EXTTEXTOUTA) {
        out.assign(reinterpret_cast<const char*>(base + text->emrtext.offString), text->emrtext.nChars);
    } else {
        const auto* wide = reinterpret_cast<const WCHAR*>(base + text->emrtext.offString);
        for (DWORD i = 0; i < text->emrtext.nChars; ++i)
            out.push_back(static_cast<char>(wide[i]));
    }
    texts.push_back({text->emrtext.ptlReference.x, text->emrtext.ptlReference.y, out});
    return 1;
}

} // namespace

std::vector<MetafilePrinter::Text> MetafilePrinter::Texts(HENHMETAFILE page)
{
    std::vector<Text> texts;
    ::EnumEnhMetaFile(nullptr, page, CollectText, &texts, nullptr);
    return texts;
}

std::vector<std::string> MetafilePrinter::Lines(HENHMETAFILE page)
{
    std::map<int, std::vector<Text>> rows;
    for (const Text& text : Texts(page))
        rows[text.y].push_back(text);
    std::vector<std::string> lines;
    for (auto& row : rows) {
        std::stable_sort(row.second.begin(), row.second.end(), [](const Text& a, const Text& b) { return a.x < b.x; });
        std::string line;
        for (const Text& text : row.second)
            line += text.text;
        lines.push_back(line);
    }
    return lines;
}
