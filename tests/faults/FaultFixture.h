#pragma once
// Faults injected end to end: the real document and view, driven tick by tick, against the
// simulated device on a pseudo-terminal that a test can pull out and plug in again.
#include "ViewFixture.h"

#include "DocTemplate.h"

#include "PtyPair.h"
#include "engine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The device behind a symbolic link that V24_COM1 names, as the device file of a USB adapter
// comes and goes: plugging in serves a new pseudo-terminal and points the link at it; pulling
// out closes the far side and points the link at nothing, so that no other line is ever
// opened in its place.
class CPluggableDevice {
public:
    explicit CPluggableDevice(std::string linkPath);
    ~CPluggableDevice();
    CPluggableDevice(const CPluggableDevice&) = delete;
    CPluggableDevice& operator=(const CPluggableDevice&) = delete;

    void PlugIn(const sim::Settings& settings = SimDevice::Fast());
    void Unplug();

    // What the device plugged in last has taken so far, kept after it was pulled out.
    std::vector<std::string> Commands() const;
    std::vector<std::string> DataLines() const;
    // Waits, bounded, until the device plugged in last has taken count data lines.
    bool WaitForDataLines(size_t count, int timeoutMs = 5000) const;
    // Waits, bounded, until the line takes nothing more from the program's side: an XOFF from
    // the device has stopped it.
    bool WaitUntilLineHeld(int timeoutMs = 5000) const;

private:
    bool PointLinkAt(const std::string& target);
    std::vector<sim::LogEntry> Log() const;

    std::string m_linkPath;
    std::unique_ptr<PtyPair> m_line;
    std::unique_ptr<sim::Engine> m_engine;
    std::vector<sim::LogEntry> m_log;  // of the device pulled out last
};

// Answers every file dialog while it lives: with the path, after running beforeAnswer.
class CFileDialogAnswer {
public:
    explicit CFileDialogAnswer(const std::string& path, std::function<void()> beforeAnswer = {});
    ~CFileDialogAnswer();
    CFileDialogAnswer(const CFileDialogAnswer&) = delete;
    CFileDialogAnswer& operator=(const CFileDialogAnswer&) = delete;
};

class FaultTest : public ViewTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The document as the program has it: tied to its template, which names it on a save.
    void UseDocumentTemplate();

    // Runs one download from its command to the state it ends in (limit: maxTicks per phase).
    void Download(unsigned command, int maxTicks = 30000);
    // Opens a data file as the user does: the framework loads it, the next tick shows the
    // captured message and enables the upload alone. The message is not kept.
    void OpenDataFile(const std::string& path);
    // Runs an upload from its command until the view rests again (limit: maxTicks).
    void Upload(int maxTicks = 30000);
    // After a failed receive the next tick rests in a new, empty, unmodified document with
    // the device commands enabled: half a transfer is nothing the user could want to keep.
    void ExpectNewEmptyDocumentAfterNextTick();

    CPluggableDevice plug{dir.file("com1")};
    std::unique_ptr<framework::CSingleDocTemplate> docTemplate;
};
