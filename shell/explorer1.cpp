#include "shell/explorer1.h"

#include <cctype>
#include <cstdlib>

#include "foundation/safefile.h"

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The element name of a tag's text ("/p" gives "p"), in lower case.
std::string TagName(const std::string& tag)
{
    size_t at = tag.empty() || tag[0] != '/' ? 0 : 1;
    size_t end = at;
    while (end < tag.size() && std::isalnum(static_cast<unsigned char>(tag[end])))
        ++end;
    return Lower(tag.substr(at, end - at));
}

bool EndsBlock(const std::string& name)
{
    static const char* const kBlocks[] = {"br", "p",  "div", "li", "tr", "h1", "h2", "h3", "h4",
                                          "h5", "h6", "ul",  "ol", "table", "title", "pre", "hr"};
    for (const char* block : kBlocks)
        if (name == block)
            return true;
    return false;
}

// A character reference at text[at] ('&'): its character and length, or
// 0 when it is none.
size_t DecodeReference(const std::string& text, size_t at, std::string& out)
{
    const size_t end = text.find(';', at);
    if (end == std::string::npos || end - at > 10)
        return 0;
    const std::string name = text.substr(at + 1, end - at - 1);
    static const struct {
        const char* name;
        const char* text;
    } kNamed[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& entity : kNamed) {
        if (name == entity.name) {
            out += entity.text;
            return end - at + 1;
        }
    }
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        char* stop = nullptr;
        const long code = std::strtol(name.c_str() + (hex ? 2 : 1), &stop, hex ? 16 : 10);
        if (stop && *stop == '\0' && code > 0 && code < 256) {
            out += code == 160 ? ' ' : static_cast<char>(code);
            return end - at + 1;
        }
    }
    return 0;
}

} // namespace

std::string HtmlToText(const std::string& html)
{
    std::string text;
    bool space = false; // white space waits to be written
    const auto lineEnd = [&] {
        space = false;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0))
            text += "\r\n";
    };
    size_t at = 0;
    while (at < html.size()) {
        const char c = html[at];
        if (c == '<') {
            if (html.compare(at, 4, "<!--") == 0) {
                const size_t end = html.find("-->", at + 4);
                at = end == std::string::npos ? html.size() : end + 3;
                continue;
            }
            const size_t end = html.find('>', at);
            if (end == std::string::npos)
                break;
            const std::string name = TagName(html.substr(at + 1, end - at - 1));
            at = end + 1;
            if (name == "script" || name == "style") {
                const size_t close = Lower(html).find("</" + name, at);
                at = close == std::string::npos ? html.size() : html.find('>', close);
                at = at == std::string::npos ? html.size() : at + 1;
                continue;
            }
            if (EndsBlock(name))
                lineEnd();
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !text.empty() && text.back() != '\n';
            ++at;
            continue;
        }
        if (space) {
            text += ' ';
            space = false;
        }
        if (c == '&') {
            const size_t used = DecodeReference(html, at, text);
            if (used > 0) {
                at += used;
                continue;
            }
        }
        text += c;
        ++at;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

BOOL CExplorer1::Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::CreateEx(WS_EX_CLIENTEDGE, "EDIT", lpszWindowName,
                          dwStyle | WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, rect,
                          pParentWnd, nID);
}

BOOL CExplorer1::Navigate(LPCTSTR lpszURL)
{
    m_strLocation = lpszURL ? lpszURL : "";
    CString path = m_strLocation;
    if (path.Left(5).CompareNoCase("file:") == 0) {
        path = path.Mid(5);
        while (path.Left(1) == "/")
            path = path.Mid(1);
        path.Replace('/', '\\');
    }
    std::string page;
    BOOL exists = FALSE;
    if (path.IsEmpty() || !ReadWholeFileBytes(path, page, &exists)) {
        CString text;
        text.Format("The page %s could not be opened: %s.", m_strLocation.GetString(),
                    exists ? "it could not be read" : "there is no such file");
        SetWindowText(text);
        return FALSE;
    }
    const std::string lower = Lower(page.substr(0, 512));
    const CString extension = path.Mid(path.ReverseFind('.') + 1);
    if (extension.CompareNoCase("htm") == 0 || extension.CompareNoCase("html") == 0 ||
        lower.find("<html") != std::string::npos) {
        page = HtmlToText(page);
    }
    SetWindowText(page.c_str());
    return TRUE;
}
