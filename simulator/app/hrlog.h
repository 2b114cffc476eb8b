// A second, high-resolution log kept in memory: up to 10000 entries of a
// time text and a message, appended to its file when the log goes. Adding
// an entry takes no lock and allocates nothing, so any thread may add.
#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace qcsim {

class CHRLog {
public:
    static constexpr int kMaxEntries = 10000;
    static constexpr size_t kTimeSize = 33;    // with the terminating zero
    static constexpr size_t kMessageSize = 65; // with the terminating zero

    explicit CHRLog(const std::string& path = "C:\\SimHR.log");
    // Appends the entries to the file when there are any.
    ~CHRLog();
    CHRLog(const CHRLog&) = delete;
    CHRLog& operator=(const CHRLog&) = delete;

    // An entry stamped with the present UTC time; false once the log is
    // full. Longer texts are cut to their field.
    bool Add(const char* message);
    bool Add(const char* time, const char* message);
    int GetCount() const;

private:
    // Appends the entries, each as the time padded with blanks to 34
    // characters, the message and a line feed; true when there were none.
    bool Write() const;

    struct Entry {
        char time[kTimeSize];
        char message[kMessageSize];
        std::atomic<bool> ready{false};
    };
    std::string m_path;
    std::unique_ptr<Entry[]> m_entries;
    std::atomic<int> m_next{0};
};

} // namespace qcsim
