#include "CmdTarget.h"

#include "Trace.h"

#include <algorithm>

namespace framework {

CCmdTarget::Entry& CCmdTarget::EntryFor(unsigned id)
{
    auto it = std::find_if(m_commandMap.begin(), m_commandMap.end(),
                           [id](const Entry& e) { return e.id == id; });
    if (it != m_commandMap.end())
        return *it;
    m_commandMap.push_back({id, {}, {}});
    return m_commandMap.back();
}

void CCmdTarget::OnCommand(unsigned id, Handler handler)
{
    EntryFor(id).handler = std::move(handler);
}

void CCmdTarget::OnUpdateCommandUI(unsigned id, UpdateHandler update)
{
    EntryFor(id).update = std::move(update);
}

bool CCmdTarget::DispatchOwn(unsigned id, CmdCode code, CCmdUI* pCmdUI)
{
    for (const Entry& e : m_commandMap) {
        if (e.id != id)
            continue;
        switch (code) {
        case CmdCode::command:
            if (!e.handler)
                return false;
            e.handler();
            return true;
        case CmdCode::updateUI:
            if (!e.update || !pCmdUI)
                return false;
            e.update(pCmdUI);
            return true;
        case CmdCode::probe:
            return static_cast<bool>(e.handler);
        }
    }
    return false;
}

bool CCmdTarget::OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI)
{
    return DispatchOwn(id, code, pCmdUI);
}

bool IsCommandEnabled(CCmdTarget& route, unsigned id, int* check)
{
    CCmdUI state(id);
    const bool spoken = route.OnCmdMsg(id, CmdCode::updateUI, &state);
    if (check)
        *check = state.m_nCheck;
    if (spoken && state.m_bEnableChanged)
        return state.m_bEnabled;
    return route.OnCmdMsg(id, CmdCode::probe, nullptr);
}

bool ExecuteCommand(CCmdTarget& route, unsigned id)
{
    // Checked again right before it runs: the button may still look enabled.
    CCmdUI state(id);
    route.OnCmdMsg(id, CmdCode::updateUI, &state);
    if (!state.m_bEnabled) {
        AfxTrace("Warning: not executing disabled command %d\n", static_cast<int>(id));
        return false;
    }
    return route.OnCmdMsg(id, CmdCode::command, nullptr);
}

}  // namespace framework
