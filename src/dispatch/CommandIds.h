#pragma once

#include "dispatch/MenuModel.h"

#include <QString>

#include <optional>

namespace ferrolet {

// Command identifiers: the integer tags that the menu builders write and the
// dispatch reads back.
namespace cmd {
inline constexpr int AddFolder = -1001;
inline constexpr int RemoveFolder = -1002;
inline constexpr int PutInItsPlace = -1003;
inline constexpr int WrapItems = -1004;
inline constexpr int CutItems = -1005;
inline constexpr int PasteItems = -1006;
} // namespace cmd

// The destination commands' bases; folder entry i (from 0) of a command's
// submenu carries (i + 1) × base.
enum class DestinationCommand { MoveTo = 1001, CopyTo, ArchiveTo, AliasTo, OpenFolder, HardLinkTo };

inline constexpr int kFirstBase = 1001;
inline constexpr int kLastBase = 1006;

// Above this many destinations a folder tag could also be a multiple of an
// earlier base (334 × 1005 = 335 × 1002), so the menus list only the first
// kMaxFolderItems folders of a longer list.
inline constexpr int kMaxFolderItems = 333;

struct FixedCommand {
    int id;
    const char* title;
    const char* tooltip;
};

// The fixed command of an identifier (-1006 to -1001); nullptr otherwise.
const FixedCommand* FindFixedCommand(int id);

// The header title of a base ("Move To" …) and the base of a header title:
// the first base whose title the given title both begins and ends with, 0 if
// none.
QString HeaderTitle(DestinationCommand command);
int BaseForTitle(const QString& title);

struct DecodedTag {
    enum class Kind { Fixed, Destination } kind;
    int fixedId = 0;
    DestinationCommand command = DestinationCommand::MoveTo;
    int folderIndex = 0; // 1-based position k in the destination list
};

// A fixed command, or the first base of 1001…1006 that divides
// the tag exactly, with k = tag ÷ base. Nothing for any other tag.
std::optional<DecodedTag> DecodeMenuItemTag(int tag);

// addMenuItem:withCommandID:withTip:toMenu:
void AddMenuItem(const QString& title, int commandId, const QString& tip, Menu& menu);

} // namespace ferrolet
