#pragma once

// The file-system helpers every file operation shares: names and extensions,
// folder look-ups and listings, item kinds, unique names, the safe
// replacement of a same-named item, and the reveal of a finished item.
#include "ClashReplacement.h"
#include "FolderItems.h"
#include "ItemKinds.h"
#include "ItemNames.h"
#include "RevealMovedItem.h"
#include "UniqueName.h"
