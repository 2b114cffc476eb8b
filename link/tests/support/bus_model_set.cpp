#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "framework/clock.h"
#include "link/tests/support/bus_models.h"
#include "link/tests/support/program_store.h"
#include "link/tests/support/scripted_controller.h"

namespace {

void SkipSpaces(const std::string& text, std::size_t& at)
{
    while (at < text.size() && text[at] == ' ')
        ++at;
}

// A decimal or "$" hexadecimal integer filling the whole text.
bool ParseInteger(const std::string& text, long long& value)
{
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos)
        return false;
    const std::string number = text.substr(begin, end - begin + 1);
    const bool hex = number[0] == '$';
    const char* start = number.c_str() + (hex ? 1 : 0);
    char* stop = nullptr;
    value = std::strtoll(start, &stop, hex ? 16 : 10);
    return stop != start && *stop == '\0';
}

// "(" integers ")" from at; at moves past the ")".
bool ParseArguments(const std::string& text, std::size_t& at, std::vector<long long>& values)
{
    const std::size_t close = text.find(')', at);
    if (at >= text.size() || text[at] != '(' || close == std::string::npos)
        return false;
    const std::string inner = text.substr(at + 1, close - at - 1);
    at = close + 1;
    if (inner.find_first_not_of(' ') == std::string::npos)
        return true;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = inner.find(',', from);
        long long value = 0;
        if (!ParseInteger(inner.substr(from, comma == std::string::npos ? std::string::npos : comma - from), value))
            return false;
        values.push_back(value);
        if (comma == std::string::npos)
            return true;
        from = comma + 1;
    }
}

} // namespace

bool ParseBusCall(const std::string& command, BusCall& call)
{
    call = BusCall();
    std::size_t at = 0;
    SkipSpaces(command, at);
    if (at < command.size() && command[at] == '?') {
        call.query = true;
        ++at;
    }
    while (at < command.size() && (std::isalnum(static_cast<unsigned char>(command[at])) || command[at] == '_'))
        call.name += static_cast<char>(std::toupper(static_cast<unsigned char>(command[at++])));
    if (call.name.empty() || std::isdigit(static_cast<unsigned char>(call.name[0])))
        return false;
    if (at < command.size() && command[at] == '(') {
        call.hasArgs = true;
        if (!ParseArguments(command, at, call.args))
            return false;
    }
    SkipSpaces(command, at);
    for (const char* modifier : {"AXIS", "SLOT"}) {
        if (command.compare(at, 4, modifier) == 0) {
            at += 4;
            std::vector<long long> number;
            if (!ParseArguments(command, at, number) || number.size() != 1)
                return false;
            (modifier[0] == 'A' ? call.axis : call.slot) = static_cast<int>(number[0]);
            SkipSpaces(command, at);
        }
    }
    if (at < command.size() && command[at] == '=') {
        call.assign = true;
        std::string value = command.substr(at + 1);
        const std::size_t begin = value.find_first_not_of(' ');
        const std::size_t end = value.find_last_not_of(' ');
        call.value = begin == std::string::npos ? std::string() : value.substr(begin, end - begin + 1);
        return !call.query && !call.value.empty();
    }
    if (command.compare(at, 3, "[0]") == 0) {
        call.format0 = true;
        at += 3;
    }
    if (at < command.size() && command[at] == ';')
        ++at;
    SkipSpaces(command, at);
    return at == command.size();
}

namespace BusReply {

ScriptedReply Number(long long value)
{
    return Text(std::to_string(value));
}

ScriptedReply Float(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    return Text(text);
}

ScriptedReply Text(const std::string& text)
{
    ScriptedReply reply(text);
    reply.markEndsLastLine = true;
    return reply;
}

ScriptedReply Lines(const std::string& value, bool success)
{
    return Text(value + "\n" + (success ? "-1" : "0"));
}

ScriptedReply Result(bool success)
{
    return Text(success ? "-1" : "0");
}

ScriptedReply None()
{
    return ScriptedReply();
}

ScriptedReply Error(int number, const char* text)
{
    return ScriptedReply("%[COMMAND " + std::to_string(number) + "] " + text);
}

} // namespace BusReply

// ---------------------------------------------------------------- CBusModel

bool CBusModel::Ask(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    if (!Handle(call, reply, set))
        return false;
    if (m_silent) {
        reply = ScriptedReply();
        reply.silent = true;
    }
    return true;
}

std::uint64_t CBusModel::NowMs()
{
    return AfxGetClock().NowMs();
}

bool CBusModel::Busy(std::uint64_t until) const
{
    return BusyForever() ? until != 0 : NowMs() < until;
}

std::unique_lock<std::recursive_mutex> CBusModel::Lock() const
{
    return std::unique_lock<std::recursive_mutex>(m_setLock ? *m_setLock : m_ownLock);
}

