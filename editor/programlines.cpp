#include "editor/programlines.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "editor/linetokens.h"

namespace editor {
namespace {

class DiskFiles : public IProgramFiles {
public:
    bool Exists(const std::string& path) override
    {
        std::ifstream in(path, std::ios::binary);
        return in.good();
    }

    bool ReadText(const std::string& path, std::string& text) override
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    }
};

std::string UpperKey(std::string path)
{
    for (char& c : path)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return path;
}

} // namespace

IProgramFiles& DiskProgramFiles()
{
    static DiskFiles files;
    return files;
}

bool CEditRDocLines::SetFilePath(const std::string& path, IProgramFiles& files)
{
    if (!path.empty() && files.Exists(path)) {
        m_path = path;
        return true;
    }
    m_path.clear();
    return false;
}

void CEditRDocLines::Clear()
{
    m_lines.clear();
    m_labels.clear();
    m_names.clear();
}

bool CEditRDocLines::ReadFile(IProgramFiles& files)
{
    IncludeGathering gathering;
    return ReadFile(files, gathering);
}

bool CEditRDocLines::ReadFile(IProgramFiles& files, IncludeGathering& gathering)
{
    Clear();
    std::string bytes;
    if (m_path.empty() || !files.ReadText(m_path, bytes))
        return false;
    std::vector<TextLine> texts = SplitTextLines(bytes);
    m_lineEnd = "\r\n";
    for (const TextLine& text : texts) {
        if (!text.end.empty()) {
            m_lineEnd = text.end;
            break;
        }
    }
    m_finalLineEnd = texts.empty() || !texts.back().end.empty();
    m_lines.reserve(texts.size());
    for (TextLine& text : texts) {
        CEditRLine line;
        line.SetFileType(m_fileType);
        line.SetNameLimit(m_nameLimit);
        line.SetText(text.text, true);
        line.SetLineEnd(std::move(text.end));
        line.ClearFlags();
        m_lines.push_back(std::move(line));
    }
    return GatherNames(files, gathering);
}

std::string CEditRDocLines::FileText() const
{
    std::string out;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        out += m_lines[i].Text();
        if (i + 1 < m_lines.size() || m_finalLineEnd)
            out += m_lines[i].LineEnd().empty() ? m_lineEnd : m_lines[i].LineEnd();
    }
    return out;
}

void CEditRDocLines::GatherLabels()
{
    m_labels.clear();
    for (const CEditRLine& line : m_lines) {
        const std::string label = line.GetLabel();
        if (!label.empty() && std::find(m_labels.begin(), m_labels.end(), label) == m_labels.end())
            m_labels.push_back(label);
    }
}

bool CEditRDocLines::GatherNames(IProgramFiles& files)
{
    IncludeGathering gathering;
    return GatherNames(files, gathering);
}

bool CEditRDocLines::GatherNames(IProgramFiles& files, IncludeGathering& gathering)
{
    if (gathering.depth >= IncludeGathering::kMaxDepth)
        return false;
    struct Level {
        int& depth;
        explicit Level(int& d) : depth(d) { ++depth; }
        ~Level() { --depth; }
    } level(gathering.depth);

    m_names.clear();
    if (m_fileType != kFileTypeBasic)
        return true;
    GatherLabels();
    if (!m_path.empty())
        gathering.visited.insert(UpperKey(m_path));

    bool ok = true;
    for (const CEditRLine& line : m_lines) {
        const std::string included = line.GetInclude();
        if (included.empty()) {
            MergeNames(m_names, NamesUsed(line.Text(), line.States()));
            continue;
        }
        const std::string path = GetSiblingPath(included);
        if (path.empty() || !files.Exists(path)) {
            ok = false;
            continue;
        }
        if (gathering.visited.count(UpperKey(path)))
            continue; // read already in this walk
        if (gathering.depth >= IncludeGathering::kMaxDepth) {
            ok = false; // nested too deep: refused without reading the file
            continue;
        }
        CEditRDocLines other;
        other.m_fileType = FileTypeOfPath(path);
        other.m_nameLimit = m_nameLimit;
        other.m_path = path;
        if (!other.ReadFile(files, gathering))
            ok = false;
        MergeNames(m_names, other.m_names);
    }
    return ok;
}

std::string CEditRDocLines::GetSiblingPath(const std::string& name) const
{
    const size_t slash = m_path.find_last_of('\\');
    if (slash == std::string::npos || slash == 0)
        return {};
    const size_t dot = m_path.find_last_of('.');
    if (dot == std::string::npos || dot < slash)
        return {};
    return m_path.substr(0, slash + 1) + name + m_path.substr(dot);
}

int CEditRDocLines::FindNameIndex(const std::string& name) const
{
    const auto it = std::find(m_names.begin(), m_names.end(), name);
    return it == m_names.end() ? -1 : static_cast<int>(it - m_names.begin());
}

void CEditRDocLines::MergeNames(std::vector<std::string>& target, const std::vector<std::string>& source)
{
    for (const std::string& name : source)
        if (std::find(target.begin(), target.end(), name) == target.end())
            target.push_back(name);
}

std::string ReformatLine(const CEditRLine& line, int& level, int tabIndent, int codeStart, bool& overlong)
{
    // The first token that is not white space decides whether the line is
    // indented: labels and comments stay at the left edge.
    int first = 0;
    int state = kStateUnknown;
    std::string token = line.GetToken(first, state);
    while (state == kStateSpace)
        token = line.GetToken(++first, state);
    const bool noToken = state == kStateUnknown && token.empty();
    int indent = 0;
    int scan = first;
    if (noToken || state == kStateLabel || state == kStateComment)
        scan = first + 1;
    else
        indent = tabIndent * level + codeStart;

    bool ifSeen = false, thenSeen = false, outdent = false;
    for (int n = scan;; ++n) {
        token = line.GetToken(n, state);
        if (state == kStateUnknown && token.empty())
            break;
        if (state == kStateSpace)
            continue;
        if (state == kStateKeyword) {
            if (token == "IF") {
                ifSeen = true;
                continue;
            }
            if (token == "THEN") {
                thenSeen = thenSeen || ifSeen;
                continue;
            }
            if (token == "FOR" || token == "WHILE" || token == "REPEAT") {
                ++level;
                break;
            }
            if (token == "ELSE" || token == "ELSEIF") {
                outdent = level > 0;
                break;
            }
            if (token == "ENDIF" || token == "NEXT" || token == "WEND" || token == "UNTIL") {
                if (level > 0) {
                    --level;
                    outdent = true;
                }
                break;
            }
        }
        if (thenSeen) {
            if (state != kStateComment)
                ifSeen = thenSeen = false; // a one-line IF
            break;
        }
        if (!ifSeen)
            break;
    }
    if (thenSeen)
        ++level;
    if (outdent && indent >= tabIndent)
        indent -= tabIndent;
    return IndentedCopy(line.Text(), indent, overlong);
}

} // namespace editor
