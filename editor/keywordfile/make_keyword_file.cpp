// Writes the editor's keyword file "VexoBASIC.xml" from the simulated
// runtime's vocabulary, so key assist offers exactly the words the
// controller's language knows: every keyword recognised in programs and on
// the command line (each under its first name), then the parameters, the
// modifiers and the constants. Run by the build with the output path.
#include <cctype>
#include <cstdio>
#include <set>
#include <string>

#include "simulator/runtime/vocabulary.h"

namespace {

std::string FirstAlias(const char* name)
{
    const std::string all = name;
    return all.substr(0, all.find('|'));
}

bool IsWord(const std::string& name)
{
    return !name.empty() && std::isalpha(static_cast<unsigned char>(name[0]));
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

// The operand template shown after the name: quoted program names first,
// then the arguments, the optional ones in square brackets.
std::string Template(int minQuoted, int maxQuoted, int minArgs, int maxArgs, bool bracketed)
{
    std::string items;
    auto add = [&items](const std::string& item, bool optional) {
        const std::string sep = items.empty() ? "" : ", ";
        items += optional ? "[" + sep + item + "]" : sep + item;
    };
    for (int q = 0; q < maxQuoted && q < 8; ++q)
        add("\"name\"", q >= minQuoted);
    for (int a = 0; a < maxArgs && a < 16; ++a)
        add("n" + std::to_string(a + 1), a >= minArgs);
    if (bracketed)
        return "(" + items + ")";
    return items;
}

std::string FlagLetters(uint32_t flags)
{
    std::string letters;
    if (flags & qcrt::kKwStatement)
        letters += 'c';
    if (flags & qcrt::kKwOperator)
        letters += 'o';
    if (flags & qcrt::kKwFunction)
        letters += 'f';
    if (flags & qcrt::kKwBracketed)
        letters += 'b';
    if (flags & qcrt::kKwInProgram)
        letters += 'r';
    return letters;
}

struct Writer {
    FILE* out;
    std::set<std::string> written;

    void Keyword(int id, const char* type, const std::string& name, int minQ, int maxQ, int minA, int maxA,
                 int modifier, const std::string& flags, const std::string& value, bool brackets)
    {
        if (!IsWord(name) || !written.insert(name).second)
            return;
        std::fprintf(out,
                     "    <keyword>\n"
                     "      <id>%d</id>\n      <type>%s</type>\n      <name>%s</name>\n"
                     "      <min_quotes>%d</min_quotes>\n      <max_quotes>%d</max_quotes>\n"
                     "      <min_params>%d</min_params>\n      <max_params>%d</max_params>\n"
                     "      <modifier>%d</modifier>\n      <flags>%s</flags>\n      <value>%s</value>\n"
                     "      <parameters>%s</parameters>\n      <subsequence>0</subsequence>\n"
                     "      <brackets>%s</brackets>\n"
                     "    </keyword>\n",
                     id, type, Escaped(name).c_str(), minQ, maxQ, minA, maxA, modifier, flags.c_str(),
                     Escaped(value).c_str(), Escaped(Template(minQ, maxQ, minA, maxA, brackets)).c_str(),
                     brackets ? "true" : "false");
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_keyword_file OUTPUT.xml\n");
        return 2;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    Writer w{out, {}};
    std::fprintf(out, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<vexo_basic>\n  <keywords>\n");
    for (int row = 0; qcrt::g_Keywords[row].name[0] != '\0'; ++row) {
        const qcrt::TokenDescriptor& k = qcrt::g_Keywords[row];
        if (!k.InMode(0))
            continue; // G-code address letters
        const char* type = k.Has(qcrt::kKwOperator) ? "operator" : k.Has(qcrt::kKwFunction) ? "function" : "command";
        w.Keyword(row, type, FirstAlias(k.name), k.minQuoted, k.maxQuoted, k.minArguments, k.maxArguments,
                  static_cast<int>(k.modifierMask), FlagLetters(k.flags), std::to_string(k.classCode),
                  k.Has(qcrt::kKwBracketed));
    }
    for (int row = 0; qcrt::g_Parameters[row].name[0] != '\0'; ++row) {
        const qcrt::ParameterDescriptor& p = qcrt::g_Parameters[row];
        w.Keyword(row, "parameter", FirstAlias(p.name), 0, 0, 0, 0, static_cast<int>(p.modifiers),
                  p.Writable() ? "w" : "", "", false);
    }
    for (int row = 0; qcrt::g_Modifiers[row].name[0] != '\0'; ++row) {
        const qcrt::ModifierDescriptor& m = qcrt::g_Modifiers[row];
        w.Keyword(row, "modifier", FirstAlias(m.name), 0, 0, m.minArguments, m.maxArguments,
                  static_cast<int>(m.bit), "", "", true);
    }
    for (int row = 0; qcrt::g_Constants[row].name[0] != '\0'; ++row)
        w.Keyword(row, "constant", FirstAlias(qcrt::g_Constants[row].name), 0, 0, 0, 0, 0, "", "", false);
    std::fprintf(out, "  </keywords>\n</vexo_basic>\n");
    const bool ok = std::ferror(out) == 0;
    return std::fclose(out) == 0 && ok ? 0 : 1;
}
