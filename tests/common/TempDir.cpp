#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

TempWorkDir::TempWorkDir()
{
    char pattern[] = "/tmp/korva-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
}

TempWorkDir::~TempWorkDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}
