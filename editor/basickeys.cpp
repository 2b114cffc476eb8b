#include "editor/basickeys.h"

#include <cctype>
#include <cstdlib>

#include "editor/linetokens.h"
#include "foundation/xmlparse.h"

namespace editor {
namespace {

enum ReaderState {
    kOutside = 0,
    kInRoot = 1,
    kInKeywords = 2,
    kInKeyword = 3,
    kFirstField = 4, // id; the fields follow in kFieldNames order
};

const char* const kFieldNames[] = {"id",         "type",       "name",  "min_quotes", "max_quotes",
                                   "min_params", "max_params", "modifier", "flags",   "value",
                                   "parameters", "subsequence", "brackets"};
constexpr int kFieldCount = sizeof(kFieldNames) / sizeof(kFieldNames[0]);

bool BeginsNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// Decimal text as StrToIntA reads it: optional sign, digits; 0 when it does
// not begin with a number. Values past the int range stop at its ends.
int DecimalValue(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        value = 2147483647LL;
    return static_cast<int>(value);
}

void StoreField(CBasicKeyRecord& record, int field, const std::string& text, bool& sawBrackets)
{
    switch (field) {
    case 0: record.id = DecimalValue(text); break;
    case 1: record.type = text; break;
    case 2: record.name = text; break;
    case 3: record.minQuotes = DecimalValue(text); break;
    case 4: record.maxQuotes = DecimalValue(text); break;
    case 5: record.minParams = DecimalValue(text); break;
    case 6: record.maxParams = DecimalValue(text); break;
    case 7: record.modifier = DecimalValue(text); break;
    case 8: record.flags = text; break;
    case 9: record.value = text; break;
    case 10: record.parameters = text; break;
    case 11: record.subsequence = DecimalValue(text); break;
    case 12:
        record.brackets = EqualNoCase(text, "true") ? 1 : 0;
        sawBrackets = true;
        break;
    default: break;
    }
}

int StateOfOpenTag(int state, const std::string& tag)
{
    if (state == kOutside && tag == "vexo_basic")
        return kInRoot;
    if (state == kInRoot && tag == "keywords")
        return kInKeywords;
    if (state == kInKeywords && tag == "keyword")
        return kInKeyword;
    if (state == kInKeyword)
        for (int f = 0; f < kFieldCount; ++f)
            if (tag == kFieldNames[f])
                return kFirstField + f;
    return -1;
}

} // namespace

bool ReadKeywordFile(const KeywordLineSource& source, std::vector<CBasicKeyRecord>& records, std::string& error)
{
    records.clear();
    error.clear();
    CXMLScanner scanner;
    const CXMLScanner::LineSource lines = [&source](CString& line) {
        std::string text;
        if (!source(text))
            return false;
        line = text.c_str();
        return true;
    };
    std::vector<std::string> stack; // open elements; their states follow from the names
    std::vector<int> states;        // state in force inside each open element
    int state = kOutside;
    size_t skipDepth = 0; // open elements when a skipped one began; 0 none
    CBasicKeyRecord record;
    bool sawBrackets = false;
    auto fail = [&](const std::string& why) {
        records.clear();
        error = why;
        return false;
    };

    CString markup, content;
    int kind = XML_ITEM_NONE;
    while (scanner.ReadItem(lines, markup, content, kind)) {
        if (kind != XML_ITEM_TAG)
            continue;
        CXMLTagInfo tag;
        if (!tag.ParseTag(markup))
            continue;
        const std::string name = static_cast<LPCSTR>(tag.m_name);
        if (tag.m_emptyElement)
            continue;
        if (!tag.m_endTag) {
            stack.push_back(name);
            if (skipDepth == 0) {
                const int next = StateOfOpenTag(state, name);
                if (next < 0 && state <= kInKeyword)
                    skipDepth = stack.size();
                else if (next >= 0)
                    state = next;
                else
                    skipDepth = stack.size(); // an element inside a field
            }
            states.push_back(state);
            continue;
        }
        if (stack.empty() || stack.back() != name)
            return fail("end tag </" + name + "> closes " + (stack.empty() ? std::string("nothing") : "<" + stack.back() + ">"));
        const bool closesSkipped = skipDepth == stack.size();
        stack.pop_back();
        states.pop_back();
        if (skipDepth != 0) {
            if (closesSkipped)
                skipDepth = 0;
            continue;
        }
        if (state >= kFirstField) {
            StoreField(record, state - kFirstField, static_cast<LPCSTR>(content), sawBrackets);
        } else if (state == kInKeyword) {
            if (sawBrackets)
                records.push_back(record);
            record = CBasicKeyRecord();
            sawBrackets = false;
        } else if (state == kOutside) {
            return fail("end tag </" + name + "> in no known element");
        }
        state = states.empty() ? kOutside : states.back();
    }
    if (kind == XML_ITEM_ERROR)
        return fail("markup cut off at line " + std::to_string(scanner.GetErrorLine()));
    return true;
}

bool CBasicKeyTable::EnsureLoaded(const std::function<bool(std::vector<CBasicKeyRecord>&)>& load)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_loaded)
        return true;
    m_records.clear();
    std::vector<CBasicKeyRecord> read;
    if (load(read) && !read.empty()) {
        m_records = std::move(read);
        m_loaded = true;
    }
    return m_loaded;
}

bool CBasicKeyTable::IsLoaded() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_loaded;
}

void CBasicKeyTable::Reset()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_records.clear();
    m_loaded = false;
}

int CBasicKeyTable::FindLocked(const std::string& text, int after, bool wholeName) const
{
    for (size_t i = after < 0 ? 0 : static_cast<size_t>(after) + 1; i < m_records.size(); ++i)
        if (wholeName ? EqualNoCase(m_records[i].name, text) : BeginsNoCase(m_records[i].name, text))
            return static_cast<int>(i);
    return -1;
}

int CBasicKeyTable::FindKeywordByPrefix(const std::string& prefix, int after) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return FindLocked(prefix, after, false);
}

int CBasicKeyTable::FindKeyword(const std::string& name, int after) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return FindLocked(name, after, true);
}

CBasicKeyRecord CBasicKeyTable::Record(int index) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_records.size())
        return {};
    return m_records[static_cast<size_t>(index)];
}

int CBasicKeyTable::Count() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int>(m_records.size());
}

int CBasicKeyTable::GetCompletions(const std::string& prefix, std::vector<std::string>& list, bool noDuplicates) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    list.clear();
    for (const CBasicKeyRecord& r : m_records) {
        if (!BeginsNoCase(r.name, prefix))
            continue;
        bool seen = false;
        if (noDuplicates)
            for (const std::string& n : list)
                seen = seen || EqualNoCase(n, r.name);
        if (!seen)
            list.push_back(r.name);
    }
    return static_cast<int>(list.size());
}

int CBasicKeyTable::GetCommandTemplates(const std::string& name, std::vector<std::string>& list) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    list.clear();
    for (const CBasicKeyRecord& r : m_records)
        if (EqualNoCase(r.name, name))
            list.push_back(r.name + " " + r.parameters);
    return static_cast<int>(list.size());
}

CBasicKeyTable& CBasicKeyTable::Instance()
{
    static CBasicKeyTable table;
    return table;
}

} // namespace editor
