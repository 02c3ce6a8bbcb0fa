#pragma once
// Commands: every menu item, toolbar button and key of the program stands for a command
// identifier. A command target keeps a table of (identifier, handler, update handler) and
// offers a command first to itself, then along its route (view, document, frame, application).
// The update handler decides whether a command is enabled; a disabled command never runs.
#include <functional>
#include <vector>

namespace framework {

// The state of one command's button or menu item, as the update handlers set it.
class CCmdUI {
public:
    explicit CCmdUI(unsigned id) : m_nID(id) {}
    void Enable(bool on = true)
    {
        m_bEnabled = on;
        m_bEnableChanged = true;
    }
    // A command that is a setting shows whether it is on, as a check mark.
    void SetCheck(bool on = true) { m_nCheck = on ? 1 : 0; }

    const unsigned m_nID;
    bool m_bEnabled = true;
    bool m_bEnableChanged = false;  // an update handler has spoken
    int m_nCheck = -1;              // -1: no check mark; 0 off, 1 on
};

// What a command target is asked: run the handler, run the update handler, or only tell
// whether it has a handler at all.
enum class CmdCode { command, updateUI, probe };

class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI*)>;

    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Offers the command to this target's own table and then along its route; true when a
    // target took it (for updateUI: an update handler ran; for probe: a handler exists).
    virtual bool OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI);

protected:
    // Entries of the command table; a later entry for the same identifier adds to it.
    void OnCommand(unsigned id, Handler handler);
    void OnUpdateCommandUI(unsigned id, UpdateHandler update);

    // This target's own table only, without the route.
    bool DispatchOwn(unsigned id, CmdCode code, CCmdUI* pCmdUI);

private:
    struct Entry {
        unsigned id;
        Handler handler;
        UpdateHandler update;
    };
    Entry& EntryFor(unsigned id);
    std::vector<Entry> m_commandMap;
};

// Whether a button or menu item for the command is enabled: as its update handler decides;
// without one, enabled exactly when some target has a handler for it. *check, when given, is
// the check mark its update handler set (-1: none).
bool IsCommandEnabled(CCmdTarget& route, unsigned id, int* check = nullptr);

// Gives the command as a user does: it runs unless an update handler disables it (a
// command without update handler is enabled). A disabled command is refused with the trace
// "Warning: not executing disabled command %d\n". True when a handler ran.
bool ExecuteCommand(CCmdTarget& route, unsigned id);

}  // namespace framework
