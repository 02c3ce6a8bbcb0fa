#pragma once
// Watches the fsync calls of the test program while it lives: for each, the path synced and
// what the watched file held at that moment, so that a test sees a folder synced only once the
// new file has its name. The program's own fsync calls come here (this file defines fsync for
// the test program, passing each call on); one recorder at a time.
#include <string>
#include <utility>
#include <vector>

class CSyncRecorder {
public:
    explicit CSyncRecorder(std::string watched);
    ~CSyncRecorder();
    CSyncRecorder(const CSyncRecorder&) = delete;
    CSyncRecorder& operator=(const CSyncRecorder&) = delete;

    // (the path synced, what the watched file held then; "(none)" while it was not there)
    const std::vector<std::pair<std::string, std::string>>& Syncs() const;
};

// The path with its links resolved, as /proc names a synced descriptor.
std::string RealPath(const std::string& path);
