#pragma once
// What assistive tools learn of the view, which draws its status line and progress bar itself
// and holds no widgets: a status bar named by the line's texts, with three parts of its own (the
// status text, the device label with the port name, the progress bar with its count and full
// scale), each told to the tools as it changes.
class CKorvaView;

enum ToldPart : unsigned { kToldStatusLine = 1, kToldProgress = 2 };

// Makes every CKorvaView answer through that interface; the first call installs it.
void InstallViewAccessibility();

// Tells the tools that the parts have changed (a no-op while no tool listens).
void TellAssistiveTools(CKorvaView* view, unsigned parts);
