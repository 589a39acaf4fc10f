#pragma once
// The page set the user chose, shared between the windows. Written only by the folder dialog and
// the preview; everyone else reads.
#include "FolderItem.h"

#include <array>
#include <cstdint>

namespace Module1 {
inline FolderItem gPLKFolder;
inline FolderItem gHpFile;
inline FolderItem gBtnFile;
inline FolderItem gCSSFile;
inline FolderItem gIconFile;
inline std::array<FolderItem, 2> gNinFile; // 0 Japanese, 1 English
inline std::int32_t gAccessType = 0;       // 0 local folder, 1 the card over Wi-Fi
} // namespace Module1
