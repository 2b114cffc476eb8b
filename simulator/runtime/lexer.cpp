#include "simulator/runtime/lexer.h"

#include "simulator/runtime/errors.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

bool IsBlank(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

char ToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char ToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The operation letters of the "&" short form, by their codes.
int EditOperationCode(char letter)
{
    switch (ToUpper(letter)) {
    case 'I':
        return 1;
    case 'S':
        return 2;
    case 'D':
        return 3;
    case 'L':
        return 4;
    case 'N':
        return 5;
    case 'A':
        return 6;
    case 'C':
        return 7;
    case 'R':
        return 8;
    case 'K':
    case 'X': // the second check value, which this controller's programs lack: 0
        return 9;
    case 'Z':
        return 10;
    default:
        return 0;
    }
}

class Lexer {
public:
    Lexer(std::string_view text, uint8_t* out, int capacity, int mode)
        : m_text(text), m_out(out), m_capacity(capacity), m_mode(mode)
    {
    }

    // Scans lexemes until the end code is written; returns the length.
    int Run(int32_t& error)
    {
        while (!m_done && m_error == 0)
            ScanLexeme();
        error = m_error;
        if (m_error != 0) {
            if (m_capacity > 0)
                m_out[0] = kTokZero;
            return m_capacity > 0 ? 1 : 0;
        }
        return m_written;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    uint8_t* m_out;
    int m_capacity;
    int m_written = 0;
    int m_mode;
    int m_remembered = -1; // keyword row whose next word is a program name
    bool m_assignmentSeen = false;
    // Nothing but blanks and labels stands before this point of the
    // statement: only here can a word followed by ":" be a label.
    bool m_statementStart = true;
    bool m_wordAtStatementStart = false;
    bool m_done = false;
    int32_t m_error = 0;

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek(size_t ahead = 0) const { return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0'; }

    void Put(uint8_t byte)
    {
        // One byte always stays free for the end code.
        if (m_written >= m_capacity - 1) {
            if (m_error == 0)
                m_error = kErrStringTooLong;
            return;
        }
        m_out[m_written++] = byte;
    }

    void PutText(std::string_view text)
    {
        for (char c : text)
            Put(static_cast<uint8_t>(c));
    }

    // A character inside a string. The codes that end a string or a line
    // cannot be carried by the token line.
    void PutStringChar(char c)
    {
        uint8_t byte = static_cast<uint8_t>(c);
        if (byte == kTokQuotes || byte == kTokZero) {
            m_error = kErrQuotesExpected;
            return;
        }
        Put(byte);
    }

    void PutDigits(std::string_view digits)
    {
        Put(kTokNumber);
        PutText(digits);
        Put(0);
    }

    std::string_view TakeDigits()
    {
        size_t start = m_pos;
        while (IsDigit(Peek()))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    void PutRestAsString()
    {
        Put(kTokQuotes);
        while (!AtEnd() && m_error == 0)
            PutStringChar(m_text[m_pos++]);
        Put(kTokQuotes);
    }

    void ScanLexeme()
    {
        // A run of blanks is one blank token; the lexeme after it follows in
        // the same call. Blanks keep the remembered keyword.
        if (IsBlank(Peek())) {
            while (IsBlank(Peek()))
                ++m_pos;
            Put(kTokSpace);
        }
        m_wordAtStatementStart = m_statementStart;
        m_statementStart = false;
        if (AtEnd()) {
            m_out[m_written++] = kTokZero; // the byte kept free by Put
            m_remembered = -1;
            m_assignmentSeen = false;
            m_done = true;
            return;
        }
        char c = Peek();
        if (IsDigit(c) || c == '.') {
            ScanNumber();
            m_remembered = -1;
            return;
        }
        if (IsLetter(c)) {
            ScanWord();
            return;
        }
        ++m_pos;
        switch (c) {
        case '"':
            ScanString();
            return; // a program name in quotes keeps the remembered keyword
        case ',':
            Put(kTokComma);
            return; // so does the comma between two names
        case '#':
            Put(kTokHash);
            break;
        case '%':
            Put(kTokPercent);
            break;
        case '[':
            Put(kTokOpenSquare);
            break;
        case ']':
            Put(kTokCloseSquare);
            break;
        case '^':
            Put(kTokPower);
            break;
        case ')':
            Put(kTokCloseBracket);
            break;
        case '-':
            Put(kTokMinus);
            break;
        case '+':
            Put(kTokPlus);
            break;
        case '*':
            Put(kTokMultiply);
            break;
        case '/':
            Put(kTokDivide);
            break;
        case ';':
            Put(kTokSemicolon);
            break;
        case ':':
            Put(kTokColon);
            m_assignmentSeen = false;
            m_statementStart = true;
            break;
        case '=':
            Put(kTokEqual);
            m_assignmentSeen = true;
            break;
        case '<':
            if (Peek() == '=') {
                ++m_pos;
                Put(kTokLessEqual);
            } else if (Peek() == '>') {
                ++m_pos;
                Put(kTokNotEqual);
            } else {
                Put(kTokLess);
            }
            break;
        case '>':
            if (Peek() == '=') {
                ++m_pos;
                Put(kTokGreaterEqual);
            } else {
                Put(kTokGreater);
            }
            break;
        case '(':
            if (m_mode == kLexerModeGCode) {
                // In G code a bracket holds a comment.
                Put(kTokComment);
                while (!AtEnd() && Peek() != ')')
                    Put(static_cast<uint8_t>(m_text[m_pos++]));
                Put(0);
                if (!AtEnd())
                    ++m_pos;
            } else {
                Put(kTokOpenBracket);
            }
            break;
        case '\'':
            Put(kTokComment);
            --m_pos; // the apostrophe belongs to the comment
            while (!AtEnd())
                Put(static_cast<uint8_t>(m_text[m_pos++]));
            Put(0);
            break;
        case '$':
            Put(kTokHex);
            for (int n = 0; n < 6 && IsHexDigit(Peek()); ++n)
                Put(static_cast<uint8_t>(m_text[m_pos++]));
            Put(0);
            break;
        case '?':
            Put(static_cast<uint8_t>(GetSpecialKeywords().print));
            break;
        case '@':
            Put(static_cast<uint8_t>(GetSpecialKeywords().appendProgram));
            PutRestAsString();
            break;
        case '&':
            ScanEditShortForm();
            break;
        default:
            Put(kTokCharacter);
            Put(static_cast<uint8_t>(c));
            break;
        }
        m_remembered = -1;
    }

    // Digits, then "." and digits; a second "." ends the number.
    void ScanNumber()
    {
        Put(kTokNumber);
        while (IsDigit(Peek()))
            Put(static_cast<uint8_t>(m_text[m_pos++]));
        if (Peek() == '.') {
            Put(static_cast<uint8_t>(m_text[m_pos++]));
            while (IsDigit(Peek()))
                Put(static_cast<uint8_t>(m_text[m_pos++]));
        }
        Put(0);
    }

    // The characters up to the closing quote; a backslash makes the next
    // character literal. An unclosed string ends with the text.
    void ScanString()
    {
        Put(kTokQuotes);
        while (!AtEnd() && m_error == 0) {
            char c = m_text[m_pos++];
            if (c == '"') {
                Put(kTokQuotes);
                return;
            }
            if (c == '\\') {
                if (AtEnd())
                    return;
                c = m_text[m_pos++];
            }
            PutStringChar(c);
        }
    }

    // "&" [first ["," second]] letter [","] text: EDPROG "text", code
    // [, second] [, first].
    void ScanEditShortForm()
    {
        std::string_view first = TakeDigits();
        std::string_view second;
        if (!first.empty() && Peek() == ',') {
            ++m_pos;
            second = TakeDigits();
        }
        int operation = 0;
        if (IsLetter(Peek()))
            operation = EditOperationCode(m_text[m_pos++]);
        if (Peek() == ',')
            ++m_pos;
        Put(static_cast<uint8_t>(GetSpecialKeywords().editProgram));
        PutRestAsString();
        Put(kTokComma);
        PutDigits(std::to_string(operation));
        if (!second.empty()) {
            Put(kTokComma);
            PutDigits(second);
        }
        if (!first.empty()) {
            Put(kTokComma);
            PutDigits(first);
        }
    }

    void ScanWord()
    {
        size_t start = m_pos;
        while (IsLetter(Peek()) || Peek() == '_' || Peek() == '$' || (m_mode == kLexerModeBasic && IsDigit(Peek())))
            ++m_pos;
        std::string_view source = m_text.substr(start, m_pos - start);
        if (source.size() > static_cast<size_t>(kMaxWordLength)) {
            m_error = kErrIdentifierExpected;
            return;
        }
        std::string word(source);
        for (char& ch : word)
            ch = ToUpper(ch);

        NameMatch match;
        bool found = LookUpName(word, match);
        if (found && match.kind != NameKind::Keyword) {
            static constexpr uint8_t codes[] = {0, kTokParameter, kTokModifier, kTokConstant};
            Put(codes[static_cast<int>(match.kind)]);
            Put(static_cast<uint8_t>(match.row));
            m_remembered = -1;
            return;
        }
        if (found && g_Keywords[match.row].InMode(m_mode)) {
            Put(static_cast<uint8_t>(match.row));
            if (match.row == GetSpecialKeywords().appendProgram) {
                while (IsBlank(Peek()))
                    ++m_pos;
                PutRestAsString();
            }
            m_remembered = g_Keywords[match.row].Has(kKwNameFollows) ? match.row : -1;
            // THEN and ELSE begin the statement of a one-line IF.
            int32_t classCode = g_Keywords[match.row].classCode;
            if (classCode == kClassThen || classCode == kClassElse)
                m_statementStart = true;
            return;
        }
        if (Peek() == ':' && m_wordAtStatementStart && !m_assignmentSeen) {
            Put(kTokLabel);
            for (char ch : source)
                Put(static_cast<uint8_t>(ToLower(ch)));
            Put(0);
            ++m_pos;
            for (; IsBlank(Peek()); ++m_pos)
                Put(kTokSpace);
            m_remembered = -1;
            m_statementStart = true; // a further label may follow
            return;
        }
        if (m_remembered >= 0) {
            Put(kTokQuotes); // RUN prog is RUN "PROG"
            PutText(word);
            Put(kTokQuotes);
            return;
        }
        Put(kTokName);
        for (char ch : source)
            Put(static_cast<uint8_t>(ToLower(ch)));
        Put(0);
        m_remembered = -1;
    }
};

const char* OperatorText(uint8_t token)
{
    switch (token) {
    case kTokNegate:
    case kTokMinus:
        return "-";
    case kTokPlus:
        return "+";
    case kTokMultiply:
        return "*";
    case kTokDivide:
        return "/";
    case kTokPower:
        return "^";
    case kTokEqual:
    case kTokAssign:
        return "=";
    case kTokGreater:
        return ">";
    case kTokGreaterEqual:
        return ">=";
    case kTokLess:
        return "<";
    case kTokLessEqual:
        return "<=";
    case kTokNotEqual:
        return "<>";
    case kTokOpenBracket:
        return "(";
    case kTokCloseBracket:
        return ")";
    case kTokComma:
        return ",";
    case kTokColon:
        return ":";
    case kTokSemicolon:
        return ";";
    case kTokOpenSquare:
        return "[";
    case kTokCloseSquare:
        return "]";
    case kTokHash:
        return "#";
    case kTokSpace:
        return " ";
    case kTokOn:
        return "ON";
    case kTokPercent:
        return "%";
    default:
        return nullptr;
    }
}

bool IsWordChar(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '$';
}

} // namespace

int TokeniseLine(std::string_view text, uint8_t* out, int capacity, int mode, int32_t& error)
{
    error = 0;
    if (!out || capacity <= 0) {
        error = kErrStringTooLong;
        return 0;
    }
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return Lexer(text, out, capacity, mode).Run(error);
}

std::string DetokeniseLine(const uint8_t* tokens, int start, int end, int mode)
{
    std::string out;
    bool afterTableName = false; // the last piece was a keyword, parameter, constant or modifier
    auto add = [&](std::string_view piece, bool tableName) {
        if (mode == kLexerModeBasic && afterTableName && !piece.empty() && IsWordChar(piece.front()))
            out += ' ';
        out += piece;
        afterTableName = tableName;
    };
    auto readText = [&](int& pos) {
        std::string text;
        while (pos < end && tokens[pos] != 0)
            text += static_cast<char>(tokens[pos++]);
        ++pos; // the NUL
        return text;
    };

    int pos = start;
    while (pos < end && out.size() <= static_cast<size_t>(kDetokeniseLimit)) {
        uint8_t t = tokens[pos++];
        if (t == kTokZero)
            break;
        if (t == GetSpecialKeywords().appendProgram && pos < end && tokens[pos] == kTokQuotes) {
            // The text of an "@" line is the rest of the line, taken as it
            // stands: listing it in the short form is what re-reads the same.
            std::string text = "@";
            for (++pos; pos < end && tokens[pos] != kTokQuotes && tokens[pos] != kTokZero; ++pos)
                text += static_cast<char>(tokens[pos]);
            if (pos < end && tokens[pos] == kTokQuotes)
                ++pos;
            add(text, false);
            continue;
        }
        if (IsKeywordToken(t)) {
            add(ListedName(g_Keywords[t].name), true);
            continue;
        }
        if (const char* text = OperatorText(t)) {
            add(text, false);
            continue;
        }
        switch (t) {
        case kTokNumber:
        case kTokName:
            add(readText(pos), false);
            break;
        case kTokLabel:
            add(readText(pos) + ":", false);
            break;
        case kTokHex:
            add("$" + readText(pos), false);
            break;
        case kTokComment:
            add(mode == kLexerModeGCode ? "(" + readText(pos) + ")" : readText(pos), false);
            break;
        case kTokQuotes: {
            std::string text = "\"";
            while (pos < end && tokens[pos] != kTokQuotes && tokens[pos] != kTokZero) {
                char c = static_cast<char>(tokens[pos++]);
                if (mode == kLexerModeBasic && (c == '"' || c == '\\'))
                    text += '\\';
                text += c;
            }
            if (pos < end && tokens[pos] == kTokQuotes) {
                ++pos;
                text += '"';
            }
            add(text, false);
            break;
        }
        case kTokParameter:
        case kTokModifier:
        case kTokConstant: {
            int row = pos < end ? tokens[pos++] : -1;
            const char* name = nullptr;
            if (t == kTokParameter && row >= 0 && row < kParameterRows)
                name = g_Parameters[row].name;
            else if (t == kTokModifier && row >= 0 && row < kModifierRows)
                name = g_Modifiers[row].name;
            else if (t == kTokConstant && row >= 0 && row < kConstantRows)
                name = g_Constants[row].name;
            if (!name)
                return out;
            add(t == kTokModifier ? std::string(name) : ListedName(name), true);
            break;
        }
        case kTokCharacter:
            if (pos < end)
                add(std::string(1, static_cast<char>(tokens[pos++])), false);
            break;
        default:
            return out; // no token line holds this code
        }
    }
    return out;
}

bool ReadInputNumber(std::string_view text, int& position, uint8_t* out, int& outPosition, int capacity,
                     bool& moreFollows)
{
    moreFollows = false;
    size_t pos = position < 0 ? text.size() : static_cast<size_t>(position);
    auto at = [&](size_t p) { return p < text.size() ? text[p] : '\0'; };
    while (IsBlank(at(pos)))
        ++pos;

    std::string number;
    if (at(pos) == '-')
        number += text[pos++];
    bool digits = false;
    if (at(pos) == '.')
        number += '0';
    while (IsDigit(at(pos))) {
        number += text[pos++];
        digits = true;
    }
    if (at(pos) == '.') {
        number += text[pos++];
        while (IsDigit(at(pos))) {
            number += text[pos++];
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (outPosition < 0 || static_cast<size_t>(capacity - outPosition) < number.size() + 1)
        return false;
    for (char c : number)
        out[outPosition++] = static_cast<uint8_t>(c);
    out[outPosition++] = 0;
    position = static_cast<int>(pos);
    if (at(pos) == ',') {
        moreFollows = true;
        position = static_cast<int>(pos + 1);
        return true;
    }
    return pos >= text.size();
}

} // namespace qcrt
