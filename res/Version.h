#pragma once
// The program's version record.
inline constexpr const char* kFileVersion = "1, 0, 0, 2";
inline constexpr const char* kVersionNumber = "1.0.0.2";
inline constexpr const char* kFileDescription = "VEQ-32-Interface";
inline constexpr const char* kInternalName = "VEQ32C";
inline constexpr const char* kOriginalFilename = "Korva.EXE";
inline constexpr const char* kProductName = "VEQ-32-C-Interface";
inline constexpr const char* kCompanyName = "korva developers";
inline constexpr const char* kLegalCopyright = "Free software; see the README";
