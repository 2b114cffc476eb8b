// CTableList: a contiguous run of controller memory values (TABLE or VR)
// as doubles with the index of the first one, and their texts: controller
// command lines TABLE(start,value,...), delimited text, and the lines of
// table files. Every operation takes the buffer's own lock, so one thread
// may fill it while another reads it. Plain C++.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/collections.h"
#include "framework/cstring.h"

class CTableList {
public:
    CTableList();
    ~CTableList();
    CTableList(const CTableList&) = delete;
    CTableList& operator=(const CTableList&) = delete;

    void Clear();
    long GetStart() const;
    void SetStart(long start); // a negative start is ignored
    int GetCount() const;
    const double* GetValues() const;
    void SetGrowth(int growth); // ignored below 4
    void SetDefaultValue(double value);
    void SetExponentAllowed(BOOL allowed);
    void SetLineLength(int length);
    int GetLineLength() const;

    BOOL GrowBy();
    BOOL Resize(int n, BOOL shrink);
    BOOL SetCount(int n);
    BOOL AddValue(double value);
    double GetValue(long index) const;
    BOOL SetValue(long index, double value);
    void Fill(double value);
    BOOL CopyFrom(const CTableList& other);
    // mode 0 v == x, 1 v < x, 2 v <= x, 3 v > x, 4 v >= x.
    BOOL FindValue(int mode, double x, BOOL absolute) const;
    CString FormatValues(long first, int n, char separator) const;

    // TABLE(index,value,...) lines: at most valuesPerLine values, shorter
    // than longestLine - 2 (and the buffer's line length - 2); a value
    // text over 40 characters is left out and the next line starts again
    // at its own index.
    void FormatTableCommands(CStringList& lines, int valuesPerLine, int longestLine) const;
    // The same lines, each followed by CR LF.
    std::string WriteTableCommands(int valuesPerLine, int longestLine) const;
    // "index" sep1 value sep2 value ... lines of valuesPerLine values.
    std::string WriteDelimitedValues(int valuesPerLine, char indexSeparator, char valueSeparator) const;

    BOOL ParseTableLine(const char* line);
    BOOL ParseSeparatedLine(const char* line, char firstSeparator, char valueSeparator);
    // Reads lines until the reader has none (returns false) or a line is
    // refused (FALSE then).
    using LineReader = std::function<bool(std::string& line)>;
    BOOL LoadLines(const LineReader& reader);
    BOOL LoadSeparatedLines(const LineReader& reader, char firstSeparator, char valueSeparator);

private:
    CString ValueText(double value) const;
    BOOL GrowByLocked();
    // Appends the values of a line whose first index is index; FALSE when
    // the index does not continue the run.
    BOOL TakeFirstIndex(long index);
    BOOL StoreLine(long index, const std::vector<double>& values);
    BOOL LoadWith(const LineReader& reader, const std::function<BOOL(const std::string&)>& parse);

    mutable std::recursive_mutex m_lock;
    long m_nStart = 0;
    int m_nCapacity = 0;
    int m_nCount = 0;
    std::vector<double> m_values; // m_nCapacity long
    double m_dDefault = 0.0;
    int m_nGrowth = 16;
    BOOL m_bExponent = FALSE;
    int m_nLineLength = 80;
};

// The lines of a text: a reader over the text's lines (CR LF, LF or CR
// ends a line; a last line without an end counts).
CTableList::LineReader MakeTextLineReader(const std::string& text);
