#pragma once
// What every fuzz target shares: a check that names the broken rule and stops the run, and a
// fresh working folder for targets that touch files by relative name.
#include <cstddef>
#include <cstdint>
#include <string>

// Prints the rule and where it is checked, then traps, so that libFuzzer keeps the input as a
// crash and a corpus run fails.
[[noreturn]] void FuzzFail(const char* rule, const char* file, int line);

#define FUZZ_CHECK(rule)                                                                      \
    do {                                                                                      \
        if (!(rule))                                                                          \
            FuzzFail(#rule, __FILE__, __LINE__);                                              \
    } while (0)

// Makes a new folder under /tmp the working directory for the rest of the process and removes
// it at exit. libFuzzer reads its corpus after this, so corpus and artifact paths must be
// absolute.
void EnterFuzzWorkDir();

// An offscreen QApplication for the rest of the process, for targets that build widgets.
void StartOffscreenApplication();
