// CProgramStore: the program memory of a scripted controller, for tests
// of the program transfers, the program list and the program commands.
// Each program is a list of lines with a program type; one program is
// selected. Attached to a scripted controller it answers, through the
// script's reply callback (so an exact or pattern reply set by the test
// still comes first and can refuse any one command):
//
//   SELECT "X"          selects X, making it (type 0, one empty line) when
//                       missing; SELECT "X" t (or "X",t) sets its type too
//   NEW "X"             removes X (NEW "TABLE" empties the TABLE)
//   NEW ALL             removes every program
//   &C                  the selected program's name (empty when none)
//   &N                  the selected program's line count (0 when none)
//   &nL                 line n of the selected program
//   &nR,text  &nI,text  replaces line n, inserts before line n (n may be
//                       the count: appends); answered with the line as
//                       listed
//   &n,mD  &nD          deletes lines n to m, answered "OK"
//   &Z,X  &Z            the check value of X (of the selected program):
//                       CRC-16 over every line followed by 0xAA, one empty
//                       line for a program without lines
//   DIR X               "name,source size,code size,auto run,type" a line
//   COPY "S" "D"        D becomes a copy of S (replacing D)
//   RENAME "S" "D"      S takes the name D (refused when D exists)
//   RUN "X"[,p]         status "%[Process p:Program X] - Running" (p 14
//                       when not given); STOP "X" the stopped status line
//   ?TSIZE[0];  TABLEVALUES(a,b,0)  ?VR(n);  VR(n)=x   the TABLE and VR
//                       memory (VR(n)=x takes a number; other values are
//                       left to the script)
//
// Anything it refuses (a line number out of range, a missing program) is
// answered with a "%[COMMAND n] ..." line, as the controller reports a
// failed command. With the keyword listing on, a stored line is listed
// with its words upper-cased, as a controller lists tokenised lines.
//
// Thread-safe: the script's callback runs on the link's threads while the
// test reads the store.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "link/tests/support/controller_script.h"

class CScriptedController;

class CProgramStore {
public:
    struct Program {
        std::string name;
        int type = 0;
        std::vector<std::string> lines;
    };

    CProgramStore() = default;
    CProgramStore(const CProgramStore&) = delete;
    CProgramStore& operator=(const CProgramStore&) = delete;

    // Makes the store answer the link's (or the script's) commands.
    void Attach(CScriptedController& link);
    void Attach(CControllerScript& script);
    // The answer to one command; false when the store does not know it.
    bool Answer(const std::string& command, ScriptedReply& reply);

    // Contents. Names compare without regard to case and are kept in
    // upper case.
    void SetProgram(const std::string& name, const std::vector<std::string>& lines, int type = 0);
    bool HasProgram(const std::string& name) const;
    std::vector<std::string> Lines(const std::string& name) const;
    std::vector<std::string> Names() const;
    int Count() const;
    // Every program, the TABLE and the VRs go; nothing is selected.
    void Clear();
    std::string Selected() const;
    void SetTable(const std::vector<double>& values);
    std::vector<double> Table() const;
    void SetVR(int index, double value);
    // The value of VR(index); 0 when it was never set.
    double VR(int index) const;
    // Listing keywords upper-cased (off by default).
    void SetUpperCaseListing(bool on);
    // The process RUN reports without a process number.
    void SetRunProcess(int process);

    // The check value of lines as the store answers "&Z".
    static std::uint16_t CheckValue(const std::vector<std::string>& lines);

private:
    Program* Find(const std::string& name);
    Program* SelectedProgram();
    std::string Listed(const std::string& line) const;
    static std::string Upper(const std::string& text);
    static ScriptedReply Error(int number, const char* text);
    bool AnswerEdit(const std::string& command, ScriptedReply& reply);

    mutable std::mutex m_lock;
    std::vector<Program> m_programs; // in the order made
    std::string m_selected;
    std::vector<double> m_table;
    std::map<int, double> m_vr;
    bool m_upperCase = false;
    int m_runProcess = 14;
};
