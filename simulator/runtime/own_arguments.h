// The argument frame of a keyword handler that reads its own arguments.
#pragma once

#include <cstdint>

#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/process.h"

namespace qcrt {

// The argument frame of a handler that reads its own bracketed arguments:
// the token is stepped over and the list evaluated; the frame goes with the
// scope.
class OwnArguments {
public:
    OwnArguments(const uint8_t* text, int& position, int limit, int process) : m_process(process)
    {
        ++position; // the token
        m_pushed = PushArgumentFrame(process);
        m_ok = m_pushed && EvaluateArgumentList(text, position, limit, process);
    }
    ~OwnArguments()
    {
        if (m_pushed)
            PopArgumentFrame(m_process);
    }
    OwnArguments(const OwnArguments&) = delete;
    OwnArguments& operator=(const OwnArguments&) = delete;

    bool Ok() const { return m_ok; }
    int Count() const { return ArgumentCount(m_process); }
    const ArgumentValue& operator[](int n) const { return *GetArgument(m_process, n); }

private:
    int m_process;
    bool m_pushed = false;
    bool m_ok = false;
};

} // namespace qcrt
