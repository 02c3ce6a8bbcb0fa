#pragma once
// The device's lines as the program keeps and writes them.
#include <string>
#include <vector>

// As the document's buffer holds them: each closed by CR.
std::string AsBufferLines(const std::vector<std::string>& lines);
// As a data file holds them: each closed by CR LF.
std::string AsFileText(const std::vector<std::string>& lines);
// The buffer as a saved file holds it: every CR written as CR LF, nothing else changed.
std::string AsSaved(const std::string& buffer);
