#pragma once
// File-system conditions a test sets up around the program: a read-only file or folder, and a
// small file system that fills up. Root is not stopped by file modes, so for root a folder or
// file is made read-only by a read-only bind mount, and a small file system is a tmpfs of its
// own; both are mounted in a mount namespace private to the test process, so that nothing
// outlives it, not even when it crashes.
#include <string>

// Enters a mount namespace of the test process's own (once); false, with the reason, where the
// process may not.
bool EnterPrivateMounts(std::string& why);

// A file or folder that nobody can change while this object lives.
class CReadOnlyPath {
public:
    explicit CReadOnlyPath(std::string path);
    ~CReadOnlyPath();
    CReadOnlyPath(const CReadOnlyPath&) = delete;
    CReadOnlyPath& operator=(const CReadOnlyPath&) = delete;

    bool Active() const { return m_why.empty(); }
    const std::string& Why() const { return m_why; }

private:
    std::string m_path;
    std::string m_why;  // empty once in force
    bool m_bMounted = false;
    unsigned m_mode = 0;
};

// A tmpfs of the given size mounted on an empty folder while this object lives (root only).
class CSmallFileSystem {
public:
    CSmallFileSystem(std::string folder, unsigned kilobytes);
    ~CSmallFileSystem();
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;

    bool Active() const { return m_why.empty(); }
    const std::string& Why() const { return m_why; }
    // Writes a file until the file system is full; false if it never filled.
    bool FillUp(const std::string& fillerName);

private:
    std::string m_folder;
    std::string m_why;
};
