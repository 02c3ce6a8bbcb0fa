#pragma once
// The document's buffer as a test fills and reads it: its data are the characters up to the
// data size.
#include "KorvaDoc.h"

#include <string>

inline std::string Data(const CKorvaDoc& doc)
{
    return std::string(doc.m_data, static_cast<size_t>(doc.m_nDataSize));
}

// Makes text the document's data, as a receive or a load leaves its characters; the line
// count and the cursors stay as they are.
inline void SetData(CKorvaDoc& doc, const std::string& text)
{
    text.copy(doc.m_data, text.size());
    doc.m_nDataSize = static_cast<int32_t>(text.size());
}
