#pragma once
// The keyboard's lock states, where the platform tells them (under X11 through its keyboard
// extension); elsewhere nothing is known.

namespace framework {

struct LockStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// False when the platform cannot tell the states.
bool QueryLockStates(LockStates& states);

}  // namespace framework
