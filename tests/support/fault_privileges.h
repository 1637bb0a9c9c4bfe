#pragma once

#include <QString>

#include <initializer_list>

namespace zorvan::test {

// Takes capabilities out of the calling thread's effective set for the life
// of the object, so that a root test process meets the permission checks an
// ordinary user meets. Threads started meanwhile inherit the reduced set;
// the capabilities stay permitted and come back at destruction. Without
// root there is nothing to take and the object does nothing.
class ReducedCapabilities {
public:
    explicit ReducedCapabilities(std::initializer_list<int> capabilities);
    ~ReducedCapabilities();
    ReducedCapabilities(const ReducedCapabilities &) = delete;
    ReducedCapabilities &operator=(const ReducedCapabilities &) = delete;

    // False when the set could not be changed; the reason is in error().
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }

private:
    unsigned m_saved[2] = {};
    bool m_changed = false;
    bool m_ok = true;
    QString m_error;
};

// Writes into `fd` until the line takes no more byte, as a board that
// stopped reading leaves it: the bytes written, -1 on an error.
long long fillLine(int fd);

// Open descriptors of this process that refer to `path`.
int descriptorsOn(const QString &path);

} // namespace zorvan::test