// ---------------------------------------------------------------- CBusModelSet

CBusModelSet::CBusModelSet(CProgramStore& store) : m_store(store)
{
}

void CBusModelSet::Add(CBusModel& model)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    model.m_setLock = &m_lock;
    m_models.push_back(&model);
    model.Install(*this);
}

void CBusModelSet::Attach(CScriptedController& link)
{
    link.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) { return Answer(command, reply); });
}

void CBusModelSet::Attach(CControllerScript& script)
{
    script.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) { return Answer(command, reply); });
}

bool CBusModelSet::Answer(const std::string& command, ScriptedReply& reply)
{
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        BusCall call;
        if (ParseBusCall(command, call)) {
            for (CBusModel* model : m_models)
                if (model->Ask(call, reply, *this))
                    return true;
            if (AnswerShared(call, reply))
                return true;
        }
    }
    return m_store.Answer(command, reply);
}

namespace {

bool Within(long long value, int low, int high)
{
    return value >= low && value <= high;
}

bool ParseValue(const std::string& text, int& value)
{
    long long number = 0;
    if (!ParseInteger(text, number))
        return false;
    value = static_cast<int>(number);
    return true;
}

} // namespace

bool CBusModelSet::AnswerShared(const BusCall& call, ScriptedReply& reply)
{
    using namespace BusReply;
    int value = 0;
    if (call.name == "WDOG" && !call.hasArgs && call.axis < 0) {
        if (call.query) {
            reply = Number(m_watchdog);
            return true;
        }
        if (call.assign && (call.value == "ON" || call.value == "OFF" || ParseValue(call.value, value))) {
            m_watchdog = call.value == "ON" ? 1 : call.value == "OFF" ? 0 : value != 0;
            reply = None();
            return true;
        }
        return false;
    }
    int* perAxis = call.name == "ATYPE" ? m_axisType
                   : call.name == "CAN_ADDRESS" ? m_canAddress
                   : call.name == "CAN_ENABLE"  ? m_canEnable
                                                : nullptr;
    if (perAxis && !call.hasArgs && Within(call.axis, 0, kAxes - 1)) {
        if (call.query) {
            reply = Number(perAxis[call.axis]);
            return true;
        }
        if (call.assign && ParseValue(call.value, value)) {
            perAxis[call.axis] = value;
            reply = None();
            return true;
        }
        return false;
    }
    if (!call.hasArgs && Within(call.slot, 0, kSlots - 1)) {
        if (call.name == "COMMSTYPE") {
            if (call.query) {
                reply = Number(m_commsType[call.slot]);
                return true;
            }
            if (call.assign && ParseValue(call.value, value)) {
                m_commsType[call.slot] = value;
                reply = None();
                return true;
            }
        }
        if (call.name == "COMMSPOSITION" && call.query) {
            reply = Number(call.slot);
            return true;
        }
        return false;
    }
    int* canIo = call.name == "CANIO_ADDRESS" ? &m_canIoAddress
                 : call.name == "CANIO_ENABLE" ? &m_canIoEnable
                 : call.name == "CANIO_STATUS" ? &m_canIoStatus
                                               : nullptr;
    if (canIo && !call.hasArgs && call.axis < 0 && call.slot < 0) {
        if (call.query) {
            reply = Number(*canIo);
            return true;
        }
        if (call.assign && ParseValue(call.value, value)) {
            // CANIO_STATUS=16 initialises the I/O modules: bit 5 reports it.
            *canIo = canIo == &m_canIoStatus ? (value == 16 ? 0x20 : *canIo) : value;
            reply = None();
            return true;
        }
    }
    return false;
}

int CBusModelSet::Watchdog() const
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_watchdog;
}

void CBusModelSet::SetWatchdog(int on)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_watchdog = on;
}

int CBusModelSet::AxisType(int axis) const
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return Within(axis, 0, kAxes - 1) ? m_axisType[axis] : 0;
}

void CBusModelSet::SetAxisType(int axis, int type)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (Within(axis, 0, kAxes - 1))
        m_axisType[axis] = type;
}

int CBusModelSet::CanAddress(int axis) const
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return Within(axis, 0, kAxes - 1) ? m_canAddress[axis] : 0;
}

void CBusModelSet::SetCanAddress(int axis, int address)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (Within(axis, 0, kAxes - 1))
        m_canAddress[axis] = address;
}

int CBusModelSet::CommsType(int slot) const
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return Within(slot, 0, kSlots - 1) ? m_commsType[slot] : 0;
}

void CBusModelSet::SetCommsType(int slot, int type)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (Within(slot, 0, kSlots - 1))
        m_commsType[slot] = type;
}

double CBusModelSet::VR(int index) const
{
    return m_store.VR(index);
}

void CBusModelSet::SetVR(int index, double value)
{
    m_store.SetVR(index, value);
}
