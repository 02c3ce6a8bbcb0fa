#pragma once
// The program's string table.

// Document type: window title, document name, new-document name, file filter, default
// extension, file-type id and file-type name.
inline constexpr const char* kDocTypeString =
    "DATA-TRANSFER\n\nVEQ_32_C\nDateityp  (*.txt)\n.txt\nVEQ_32_C.Document\nVEQ_32_C Document";
